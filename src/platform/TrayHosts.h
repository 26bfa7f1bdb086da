#pragma once

#include <functional>
#include <memory>

namespace platform {

/** The kind of notification area the desktop offers. */
enum class TTrayHost {
    None,
    /** A StatusNotifierItem host on the session bus: KDE, XFCE, LXQt, GNOME's AppIndicator, waybar. */
    StatusNotifier,
    /** An X11 system tray (the XEmbed protocol): trayer, tint2, stalonetray, older panels. */
    XEmbed
};

/**
 * Which notification area is there now. A StatusNotifier host wins over an XEmbed tray, as Qt's
 * own choice does; x11 says whether the program draws on X11, where only an XEmbed tray can hold it.
 * Asks each time: the answer must never come from a cache that a later panel cannot change.
 */
TTrayHost AvailableTrayHost(bool x11);

/**
 * Calls back, on the thread that created it, when a notification area may have appeared: a
 * StatusNotifier watcher registered a host, or (on X11) a tray took its selection. Watching ends
 * when the object goes.
 */
class TTrayHostWatch final {
public:
    TTrayHostWatch(bool x11, std::function<void()> changed);
    ~TTrayHostWatch();
    TTrayHostWatch(const TTrayHostWatch&) = delete;
    TTrayHostWatch& operator=(const TTrayHostWatch&) = delete;

private:
    struct TImpl;
    std::unique_ptr<TImpl> m_impl;
};

} // namespace platform
