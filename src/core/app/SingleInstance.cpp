#include "core/app/SingleInstance.h"

#include "platform/InstanceLock.h"
#include "platform/MessagePort.h"
#include "platform/Paths.h"
#include "platform/Processes.h"

#include <algorithm>

namespace {
std::string OwnExeName() {
    return platform::ExtractFileName(platform::ExecutablePath());
}
} // namespace

TSingleInstance::TSingleInstance()
    : m_lock(std::make_unique<platform::TInstanceLock>(OwnExeName())) {
    if (m_lock->IsUsable())
        m_first = m_lock->IsFirst();
    else // no private folder for the lock: fall back on the process list alone
        m_first = platform::ProcessesByExeName(OwnExeName()).size() <= 1;
}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::BringRunningCopyForward() const {
    const std::vector<int> pids = platform::ProcessesByExeName(OwnExeName());
    const int self = platform::CurrentProcessId();
    int target = m_lock->OwnerPid();
    if (target == self || std::find(pids.begin(), pids.end(), target) == pids.end()) {
        auto other = std::find_if(pids.begin(), pids.end(), [self](int pid) { return pid != self; });
        target = other == pids.end() ? 0 : *other;
    }
    return target != 0 && platform::PostAppMessage(target, platform::WM_RESTORE_APP, 0, 0);
}
