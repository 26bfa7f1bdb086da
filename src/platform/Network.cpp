#include "platform/Network.h"

#include <atomic>
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
} // namespace

bool IsNetworkUp() {
    if (const int forced = g_forced.load(); forced >= 0)
        return forced == 1;
    if (ProxyConfigured())
        return true;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    bool up = false;
    for (const ifaddrs* a = list; a && !up; a = a->ifa_next)
        up = a->ifa_addr && (a->ifa_flags & IFF_UP) && (a->ifa_flags & IFF_RUNNING) && !(a->ifa_flags & IFF_LOOPBACK);
    ::freeifaddrs(list);
    return up;
}

void SetNetworkUpForTests(std::optional<bool> up) {
    g_forced = up ? (*up ? 1 : 0) : -1;
}

} // namespace platform
