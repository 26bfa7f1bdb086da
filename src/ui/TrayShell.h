#pragma once

#include <QIcon>
#include <QPoint>

#include <cstdint>
#include <functional>
#include <string>

class QMenu;

/** The leading fields of the shell's icon record that the tray icon fills. */
struct TNotifyIconData {
    std::uint32_t cbSize = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    QIcon hIcon;
    std::string szTip;
};

enum class TNotifyMessage { Add, Modify, Delete };

inline constexpr std::uint32_t NIF_MESSAGE = 1;
inline constexpr std::uint32_t NIF_ICON = 2;
inline constexpr std::uint32_t NIF_TIP = 4;
inline constexpr std::uint32_t WM_TRAYNOTIFY = 0x2420;
inline constexpr std::uint32_t WM_QUERYENDSESSION = 0x0011;
inline constexpr std::uint32_t WM_ENDSESSION = 0x0016;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr std::uint32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr std::uint32_t NIN_BALLOONHIDE = 0x0403;
inline constexpr std::uint32_t NIN_BALLOONTIMEOUT = 0x0404;
inline constexpr std::uint32_t NIN_BALLOONUSERCLICK = 0x0405;

/**
 * The desktop's notification area as the tray icon sees it: one call to add, change or remove
 * an icon, and the notifications that come back (mouse gestures, the tray coming back).
 */
class TTrayShell {
public:
    virtual ~TTrayShell() = default;
    /** The shell's major version; 5 or more takes the long record. */
    virtual int MajorVersion() const = 0;
    virtual bool NotifyIcon(TNotifyMessage message, const TNotifyIconData& data) = 0;
    virtual QPoint CursorPos() const = 0;
    /**
     * The tray menu, for a tray that shows menus itself (a StatusNotifier host shows only a menu
     * the program exports); the others leave it to the icon's own gestures.
     */
    virtual void ExportMenu(QMenu* menu) { (void)menu; }

    /** A tray notification: a mouse message or a balloon notification, as the callback's lParam. */
    std::function<void(std::uint32_t lParam)> OnNotify;
    /** The tray came (back) after the icon could not be shown. */
    std::function<void()> OnTaskbarCreated;
};
