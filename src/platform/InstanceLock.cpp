#include "platform/InstanceLock.h"

#include "platform/Paths.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

int ReadPid(int fd) {
    char buffer[32] = {};
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (n <= 0)
        return 0;
    char* end = nullptr;
    const long pid = std::strtol(buffer, &end, 10);
    return (pid > 0 && pid < 1 << 30 && end && *end == '\n') ? static_cast<int>(pid) : 0;
}

} // namespace

TInstanceLock::TInstanceLock(const std::string& exeName) {
    const std::string path = RuntimeFolder() + "/" + exeName + ".instance";
    // Close-on-exec, so that a browser we start never inherits the lock and outlives us with it.
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return;
    m_usable = true;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
        m_first = true;
        const std::string pid = std::to_string(::getpid()) + "\n";
        // Written over the last owner's id, then cut to length: emptying the file first frees its
        // block, which a disk mounted with discard waits for at every start. A copy reading in
        // between still reads our id up to its line end.
        if (::pwrite(m_fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size()) ||
            ::ftruncate(m_fd, static_cast<off_t>(pid.size())) != 0)
            m_ownerPid = 0;
        return;
    }
    if (errno != EWOULDBLOCK) {
        m_usable = false;
        return;
    }
    // The running copy may have taken the lock an instant ago and not written its id yet.
    for (int attempt = 0; attempt < 40 && m_ownerPid == 0; ++attempt) {
        m_ownerPid = ReadPid(m_fd);
        if (m_ownerPid == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}

TInstanceLock::~TInstanceLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace platform
