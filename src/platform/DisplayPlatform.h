#pragma once

#include <functional>
#include <optional>
#include <string>

namespace platform {

using TEnvironment = std::function<std::optional<std::string>(const char* name)>;

/**
 * The Qt platform the program should ask for, or empty to leave Qt's own choice. On a Wayland
 * session that also runs XWayland it is "xcb": only there may a program place its notification
 * at the bottom right of the screen, and the tray's XEmbed icons work. A platform the member
 * chose with QT_QPA_PLATFORM always stands.
 */
std::string PreferredQtPlatform(const TEnvironment& env);

/** Sets QT_QPA_PLATFORM from PreferredQtPlatform over the process's environment; before QApplication. */
void ApplyPreferredQtPlatform();

} // namespace platform
