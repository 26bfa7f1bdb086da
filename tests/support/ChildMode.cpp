#include "support/ChildMode.h"

#include <cstdlib>
#include <map>

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
