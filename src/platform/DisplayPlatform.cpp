#include "platform/DisplayPlatform.h"

#include <cstdlib>

namespace platform {

namespace {

bool Set(const std::optional<std::string>& value) {
    return value && !value->empty();
}

} // namespace

std::string PreferredQtPlatform(const TEnvironment& env) {
    if (Set(env("QT_QPA_PLATFORM")))
        return {};
    const std::optional<std::string> session = env("XDG_SESSION_TYPE");
    const bool wayland = Set(env("WAYLAND_DISPLAY")) || (session && *session == "wayland");
    // XWayland announces itself through DISPLAY; without it there is only Wayland to use.
    return wayland && Set(env("DISPLAY")) ? "xcb" : std::string();
}

void ApplyPreferredQtPlatform() {
    const std::string platform = PreferredQtPlatform([](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    });
    if (!platform.empty())
        ::setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
}

} // namespace platform
