#pragma once

#include <string>

namespace platform {

/**
 * Programs started when the member logs on: XDG autostart entries, one desktop file each.
 * A run-once entry removes its own file before it runs its command.
 */
bool LogonEntryExists(const std::string& entryId);

/**
 * Whether the entry exists and the desktop has not switched it off (its "Hidden=true" or
 * "X-GNOME-Autostart-enabled=false", as the desktops' own settings write them).
 */
bool LogonEntryEnabled(const std::string& entryId);

/** Writes the entry "<entryId>.desktop" starting command (a program path) with its one argument, if any. */
bool WriteLogonEntry(const std::string& entryId, const std::string& name, const std::string& program,
                     const std::string& argument = {}, bool runOnce = false);

bool DeleteLogonEntry(const std::string& entryId);

std::string LogonEntryFile(const std::string& entryId);

} // namespace platform
