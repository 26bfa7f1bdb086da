#include "ui/MyTray.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMenu>
#include <QWidget>

Q_LOGGING_CATEGORY(lcTrayIcon, "plotvane.tray.icon", QtWarningMsg)

namespace {
constexpr std::uint32_t LongRecordSize = 488;
constexpr std::uint32_t ShortRecordSize = 88;
} // namespace

TTrayIconEx::TTrayIconEx(TTrayShell& shell, QWidget* appWindow, QObject* owner)
    : QObject(owner)
    , m_shell(shell)
    , m_appWindow(appWindow) {
    m_record.hIcon = QApplication::windowIcon();
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &TTrayIconEx::AnimationStep);
    const bool longRecord = m_shell.MajorVersion() >= 5;
    m_record.cbSize = longRecord ? LongRecordSize : ShortRecordSize;
    m_tipLength = longRecord ? 127 : 63;
    m_record.uID = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(this));
    m_record.uFlags = NIF_MESSAGE | NIF_ICON;
    m_record.uCallbackMessage = WM_TRAYNOTIFY;
    m_shell.OnNotify = [this](std::uint32_t lParam) { WindowProc(WM_TRAYNOTIFY, lParam); };
    m_shell.OnTaskbarCreated = [this] { TaskbarCreated(); };
    PopupMenuAt = [](QMenu* menu, QPoint at) { menu->exec(at); };
    Modify();
}

TTrayIconEx::~TTrayIconEx() {
    // No hook may outlive the component.
    m_shell.OnNotify = nullptr;
    m_shell.OnTaskbarCreated = nullptr;
    m_shell.NotifyIcon(TNotifyMessage::Delete, m_record);
}

void TTrayIconEx::Loaded() {
    if (m_iconIndex >= 0 && static_cast<std::size_t>(m_iconIndex) < m_icons.size())
        m_record.hIcon = m_icons[static_cast<std::size_t>(m_iconIndex)];
    if (m_enabled)
        AddOrRemove();
    Modify();
}

void TTrayIconEx::AddOrRemove() {
    if (m_enabled) {
        if (!m_shell.NotifyIcon(TNotifyMessage::Add, m_record))
            throw ETrayIconError("Cannot create Shell Notification Icon");
        m_inTray = true;
    } else {
        m_inTray = false;
        if (!m_shell.NotifyIcon(TNotifyMessage::Delete, m_record))
            throw ETrayIconError("Cannot remove Shell Notification Icon");
    }
}

void TTrayIconEx::Modify() {
    m_shell.NotifyIcon(TNotifyMessage::Modify, m_record);
}

void TTrayIconEx::SetEnabled(bool enabled) {
    if (enabled == m_enabled && !m_readding)
        return;
    m_enabled = enabled;
    AddOrRemove();
}

void TTrayIconEx::SetHint(const std::string& hint) {
    if (hint == m_hint)
        return;
    m_hint = hint;
    m_record.szTip = hint.substr(0, m_tipLength);
    if (hint.empty())
        m_record.uFlags &= ~NIF_TIP;
    else
        m_record.uFlags |= NIF_TIP;
    Modify();
}

void TTrayIconEx::SetIconIndex(int index) {
    m_iconIndex = index;
    if (!m_icons.empty() && index >= 0 && static_cast<std::size_t>(index) < m_icons.size())
        m_record.hIcon = m_icons[static_cast<std::size_t>(index)];
    Modify();
}

void TTrayIconEx::AnimationStep() {
    if (m_icons.empty())
        return;
    SetIconIndex(m_iconIndex < static_cast<int>(m_icons.size()) - 1 ? m_iconIndex + 1 : 0);
}

void TTrayIconEx::Gesture(TTrayIconClicks gesture, const TNotifyEvent& event) {
    if (RestoreOn == gesture)
        RestoreApp();
    if (PopupMenuOn == gesture)
        ShowPopupMenu();
    if (event)
        event(this);
}

std::intptr_t TTrayIconEx::WindowProc(std::uint32_t message, std::uint32_t lParam) {
    if (message == WM_QUERYENDSESSION)
        return 1;
    if (message == WM_ENDSESSION) {
        m_shell.NotifyIcon(TNotifyMessage::Delete, m_record);
        m_inTray = false;
        return 0;
    }
    if (message != WM_TRAYNOTIFY)
        return 0;
    const auto fire = [this](const TNotifyEvent& event) {
        if (event)
            event(this);
    };
    switch (lParam) {
    case WM_LBUTTONDOWN:
        Gesture(TTrayIconClicks::ticLeftClick, OnLButtonDown);
        break;
    case WM_LBUTTONUP:
        Gesture(TTrayIconClicks::ticLeftClickUp, OnLButtonUp);
        break;
    case WM_LBUTTONDBLCLK:
        Gesture(TTrayIconClicks::ticLeftDblClick, OnLButtonDblClick);
        break;
    case WM_RBUTTONDOWN:
        Gesture(TTrayIconClicks::ticRightClick, OnRButtonDown);
        break;
    case WM_RBUTTONUP:
        Gesture(TTrayIconClicks::ticRightClickUp, OnRButtonUp);
        break;
    case WM_RBUTTONDBLCLK:
        Gesture(TTrayIconClicks::ticRightDblClick, OnRButtonDblClick);
        break;
    case NIN_BALLOONHIDE:
        fire(OnBalloonHintHide);
        break;
    case NIN_BALLOONTIMEOUT:
        fire(OnBalloonHintClose);
        break;
    case NIN_BALLOONUSERCLICK:
        fire(OnBalloonHintClick);
        break;
    default:
        break;
    }
    return 0;
}

void TTrayIconEx::TaskbarCreated() {
    if (!m_enabled)
        return;
    m_readding = true;
    try {
        SetEnabled(true);
    } catch (const ETrayIconError& error) {
        // The tray went again before the icon could be added; it is tried when it comes back.
        qCInfo(lcTrayIcon) << "the tray went again before the icon was back:" << error.what();
    }
    m_readding = false;
}

void TTrayIconEx::ShowPopupMenu() {
    if (!m_popupMenu)
        return;
    const QPoint at = m_shell.CursorPos();
    if (m_appWindow)
        m_appWindow->activateWindow();
    m_menuOpen = true;
    try {
        PopupMenuAt(m_popupMenu, at);
    } catch (...) {
        m_menuOpen = false;
        throw;
    }
    m_menuOpen = false;
}

void TTrayIconEx::MinimizeApp() {
    if (m_minimizing || !m_appWindow)
        return;
    m_minimizing = true;
    // Into the tray the window is only hidden: minimising it first would leave the window
    // manager a late "iconified" that hides it again right after the next restore.
    if (m_enabled && HideOnMinimize)
        m_appWindow->hide();
    else
        m_appWindow->showMinimized();
    m_minimizing = false;
    if (OnMinimizeApp)
        OnMinimizeApp(this);
}

void TTrayIconEx::RestoreApp() {
    if (m_menuOpen || !m_appWindow)
        return;
    m_appWindow->setWindowState(m_appWindow->windowState() & ~Qt::WindowMinimized);
    if (m_enabled) {
        m_appWindow->showNormal();
        m_appWindow->raise();
        m_appWindow->activateWindow();
    }
    if (OnRestoreApp)
        OnRestoreApp(this);
}
