#include "ui/QtTrayShell.h"

#include <QCursor>
#include <QSystemTrayIcon>

namespace {
constexpr int WatchMs = 5000;
}

TQtTrayShell::TQtTrayShell(QObject* parent)
    : QObject(parent)
    , m_icon(new QSystemTrayIcon(this)) {
    m_watch.setInterval(WatchMs);
    connect(&m_watch, &QTimer::timeout, this, [this] {
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            m_watch.stop();
            if (OnTaskbarCreated)
                OnTaskbarCreated();
        }
    });
    // Qt reports one click per gesture; the shell's messages come as down and up.
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (!OnNotify)
            return;
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            OnNotify(WM_LBUTTONDOWN);
            OnNotify(WM_LBUTTONUP);
            break;
        case QSystemTrayIcon::DoubleClick:
            OnNotify(WM_LBUTTONDBLCLK);
            break;
        case QSystemTrayIcon::Context:
            OnNotify(WM_RBUTTONDOWN);
            OnNotify(WM_RBUTTONUP);
            break;
        default:
            break;
        }
    });
}

TQtTrayShell::~TQtTrayShell() = default;

bool TQtTrayShell::NotifyIcon(TNotifyMessage message, const TNotifyIconData& data) {
    switch (message) {
    case TNotifyMessage::Add:
        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            m_watch.start();
            return false;
        }
        m_icon->setIcon(data.hIcon);
        m_icon->setToolTip((data.uFlags & NIF_TIP) ? QString::fromStdString(data.szTip) : QString());
        m_icon->show();
        return true;
    case TNotifyMessage::Modify:
        if (!m_icon->isVisible())
            return false;
        m_icon->setIcon(data.hIcon);
        m_icon->setToolTip((data.uFlags & NIF_TIP) ? QString::fromStdString(data.szTip) : QString());
        return true;
    case TNotifyMessage::Delete:
        m_watch.stop();
        if (!m_icon->isVisible())
            return false;
        m_icon->hide();
        return true;
    }
    return false;
}

QPoint TQtTrayShell::CursorPos() const {
    return QCursor::pos();
}
