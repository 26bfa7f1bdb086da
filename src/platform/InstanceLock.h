#pragma once

#include <string>

namespace platform {

/**
 * Decides, atomically, whether this is the first running copy of a program for this user.
 * The first copy holds an advisory lock for its whole life; the kernel drops it when the
 * process ends, however it ends.
 */
class TInstanceLock final {
public:
    explicit TInstanceLock(const std::string& exeName);
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    /** False when the lock could not even be created; the caller then decides some other way. */
    bool IsUsable() const { return m_usable; }
    bool IsFirst() const { return m_first; }
    /** For a later copy: the process id the running copy recorded, 0 when unknown. */
    int OwnerPid() const { return m_ownerPid; }

private:
    int m_fd = -1;
    bool m_usable = false;
    bool m_first = false;
    int m_ownerPid = 0;
};

} // namespace platform
