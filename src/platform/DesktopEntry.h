#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

/** Splits an Exec= value into arguments by the desktop-entry quoting rules; nullopt when malformed. */
std::optional<std::vector<std::string>> SplitDesktopExec(const std::string& exec);

/** Quotes one argument for an Exec= value. */
std::string QuoteDesktopExecArg(const std::string& arg);

/**
 * Joins arguments into an Exec= value: each quoted where it must be, field codes ("%u") left
 * bare so that they still expand.
 */
std::string JoinDesktopExec(const std::vector<std::string>& args);

/**
 * The command an Exec= value runs for one address: the arguments split by the quoting rules,
 * "%u", "%U", "%f" and "%F" outside quotes replaced by the address, the other field codes
 * dropped, and the address added at the end when no field code asked for it. nullopt when the
 * value is malformed or names no program.
 */
std::optional<std::vector<std::string>> ExpandDesktopExec(const std::string& exec, const std::string& url);

/** A value as a desktop file stores it: backslash, newline, tab and carriage return escaped. */
std::string EscapeDesktopValue(const std::string& value);

/** The value that the escaped text of a desktop file stands for: \s, \n, \t, \r and \\ undone. */
std::string UnescapeDesktopValue(const std::string& text);

/**
 * The value of key in the [Desktop Entry] group of a desktop file, unescaped; nullopt when absent
 * or unreadable.
 */
std::optional<std::string> ReadDesktopEntryValue(const std::string& file, const std::string& key);

/** Looks a desktop file id ("firefox-esr.desktop") up in the XDG data folders; empty when not found. */
std::string FindDesktopFile(const std::string& desktopId);

} // namespace platform
