#include "support/FileFaults.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

} // namespace

TReadOnlyFolder::TReadOnlyFolder(std::string path)
    : m_path(std::move(path)) {
    if (::geteuid() != 0) {
        if (::chmod(m_path.c_str(), 0555) == 0)
            m_how = THow::Permissions;
    } else if (SetImmutable(m_path, true)) {
        m_how = THow::Immutable;
    }
}

TReadOnlyFolder::~TReadOnlyFolder() {
    if (m_how == THow::Permissions)
        ::chmod(m_path.c_str(), 0755);
    else if (m_how == THow::Immutable)
        SetImmutable(m_path, false);
}

bool MountSmallDisk(const std::string& path, long bytes) {
    if (::unshare(CLONE_NEWNS) != 0)
        return false;
    // Nothing mounted here may show in the namespace the process came from.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return false;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    return ::mount("tmpfs", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}
