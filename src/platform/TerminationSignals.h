#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace platform {

/**
 * Turns the session's request to end (SIGTERM at logout, SIGHUP, SIGINT) into a call on the
 * main thread, so that the program ends as it would from its own menu.
 */
class TTerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TTerminationSignals(QObject* parent = nullptr);
    ~TTerminationSignals() override;

    std::function<void()> OnTerminate;

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace platform
