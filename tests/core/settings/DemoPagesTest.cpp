#include "core/settings/FeedCode.h"

#include "Pages.h"

#include <gtest/gtest.h>

// The demo service's RSS-feeds page shows each case the options dialog must handle; the end-to-end
// runs depend on each variant meaning what its name says.
TEST(DemoPages, EachVariantGivesItsCase) {
    struct TCase {
        const char* Variant;
        bool Found;
        const char* UserName;
    };
    const TCase cases[] = {{"member", true, demo::MemberName},
                           {"signed-out", false, "unknown"},
                           {"different-codes", false, "unknown"},
                           {"tracking-first", false, "unknown"},
                           {"names-different", true, "unknown"},
                           {"names-missing", true, "unknown"},
                           {"names-empty", true, ""}};
    ASSERT_EQ(std::size(cases), demo::RssPageVariants().size());
    for (const TCase& c : cases) {
        const TFeedCodeFind find = ScrapeFeedCode(demo::RssFeedsPage(c.Variant));
        EXPECT_EQ(find.Found, c.Found) << c.Variant;
        EXPECT_EQ(find.Code, c.Found ? demo::MemberCode : "") << c.Variant;
        EXPECT_EQ(find.UserName, c.UserName) << c.Variant;
    }
}
