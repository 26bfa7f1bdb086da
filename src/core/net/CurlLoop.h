#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <map>

class QSocketNotifier;

/**
 * Drives libcurl's multi interface from the Qt event loop: a notifier for each socket libcurl
 * watches, and one timer for the timeouts it asks for. It knows transfers only as easy handles
 * (libcurl's CURL*, opaque here) and the function each one's end goes to, which it calls with
 * libcurl's result code outside any libcurl callback.
 */
class TCurlLoop final : public QObject {
public:
    using TDone = std::function<void(int curlCode)>;

    TCurlLoop();
    ~TCurlLoop() override;

    /** Runs easy until it ends, then calls done; a handle added again replaces its function. */
    void Add(void* easy, TDone done);
    /** Stops easy; its function is not called. */
    void Remove(void* easy);

private:
    struct TWatch {
        QSocketNotifier* Read = nullptr;
        QSocketNotifier* Write = nullptr;
    };
    struct TCallbacks; // libcurl's entry points, in the .cpp with libcurl's header

    /** libcurl's multi handle, made at the first transfer. */
    void* Multi();
    void Watch(int socket, int what);
    void Action(int socket, int flags);

    void* m_multi = nullptr;
    QTimer m_timer;
    std::map<int, TWatch> m_sockets;
    std::map<void*, TDone> m_done;
};
