#pragma once

#include <string>
#include <string_view>

namespace platform {

/**
 * The start of a temporary name beside path that tells which process writes it: path, marker,
 * this process's id and "-". The caller may add to it.
 */
std::string OwnedTemporaryName(const std::string& path, std::string_view marker);

/**
 * Removes the files in folder named by OwnedTemporaryName for a process that no longer runs:
 * what a process killed in the middle of a write left. Returns how many went.
 */
int RemoveOrphanedTemporaries(const std::string& folder, std::string_view marker);

} // namespace platform
