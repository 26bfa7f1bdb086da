#include "platform/Shell.h"

#include "platform/LinuxShell.h"

namespace platform {

namespace {
TShell* g_override = nullptr;
} // namespace

TShell& Shell() {
    static TLinuxShell desktop;
    return g_override ? *g_override : desktop;
}

void SetShell(TShell* shell) {
    g_override = shell;
}

} // namespace platform
