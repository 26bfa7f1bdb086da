#include "ui/QtTrayShell.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMenu>

Q_LOGGING_CATEGORY(lcTray, "plotvane.tray", QtWarningMsg)

TQtTrayShell::TQtTrayShell(QObject* parent)
    : QObject(parent)
    , m_x11(QGuiApplication::platformName() == QLatin1String("xcb")) {}

TQtTrayShell::~TQtTrayShell() = default;

void TQtTrayShell::ExportMenu(QMenu* menu) {
    m_menu = menu;
    if (m_icon && m_statusNotifier)
        m_icon->setContextMenu(menu);
}

bool TQtTrayShell::NotifyIcon(TNotifyMessage message, const TNotifyIconData& data) {
    switch (message) {
    case TNotifyMessage::Add: {
        if (!m_icon) {
            const platform::TTrayHost host = platform::AvailableTrayHost(m_x11);
            if (host == platform::TTrayHost::None) {
                WatchForTray();
                return false;
            }
            // Qt settles on its kind of tray icon the first time it is asked, once per process.
            m_icon = new QSystemTrayIcon(this);
            m_statusNotifier = host == platform::TTrayHost::StatusNotifier;
            connect(m_icon, &QSystemTrayIcon::activated, this, &TQtTrayShell::Activated);
            // A StatusNotifier host shows only the menu it is given over D-Bus. An XEmbed tray
            // must not get it: Qt would open it on every right press besides the icon's own.
            if (m_statusNotifier && m_menu)
                m_icon->setContextMenu(m_menu);
            qCInfo(lcTray) << "tray icon on" << (m_statusNotifier ? "a StatusNotifier host" : "an XEmbed tray");
        }
        m_watch.reset();
        Update(data);
        m_icon->show();
        return true;
    }
    case TNotifyMessage::Modify:
        if (!m_icon || !m_icon->isVisible())
            return false;
        Update(data);
        return true;
    case TNotifyMessage::Delete:
        m_watch.reset();
        if (!m_icon || !m_icon->isVisible())
            return false;
        m_icon->hide();
        return true;
    }
    return false;
}

void TQtTrayShell::Update(const TNotifyIconData& data) {
    m_icon->setIcon(data.hIcon);
    m_icon->setToolTip((data.uFlags & NIF_TIP) ? QString::fromStdString(data.szTip) : QString());
}

void TQtTrayShell::WatchForTray() {
    if (m_watch)
        return;
    m_watch = std::make_unique<platform::TTrayHostWatch>(m_x11, [this] {
        if (platform::AvailableTrayHost(m_x11) == platform::TTrayHost::None)
            return;
        qCInfo(lcTray) << "a tray came";
        // The icon's answer to the tray adds the icon, which ends the watch; not from inside it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (OnTaskbarCreated)
                    OnTaskbarCreated();
            },
            Qt::QueuedConnection);
    });
}

void TQtTrayShell::Notify(std::initializer_list<std::uint32_t> messages) {
    for (std::uint32_t message : messages)
        if (OnNotify)
            OnNotify(message);
}

void TQtTrayShell::Activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        // A StatusNotifier host sends one Activate for a click and never a double click: that
        // click is the member's way back to the window, as the double click is elsewhere.
        if (m_statusNotifier)
            Notify({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
        else
            Notify({WM_LBUTTONDOWN, WM_LBUTTONUP});
        break;
    case QSystemTrayIcon::DoubleClick:
        Notify({WM_LBUTTONDBLCLK});
        break;
    case QSystemTrayIcon::Context:
        // Without a window of ours to hang from, a menu on Wayland becomes a window of its own,
        // which a tiling compositor spreads over the screen; the host has the exported menu.
        if (m_statusNotifier && m_menu && !m_x11) {
            qCInfo(lcTray) << "the host asked for the menu it was given; not shown as a window";
            break;
        }
        Notify({WM_RBUTTONDOWN, WM_RBUTTONUP});
        break;
    default:
        break;
    }
}

QPoint TQtTrayShell::CursorPos() const {
    return QCursor::pos();
}
