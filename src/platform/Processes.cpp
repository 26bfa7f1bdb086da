#include "platform/Processes.h"

#include "platform/Paths.h"

#include <algorithm>
#include <climits>
#include <dirent.h>
#include <unistd.h>

namespace platform {

std::vector<int> ProcessesByExeName(const std::string& exeName) {
    std::vector<int> pids;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return pids;
    while (const dirent* entry = ::readdir(proc)) {
        const std::string name = entry->d_name;
        if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        char target[PATH_MAX];
        // Other users' processes cannot be read here, which keeps the decision per user.
        const ssize_t n = ::readlink(("/proc/" + name + "/exe").c_str(), target, sizeof target - 1);
        if (n <= 0)
            continue;
        std::string path(target, static_cast<std::size_t>(n));
        // A running program whose file was replaced (an update) still counts as that program.
        constexpr std::string_view Deleted = " (deleted)";
        if (path.ends_with(Deleted))
            path.resize(path.size() - Deleted.size());
        if (ExtractFileName(path) == exeName)
            pids.push_back(std::stoi(name));
    }
    ::closedir(proc);
    std::sort(pids.begin(), pids.end());
    return pids;
}

int CurrentProcessId() {
    return static_cast<int>(::getpid());
}

} // namespace platform
