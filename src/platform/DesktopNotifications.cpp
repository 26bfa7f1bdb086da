#include "platform/DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QVariantMap>

Q_LOGGING_CATEGORY(lcNotifications, "plotvane.platform.notifications", QtWarningMsg)

namespace platform {
namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// A service that is started by the bus for the call may take a moment; one that never answers
// must not keep the change from being told at all.
constexpr int CallTimeoutMs = 5000;

} // namespace

bool WindowsArePlacedByTheCompositor() {
    return qEnvironmentVariableIsEmpty("DISPLAY") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

TDesktopNotifier::TDesktopNotifier(QObject* parent)
    : QObject(parent) {}

void TDesktopNotifier::Notify(const QString& summary, const QString& body, const QString& iconName,
                              const QString& desktopEntry) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto fail = [this](const QString& why) {
        qCInfo(lcNotifications) << "no notification sent:" << why;
        if (OnFailed)
            OnFailed(why);
    };
    if (!bus.isConnected()) {
        // Reported on the event loop, as an answer of the service would be.
        QMetaObject::invokeMethod(
            this, [fail] { fail(QStringLiteral("no session bus")); }, Qt::QueuedConnection);
        return;
    }
    if (!m_listening) {
        m_listening = bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                                  SLOT(ActionInvoked(uint, QString))) &&
                      bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                                  SLOT(NotificationClosed(uint, uint)));
        if (!m_listening)
            qCWarning(lcNotifications) << "cannot follow the notifications' clicks:" << bus.lastError().message();
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), desktopEntry}};
    call << QStringLiteral("Plotvane") << m_id << iconName << summary << body
         << QStringList{QStringLiteral("default"), QStringLiteral("Show Plotvane")} << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, fail](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        const QDBusPendingReply<uint> reply = *done;
        if (reply.isError()) {
            fail(reply.error().name() + QStringLiteral(": ") + reply.error().message());
            return;
        }
        m_id = reply.value();
        if (OnSent)
            OnSent();
    });
}

void TDesktopNotifier::ActionInvoked(uint id, const QString& action) {
    if (id != m_id || m_id == 0 || action != QLatin1String("default"))
        return;
    if (OnActivated)
        OnActivated();
}

void TDesktopNotifier::NotificationClosed(uint id, uint) {
    // Replacing a notification that is gone would show nothing on some servers.
    if (id == m_id)
        m_id = 0;
}

} // namespace platform
