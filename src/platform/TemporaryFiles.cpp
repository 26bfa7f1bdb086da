#include "platform/TemporaryFiles.h"

#include "platform/Paths.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
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

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Threads of one process replacing files at once each get a name of their own.
std::atomic<unsigned> g_nextTemporary{0};

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

TReplaceResult ReplaceWhole(const std::string& path, std::string_view bytes, std::string_view marker,
                            TDurability durability) {
    const std::string stem = OwnedTemporaryName(path, marker);
    std::string temp;
    int fd = -1;
    // A name can only be taken already by what an earlier process of the same id left.
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = stem + std::to_string(g_nextTemporary++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return {TReplaceOutcome::CannotReplace, errno};
    bool written = WriteAll(fd, bytes);
    if (written && durability == TDurability::Synced)
        written = ::fsync(fd) == 0;
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temp.c_str());
        return {TReplaceOutcome::WriteFailed, error};
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        error = errno;
        ::unlink(temp.c_str());
        return {TReplaceOutcome::CannotReplace, error};
    }
    if (durability == TDurability::Synced) {
        // The rename must reach the disk too, or a crash could bring back the old file.
        const std::string folder = ExtractFilePath(path);
        const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return {TReplaceOutcome::Replaced, 0};
}

} // namespace platform
