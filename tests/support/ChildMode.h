#pragma once

#include <functional>
#include <string>

/**
 * Work a test runs in a fresh process of the test binary: forking a process that has threads
 * and going on there is not safe, so such a test forks and at once executes itself again with
 * PLOTVANE_TEST_CHILD=<name>; the test main then runs the routine and exits with its result.
 */
bool RegisterChildMode(const std::string& name, std::function<int()> routine);

/** Runs the routine PLOTVANE_TEST_CHILD names, if any; returns -1 when there is none. */
int RunChildModeIfAsked();
