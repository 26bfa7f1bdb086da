#include "settings/AutoStart.h"

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
