#include "platform/TrayHosts.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QLoggingCategory>
#include <QObject>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

Q_LOGGING_CATEGORY(lcTrayHosts, "plotvane.platform.tray", QtWarningMsg)

namespace platform {

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
// A panel that hangs must not hold the program's start; the host is asked again later.
constexpr int DBusTimeoutMs = 1000;
constexpr int XEmbedPollMs = 5000;

bool StatusNotifierHostRegistered() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(WatcherService))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        WatcherService, WatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << WatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, DBusTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCInfo(lcTrayHosts) << "the StatusNotifier watcher did not answer:" << reply.errorMessage();
        return false;
    }
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

bool XEmbedTrayPresent() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return false;
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen);
    bool present = false;
    if (xcb_connection_has_error(connection) == 0) {
        const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
        if (atom && atom->atom != XCB_ATOM_NONE) {
            xcb_get_selection_owner_reply_t* owner =
                xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
            present = owner && owner->owner != XCB_WINDOW_NONE;
            std::free(owner);
        }
        std::free(atom);
    } else {
        qCInfo(lcTrayHosts) << "cannot reach the X server" << display << "to look for a tray";
    }
    xcb_disconnect(connection);
    return present;
}

} // namespace

TTrayHost AvailableTrayHost(bool x11) {
    if (StatusNotifierHostRegistered())
        return TTrayHost::StatusNotifier;
    if (x11 && XEmbedTrayPresent())
        return TTrayHost::XEmbed;
    return TTrayHost::None;
}

class TTrayHostReceiver final : public QObject {
    Q_OBJECT
public:
    explicit TTrayHostReceiver(std::function<void()> changed)
        : m_changed(std::move(changed)) {}

public Q_SLOTS:
    void HostRegistered() { m_changed(); }

private:
    std::function<void()> m_changed;
};

struct TTrayHostWatch::TImpl {
    TTrayHostReceiver receiver;
    QDBusServiceWatcher services;
    QTimer poll;

    explicit TImpl(std::function<void()> changed)
        : receiver(std::move(changed)) {}
};

TTrayHostWatch::TTrayHostWatch(bool x11, std::function<void()> changed)
    : m_impl(std::make_unique<TImpl>(std::move(changed))) {
    TTrayHostReceiver* receiver = &m_impl->receiver;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        // A panel that starts after the program registers its watcher, then its host.
        m_impl->services.setConnection(bus);
        m_impl->services.addWatchedService(WatcherService);
        m_impl->services.setWatchMode(QDBusServiceWatcher::WatchForRegistration);
        QObject::connect(&m_impl->services, &QDBusServiceWatcher::serviceRegistered, receiver,
                         &TTrayHostReceiver::HostRegistered);
        bus.connect(QString(), WatcherPath, WatcherService, QStringLiteral("StatusNotifierHostRegistered"), receiver,
                    SLOT(HostRegistered()));
    }
    if (x11) {
        // An XEmbed tray announces itself only to X clients that listen on the root window;
        // asking now and then, and only while there is no tray, is enough.
        m_impl->poll.setInterval(XEmbedPollMs);
        QObject::connect(&m_impl->poll, &QTimer::timeout, receiver, &TTrayHostReceiver::HostRegistered);
        m_impl->poll.start();
    }
}

TTrayHostWatch::~TTrayHostWatch() {
    QDBusConnection::sessionBus().disconnect(QString(), WatcherPath, WatcherService,
                                             QStringLiteral("StatusNotifierHostRegistered"), &m_impl->receiver,
                                             SLOT(HostRegistered()));
}

} // namespace platform

#include "TrayHosts.moc"
