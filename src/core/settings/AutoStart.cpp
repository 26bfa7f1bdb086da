#include "core/settings/AutoStart.h"

#include "platform/DesktopEntry.h"
#include "platform/LogonEntries.h"
#include "platform/Paths.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcAutoStart, "plotvane.settings.autostart", QtWarningMsg)

namespace {
constexpr const char* EntryId = "plotvane";
}

bool AutoStartExists() {
    return platform::LogonEntryEnabled(EntryId);
}

bool SetAutoStart(bool on) {
    if (on) {
        if (!platform::WriteLogonEntry(EntryId, "Plotvane", platform::ExecutablePath())) {
            qCWarning(lcAutoStart) << "could not write the logon entry" << platform::LogonEntryFile(EntryId).c_str();
            return false;
        }
    } else if (platform::LogonEntryEnabled(EntryId)) {
        // An entry the desktop switched off already starts nothing; it stays as the desktop left it.
        if (!platform::DeleteLogonEntry(EntryId)) {
            qCWarning(lcAutoStart) << "could not remove the logon entry" << platform::LogonEntryFile(EntryId).c_str();
            return false;
        }
    }
    return true;
}

void RepairAutoStart() {
    if (!AutoStartExists())
        return;
    const auto exec = platform::ReadDesktopEntryValue(platform::LogonEntryFile(EntryId), "Exec");
    const auto args = exec ? platform::SplitDesktopExec(*exec) : std::nullopt;
    // Only the entry as the program writes it, the program's path alone, is the program's to mend;
    // one the member changed (a wrapper, options, "sh -c ...") is left as it is.
    if (!args || args->size() != 1 || !platform::FindProgram(args->front()).empty())
        return;
    qCInfo(lcAutoStart) << "the logon entry starts" << args->front().c_str() << "which is gone; pointing it here";
    SetAutoStart(true);
}
