#pragma once

#include <functional>
#include <string>

#include <sys/types.h>

/**
 * Work a test runs in a fresh process of the test binary: forking a process that has threads
 * and going on there is not safe, so such a test forks and at once executes itself again with
 * PLOTVANE_TEST_CHILD=<name>; the test main then runs the routine and exits with its result.
 */
bool RegisterChildMode(const std::string& name, std::function<int()> routine);

/** Runs the routine PLOTVANE_TEST_CHILD names, if any; returns -1 when there is none. */
int RunChildModeIfAsked();

/**
 * Starts this test binary again in the named mode and returns its process id. beforeExec runs
 * in the child between fork and exec, so it may only do what is safe there (setrlimit, signal).
 */
pid_t StartChildMode(const std::string& name, void (*beforeExec)() = nullptr);

/** Waits for a child; its exit code, or 128 + the signal that ended it. */
int WaitForChild(pid_t child);
