#include "core/update/UpdateState.h"

#include "platform/LogonEntries.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcUpdateState, "plotvane.update.state", QtWarningMsg)

namespace updatestate {

void Read(std::string& stream) {
    platform::TRegistry reg;
    if (!reg.OpenKey(Key, false))
        return;
    const auto value = reg.ReadValue(Value);
    if (!value)
        return;
    const auto type = static_cast<platform::TRegType>(value->Type);
    if (type == platform::TRegType::Sz || type == platform::TRegType::ExpandSz || type == platform::TRegType::DWord)
        throw platform::ERegistryException("Invalid data type for 'UpdateState'");
    stream = value->Data;
}

void Save(const std::string& stream) {
    try {
        platform::TRegistry reg;
        if (reg.OpenKey(Key, true))
            reg.WriteBinaryData(Value, stream);
    } catch (const platform::ERegistryException& error) {
        // The next start reads the status it had, or none: at worst a check runs a day early.
        qCWarning(lcUpdateState) << "update status not stored:" << error.what();
    }
}

bool ScheduleAtLogon(const std::string& installer) {
    // A package is handed to the system's package handler, as "Install now" hands it.
    if (platform::IsSystemPackage(installer))
        return platform::WriteLogonEntry(LogonEntryId, "Plotvane update", "xdg-open", installer, true);
    return platform::WriteLogonEntry(LogonEntryId, "Plotvane update", installer, {}, true);
}

} // namespace updatestate
