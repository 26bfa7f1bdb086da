#include "platform/Network.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ifaddrs.h>
#include <net/if.h>

namespace platform {

namespace {
// -1 the real test, 0 down, 1 up; read from worker threads.
std::atomic<int> g_forced{-1};

bool ProxyConfigured() {
    for (const char* name : {"http_proxy", "https_proxy", "all_proxy"}) {
        const char* value = std::getenv(name);
        if (value && value[0])
            return true;
    }
    return false;
}

bool AnInterfaceIsUp() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    bool up = false;
    for (const ifaddrs* a = list; a && !up; a = a->ifa_next)
        up = a->ifa_addr && (a->ifa_flags & IFF_UP) && (a->ifa_flags & IFF_RUNNING) && !(a->ifa_flags & IFF_LOOPBACK);
    ::freeifaddrs(list);
    return up;
}

// Every request asks, and listing the interfaces costs a round trip to the kernel's netlink of
// tens of microseconds: a queue of a thousand pictures would pay it a thousand times. A "yes" a
// second old serves, since a network lost within that second fails the request by itself; a
// "no" is never kept, so a network that comes back is used at once.
constexpr std::int64_t UpKeptNs = 1'000'000'000;
std::atomic<std::int64_t> g_upSeenAt{0}; // steady clock; 0: not up when last asked

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

bool IsNetworkUp() {
    if (const int forced = g_forced.load(); forced >= 0)
        return forced == 1;
    if (ProxyConfigured())
        return true;
    const std::int64_t now = Now();
    if (const std::int64_t at = g_upSeenAt.load(); at != 0 && now - at < UpKeptNs)
        return true;
    const bool up = AnInterfaceIsUp();
    g_upSeenAt = up ? now : 0;
    return up;
}

void SetNetworkUpForTests(std::optional<bool> up) {
    g_forced = up ? (*up ? 1 : 0) : -1;
    g_upSeenAt = 0;
}

} // namespace platform
