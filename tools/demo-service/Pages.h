#pragma once

#include <string>
#include <vector>

namespace demo {

/** The feed code of the demo member, as the RSS-feeds page gives it. */
inline constexpr const char* MemberCode = "DEMO8015427";
inline constexpr const char* MemberName = "Demo Member";

/**
 * The ways the RSS-feeds page can look: the member's own page, and one for each way the
 * program's search for the code or the name must fail or fall back.
 */
const std::vector<std::string>& RssPageVariants();

/** The RSS-feeds page in one of its variants; an unknown variant gives the member's page. */
std::string RssFeedsPage(const std::string& variant);

/** The member's queue page, the one the options dialog's step 1 opens. */
std::string QueuePage(const std::vector<std::string>& titles);

} // namespace demo
