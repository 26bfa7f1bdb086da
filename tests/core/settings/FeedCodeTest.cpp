#include "core/settings/FeedCode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string QueueLink(const std::string& code) {
    return "<a href=\"http://rss.netflix.com/QueueRSS?id=" + code + "\">Queue</a>";
}
std::string TrackingLink(const std::string& code) {
    return "<a href=\"http://rss.netflix.com/TrackingRSS?id=" + code + "\">Tracking</a>";
}
std::string SignedIn(const std::string& name) {
    return "<a onmouseover=\"window.status='Signed in as " + name + "';return true\">Account</a>";
}
std::string Welcome(const std::string& name) {
    return "<div style=\"padding-top:2px\">Welcome, " + name + "</div>";
}

std::string MemberPage(const std::string& queue, const std::string& tracking, const std::string& names = {}) {
    return "<html><body>" + names + "<p>Personal feeds</p>" + QueueLink(queue) + "<br>" + TrackingLink(tracking) +
           "</body></html>";
}

TEST(FeedCodeTest, EqualCodesInBothLinksAreFound) {
    const TFeedCodeFind find = ScrapeFeedCode(MemberPage("P4F2A9C01", "P4F2A9C01"));
    EXPECT_TRUE(find.Found);
    EXPECT_EQ(find.Code, "P4F2A9C01");
    EXPECT_EQ(find.UserName, "unknown");
}

TEST(FeedCodeTest, CodesThatDifferOrAreMissingFail) {
    EXPECT_FALSE(ScrapeFeedCode(MemberPage("P4F2A9C01", "P4F2A9C02")).Found);
    EXPECT_FALSE(ScrapeFeedCode("<html><body>Sign in to see your feeds</body></html>").Found);
    EXPECT_FALSE(ScrapeFeedCode("").Found);
    // The tracking link is looked for only after the queue link.
    EXPECT_FALSE(ScrapeFeedCode(TrackingLink("P1") + QueueLink("P1")).Found);
    // A queue link that never closes names no code.
    EXPECT_FALSE(ScrapeFeedCode("<a href=\"http://rss.netflix.com/QueueRSS?id=P1").Found);
    // Another host's feed links are not the member's.
    EXPECT_FALSE(ScrapeFeedCode("<a href=\"http://rss.example.com/QueueRSS?id=P1\">q</a>"
                                "<a href=\"http://rss.example.com/TrackingRSS?id=P1\">t</a>")
                     .Found);
    // Searches are exact: an upper-case tag is not an anchor.
    EXPECT_FALSE(ScrapeFeedCode("<A HREF=\"http://rss.netflix.com/QueueRSS?id=P1\">" + TrackingLink("P1")).Found);
}

TEST(FeedCodeTest, OnlyTheFirstLinksCount) {
    // A second, matching pair later on does not rescue a first pair that differs.
    const std::string page = QueueLink("A1") + TrackingLink("B2") + QueueLink("C3") + TrackingLink("C3");
    EXPECT_FALSE(ScrapeFeedCode(page).Found);
    // The first queue link pairs with the first tracking link after it.
    const TFeedCodeFind find = ScrapeFeedCode(TrackingLink("Z9") + QueueLink("C3") + TrackingLink("C3"));
    EXPECT_TRUE(find.Found);
    EXPECT_EQ(find.Code, "C3");
}

TEST(FeedCodeTest, UnclosedTrackingLinkComparesAsManyCharactersAsTheQueueCode) {
    const std::string start = QueueLink("ABCD") + "<a href=\"http://rss.netflix.com/TrackingRSS?id=";
    EXPECT_TRUE(ScrapeFeedCode(start + "ABCDEFG").Found);
    EXPECT_EQ(ScrapeFeedCode(start + "ABCDEFG").Code, "ABCD");
    // Fewer characters where the page ends: not equal.
    EXPECT_FALSE(ScrapeFeedCode(start + "ABC").Found);
}

TEST(FeedCodeTest, EmptyCodesAreNotAFind) {
    const TFeedCodeFind find = ScrapeFeedCode(MemberPage("", "", SignedIn("Ann") + Welcome("Ann")));
    EXPECT_FALSE(find.Found);
    EXPECT_EQ(find.Code, "");
}

TEST(FeedCodeTest, MemberNameNeedsBothTextsAlike) {
    EXPECT_EQ(ScrapeFeedCode(MemberPage("P1", "P1", SignedIn("Ann Lee") + Welcome("Ann Lee"))).UserName, "Ann Lee");
    EXPECT_EQ(ScrapeFeedCode(MemberPage("P1", "P1", SignedIn("Ann") + Welcome("Bob"))).UserName, "unknown");
    EXPECT_EQ(ScrapeFeedCode(MemberPage("P1", "P1", Welcome("Ann"))).UserName, "unknown");
    EXPECT_EQ(ScrapeFeedCode(MemberPage("P1", "P1", SignedIn("Ann"))).UserName, "unknown");
    // The welcome text counts only after the sign-in text.
    EXPECT_EQ(ScrapeFeedCode(MemberPage("P1", "P1", Welcome("Ann") + SignedIn("Ann"))).UserName, "unknown");
    // Both present and both empty: the name is empty, which asks about the code instead.
    EXPECT_EQ(ScrapeFeedCode(MemberPage("P1", "P1", SignedIn("") + Welcome(""))).UserName, "");
}

TEST(FeedCodeTest, MemberNameTextsCutShort) {
    // No "';" after the sign-in text: the first name is empty, and the welcome text is looked for
    // from near the start of the page, so an empty welcome name anywhere matches it.
    const std::string unclosed = "<a onmouseover=\"window.status='Signed in as Ann\">";
    EXPECT_EQ(ScrapeFeedCode("<p>" + Welcome("") + MemberPage("P1", "P1", unclosed)).UserName, "");
    // From position 2 on: a welcome text at the very first character is not seen.
    EXPECT_EQ(ScrapeFeedCode(Welcome("") + MemberPage("P1", "P1", unclosed)).UserName, "unknown");
    EXPECT_EQ(ScrapeFeedCode(MemberPage("P1", "P1", unclosed + Welcome("Ann"))).UserName, "unknown");
    // A welcome text without its "</div>" gives an empty second name.
    const std::string page = MemberPage("P1", "P1", SignedIn("") + "<div style=\"padding-top:2px\">Welcome, Ann");
    EXPECT_EQ(ScrapeFeedCode(page).UserName, "");
}

TEST(FeedCodeTest, NoNameLookupWithoutACode) {
    EXPECT_EQ(ScrapeFeedCode(SignedIn("Ann") + Welcome("Ann")).UserName, "unknown");
}

} // namespace
