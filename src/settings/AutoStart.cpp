#include "settings/AutoStart.h"

#include "platform/DesktopEntry.h"
#include "platform/LogonEntries.h"
#include "platform/Paths.h"

namespace {
constexpr const char* EntryId = "plotvane";
}

bool AutoStartExists() {
    return platform::LogonEntryExists(EntryId);
}

void SetAutoStart(bool on) {
    if (on)
        platform::WriteLogonEntry(EntryId, "Plotvane", platform::ExecutablePath());
    else if (platform::LogonEntryExists(EntryId))
        platform::DeleteLogonEntry(EntryId);
}

void RepairAutoStart() {
    if (!AutoStartExists())
        return;
    const auto exec = platform::ReadDesktopEntryValue(platform::LogonEntryFile(EntryId), "Exec");
    const auto args = exec ? platform::SplitDesktopExec(*exec) : std::nullopt;
    if (args && !args->empty() && platform::IsExecutableFile(args->front()))
        return;
    SetAutoStart(true);
}
