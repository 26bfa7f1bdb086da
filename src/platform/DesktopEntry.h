#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

/** Splits an Exec= value into arguments by the desktop-entry quoting rules; nullopt when malformed. */
std::optional<std::vector<std::string>> SplitDesktopExec(const std::string& exec);

/** Quotes one argument for an Exec= value. */
std::string QuoteDesktopExecArg(const std::string& arg);

/** The value of key in the [Desktop Entry] group of a desktop file; nullopt when absent or unreadable. */
std::optional<std::string> ReadDesktopEntryValue(const std::string& file, const std::string& key);

/** Looks a desktop file id ("firefox-esr.desktop") up in the XDG data folders; empty when not found. */
std::string FindDesktopFile(const std::string& desktopId);

} // namespace platform
