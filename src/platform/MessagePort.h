#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

class QSocketNotifier;

namespace platform {

/** The message that brings a running copy forward. */
constexpr std::uint32_t WM_RESTORE_APP = 1025;

/**
 * Receives window-style messages that other copies of the program post to this process,
 * over a datagram socket in the runtime folder named after the process id.
 */
class TMessagePort final : public QObject {
    Q_OBJECT
public:
    explicit TMessagePort(QObject* parent = nullptr);
    ~TMessagePort() override;

    bool IsListening() const { return m_fd >= 0; }

    /** Runs on the main thread for every message received. */
    std::function<void(std::uint32_t msg, std::uint64_t wParam, std::int64_t lParam)> OnMessage;

private:
    void ReadPending();

    int m_fd = -1;
    std::string m_path;
    QSocketNotifier* m_notifier = nullptr;
};

/**
 * Posts a message to the program running as process pid. Waits up to timeoutMs for that
 * copy to start listening (it may still be starting); false when it never did.
 */
bool PostAppMessage(int pid, std::uint32_t msg, std::uint64_t wParam, std::int64_t lParam, int timeoutMs = 1500);

std::string MessagePortPath(int pid);

} // namespace platform
