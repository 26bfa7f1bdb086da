#pragma once

#include <QObject>
#include <QTimer>

#include <curl/curl.h>

#include <map>

class QSocketNotifier;

/**
 * Drives libcurl's multi interface from the Qt event loop: a notifier for each socket libcurl
 * watches, and one timer for the timeouts it asks for. A finished transfer is handed to its
 * TBSCB (the easy handle's private pointer) outside any libcurl callback.
 */
class TCurlLoop final : public QObject {
public:
    TCurlLoop();
    ~TCurlLoop() override;

    void Add(CURL* easy) { curl_multi_add_handle(m_multi, easy); }
    void Remove(CURL* easy) { curl_multi_remove_handle(m_multi, easy); }

private:
    struct TWatch {
        QSocketNotifier* Read = nullptr;
        QSocketNotifier* Write = nullptr;
    };

    static int OnSocket(CURL*, curl_socket_t socket, int what, void* user, void*);
    static int OnTimer(CURLM*, long timeoutMs, void* user);
    void Watch(curl_socket_t socket, int what);
    void Action(curl_socket_t socket, int flags);

    CURLM* m_multi = nullptr;
    QTimer m_timer;
    std::map<curl_socket_t, TWatch> m_sockets;
};
