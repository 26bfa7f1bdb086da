#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace platform {

/**
 * Whether a window of ours cannot choose where it stands: a Wayland session with no X server
 * for us (no DISPLAY). There the compositor places every window, so a notification window
 * would not stand at the bottom right; the desktop's notification service is used instead.
 */
bool WindowsArePlacedByTheCompositor();

/**
 * The desktop's notification service (org.freedesktop.Notifications on the session bus). A new
 * notification replaces the one this notifier sent before; its default action, a click on it,
 * is reported through OnActivated.
 */
class TDesktopNotifier final : public QObject {
    Q_OBJECT
public:
    explicit TDesktopNotifier(QObject* parent = nullptr);

    /**
     * Sends a notification. Answers later, on the event loop: OnSent when the service took it,
     * OnFailed when no service answered or it refused, so that the caller can show its own.
     */
    void Notify(const QString& summary, const QString& body, const QString& iconName, const QString& desktopEntry);

    std::function<void()> OnActivated;
    std::function<void()> OnSent;
    std::function<void(const QString& why)> OnFailed;

private Q_SLOTS:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    uint m_id = 0; // the notification on show, 0 when none
    bool m_listening = false;
};

} // namespace platform
