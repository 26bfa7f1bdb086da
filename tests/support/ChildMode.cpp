#include "support/ChildMode.h"

#include <cerrno>
#include <cstdlib>
#include <map>

#include <sys/wait.h>
#include <unistd.h>

namespace {
std::map<std::string, std::function<int()>>& Routines() {
    static std::map<std::string, std::function<int()>> routines;
    return routines;
}
} // namespace

bool RegisterChildMode(const std::string& name, std::function<int()> routine) {
    Routines()[name] = std::move(routine);
    return true;
}

int RunChildModeIfAsked() {
    const char* name = std::getenv("PLOTVANE_TEST_CHILD");
    if (!name)
        return -1;
    const auto it = Routines().find(name);
    return it == Routines().end() ? 125 : it->second();
}

pid_t StartChildMode(const std::string& name, void (*beforeExec)()) {
    ::setenv("PLOTVANE_TEST_CHILD", name.c_str(), 1);
    char self[] = "/proc/self/exe";
    char* const args[] = {self, nullptr};
    const pid_t child = ::fork();
    if (child == 0) {
        if (beforeExec)
            beforeExec();
        ::execv(self, args);
        ::_exit(127);
    }
    ::unsetenv("PLOTVANE_TEST_CHILD");
    return child;
}

int WaitForChild(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
