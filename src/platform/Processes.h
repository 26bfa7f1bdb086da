#pragma once

#include <string>
#include <vector>

namespace platform {

/** Ids of this user's running processes whose executable file name equals exeName (case-sensitive), ascending. */
std::vector<int> ProcessesByExeName(const std::string& exeName);

int CurrentProcessId();

} // namespace platform
