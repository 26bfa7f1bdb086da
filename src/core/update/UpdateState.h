#pragma once

#include <string>

/**
 * Where the main window keeps the update checker's status record and schedules an installer:
 * the registry value "UpdateState" under "Software\Plotvane\Update", and a one-time logon entry.
 */
namespace updatestate {

inline constexpr const char* Key = "Software\\Plotvane\\Update";
inline constexpr const char* Value = "UpdateState";
inline constexpr const char* LogonEntryId = "plotvane-update";

/**
 * The stored record, or nothing when the key or the value is missing. A value stored as text
 * or as a number throws platform::ERegistryException.
 */
void Read(std::string& stream);

/** Stores the record; a store that cannot be written is left as it was, silently. */
void Save(const std::string& stream);

/** Runs the installer once at the next logon. False when the entry cannot be written. */
bool ScheduleAtLogon(const std::string& installer);

} // namespace updatestate
