#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <vector>

/**
 * A notification service of the tests' own: it takes the name org.freedesktop.Notifications on a
 * bus, records every Notify it receives, and can say that a notification was clicked.
 */
class TNotificationRecorder final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct TNotification {
        QString AppName;
        uint ReplacesId = 0;
        QString Icon;
        QString Summary;
        QString Body;
        QStringList Actions;
        QVariantMap Hints;
        int Timeout = 0;
        uint Id = 0;
    };

    /** Serves on the bus at that address; Serving() says whether it could. */
    explicit TNotificationRecorder(const QString& busAddress);
    ~TNotificationRecorder() override;

    bool Serving() const { return m_serving; }
    const std::vector<TNotification>& Received() const { return m_received; }
    /** The member clicks the notification: its default action, as a server reports it. */
    void Click(uint id);

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);
    QStringList GetCapabilities();

private:
    QDBusConnection m_bus;
    bool m_serving = false;
    uint m_nextId = 1;
    std::vector<TNotification> m_received;
};
