#pragma once

#include <optional>

namespace platform {

/** Whether the machine has a way out: a non-loopback interface is up, or a proxy is configured. */
bool IsNetworkUp();

/** Makes IsNetworkUp answer a fixed value; nullopt restores the real test. For tests. */
void SetNetworkUpForTests(std::optional<bool> up);

} // namespace platform
