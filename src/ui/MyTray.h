#pragma once

#include "ui/TrayShell.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <stdexcept>
#include <vector>

class QWidget;

enum class TTrayIconClicks {
    ticNone,
    ticLeftClick,
    ticLeftDblClick,
    ticLeftClickUp,
    ticRightClick,
    ticRightDblClick,
    ticRightClickUp
};

class ETrayIconError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/**
 * The program's icon in the notification area: keeps it there (also when the tray comes
 * back), turns gestures on it into restoring the window or opening the tray menu, and hides
 * the window while it is minimised.
 */
class TTrayIconEx final : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TTrayIconEx* sender)>;

    TTrayIconEx(TTrayShell& shell, QWidget* appWindow, QObject* owner = nullptr);
    ~TTrayIconEx() override;

    /** Puts the icon into the tray when Enabled; throws ETrayIconError when the tray refuses it. */
    void Loaded();
    void MinimizeApp();
    void RestoreApp();

    bool Animate() const { return m_timer.isActive(); }
    void SetAnimate(bool on) { on ? m_timer.start() : m_timer.stop(); }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    const std::string& Hint() const { return m_hint; }
    void SetHint(const std::string& hint);
    int IconIndex() const { return m_iconIndex; }
    void SetIconIndex(int index);
    int Interval() const { return m_timer.interval(); }
    void SetInterval(int ms) { m_timer.setInterval(ms); }
    void SetIcons(std::vector<QIcon> icons) { m_icons = std::move(icons); }
    /** The tray menu; a tray that shows menus itself gets it too. */
    void SetPopupMenu(QMenu* menu) {
        m_popupMenu = menu;
        m_shell.ExportMenu(menu);
    }
    bool HideOnMinimize = true;
    TTrayIconClicks RestoreOn = TTrayIconClicks::ticLeftDblClick;
    TTrayIconClicks PopupMenuOn = TTrayIconClicks::ticRightClickUp;

    TNotifyEvent OnBalloonHintHide, OnBalloonHintClose, OnBalloonHintClick, OnMinimizeApp, OnRestoreApp, OnLButtonDown,
        OnLButtonUp, OnLButtonDblClick, OnRButtonDown, OnRButtonUp, OnRButtonDblClick;

    /** The hidden window's procedure: a message and its lParam; returns the answer. */
    std::intptr_t WindowProc(std::uint32_t message, std::uint32_t lParam);
    /** The tray came back: an enabled icon is added again. */
    void TaskbarCreated();

    const TNotifyIconData& Record() const { return m_record; }
    bool MenuOpen() const { return m_menuOpen; }
    /** Whether the icon is in the tray now. */
    bool InTray() const { return m_inTray; }
    /** Shows the menu modally at a position; replaceable so that tests need not block. */
    std::function<void(QMenu* menu, QPoint at)> PopupMenuAt;

private:
    void AddOrRemove();
    void Modify();
    void AnimationStep();
    void ShowPopupMenu();
    void Gesture(TTrayIconClicks gesture, const TNotifyEvent& event);

    TTrayShell& m_shell;
    QPointer<QWidget> m_appWindow;
    TNotifyIconData m_record;
    std::size_t m_tipLength;
    QTimer m_timer;
    std::vector<QIcon> m_icons;
    int m_iconIndex = 0;
    QPointer<QMenu> m_popupMenu;
    std::string m_hint;
    bool m_enabled = true;
    bool m_readding = false;
    bool m_menuOpen = false;
    bool m_inTray = false;
    bool m_minimizing = false;
};
