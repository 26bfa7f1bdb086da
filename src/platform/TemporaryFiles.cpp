#include "platform/TemporaryFiles.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <unistd.h>

namespace platform {

namespace {

bool ProcessRuns(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// The id in "<name><marker><id>-<anything>", or 0 when the name is not of that form.
pid_t OwnerOf(std::string_view name, std::string_view marker) {
    const std::size_t at = name.rfind(marker);
    if (at == std::string_view::npos)
        return 0;
    pid_t pid = 0;
    std::size_t i = at + marker.size();
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        if (pid > 99999999)
            return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    return i < name.size() && name[i] == '-' ? pid : 0;
}

} // namespace

std::string OwnedTemporaryName(const std::string& path, std::string_view marker) {
    return path + std::string(marker) + std::to_string(::getpid()) + "-";
}

int RemoveOrphanedTemporaries(const std::string& folder, std::string_view marker) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return 0;
    std::string base = folder;
    if (!base.empty() && base.back() != '/')
        base.push_back('/');
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = OwnerOf(entry->d_name, marker);
        if (owner > 0 && owner != ::getpid() && !ProcessRuns(owner) && ::unlink((base + entry->d_name).c_str()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

} // namespace platform
