#pragma once

#include <memory>

namespace platform {
class TInstanceLock;
}

/**
 * The one-copy rule: the first copy of the program for this member runs; a later one asks
 * it to come forward and ends. The decision is atomic, so two copies started together never
 * both run and never both end.
 */
class TSingleInstance final {
public:
    TSingleInstance();
    ~TSingleInstance();

    bool IsFirstCopy() const { return m_first; }

    /** Posts message 1025 to the running copy's windows; false when no copy could be reached. */
    bool BringRunningCopyForward() const;

private:
    std::unique_ptr<platform::TInstanceLock> m_lock;
    bool m_first = true;
};
