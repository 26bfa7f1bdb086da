#include "support/NotificationRecorder.h"

#include <QDBusMessage>

namespace {

QString ConnectionName() {
    static int count = 0;
    return QStringLiteral("notification-recorder-%1").arg(++count);
}

} // namespace

TNotificationRecorder::TNotificationRecorder(const QString& busAddress)
    : m_bus(QDBusConnection::connectToBus(busAddress, ConnectionName())) {
    m_serving =
        m_bus.isConnected() && m_bus.registerService(QStringLiteral("org.freedesktop.Notifications")) &&
        m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportAllSlots);
}

TNotificationRecorder::~TNotificationRecorder() {
    m_bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    m_bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(m_bus.name());
}

uint TNotificationRecorder::Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                                   const QString& body, const QStringList& actions, const QVariantMap& hints,
                                   int timeout) {
    const uint id = replacesId != 0 ? replacesId : m_nextId++;
    m_received.push_back({appName, replacesId, icon, summary, body, actions, hints, timeout, id});
    return id;
}

QStringList TNotificationRecorder::GetCapabilities() {
    return {QStringLiteral("actions"), QStringLiteral("body")};
}

void TNotificationRecorder::Click(uint id) {
    QDBusMessage signal =
        QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                   QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
    signal << id << QStringLiteral("default");
    m_bus.send(signal);
}
