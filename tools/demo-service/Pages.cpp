#include "Pages.h"

namespace demo {
namespace {

std::string FeedLink(const std::string& feed, const std::string& code, const std::string& caption) {
    return "<li><a href=\"http://rss.netflix.com/" + feed + "?id=" + code + "\">" + caption + "</a></li>\n";
}

std::string Header(const std::string& signedIn, const std::string& welcome) {
    std::string html = "<div id=\"header\"><a href=\"http://www.netflix.com/\">Home</a>\n";
    html += "<a href=\"http://www.netflix.com/YourAccount\" onmouseover=\"window.status='Signed in as " + signedIn +
            "';return true\" onmouseout=\"window.status='';return true\">Your Account</a>\n";
    html += "<div style=\"padding-top:2px\">Welcome, " + welcome + "</div></div>\n";
    return html;
}

std::string Page(const std::string& header, const std::string& personal) {
    return "<html><head><title>RSS Feeds</title></head><body>\n" + header +
           "<h1>RSS Feeds</h1>\n<h2>Public feeds</h2><ul>\n" +
           "<li><a href=\"http://rss.netflix.com/Top100RSS\">Top 100</a></li>\n"
           "<li><a href=\"http://rss.netflix.com/NewReleasesRSS\">New releases</a></li>\n</ul>\n" +
           "<h2>Personal feeds</h2>\n" + personal + "</body></html>\n";
}

std::string PersonalFeeds(const std::string& queueCode, const std::string& trackingCode) {
    return "<ul>\n" + FeedLink("QueueRSS", queueCode, "Your queue") +
           FeedLink("TrackingRSS", trackingCode, "Your rental activity") + "</ul>\n";
}

} // namespace

const std::vector<std::string>& RssPageVariants() {
    static const std::vector<std::string> variants{
        "member", "signed-out", "different-codes", "tracking-first", "names-different", "names-missing", "names-empty"};
    return variants;
}

std::string RssFeedsPage(const std::string& variant) {
    const std::string code = MemberCode;
    const std::string own = Header(MemberName, MemberName);
    if (variant == "signed-out")
        return Page("<div id=\"header\"><a href=\"http://www.netflix.com/Login\">Sign in</a></div>\n",
                    "<p>Sign in to see the feeds of your queue and your rental activity.</p>\n");
    if (variant == "different-codes")
        return Page(own, PersonalFeeds(code, code.substr(0, code.size() - 1) + "8"));
    if (variant == "tracking-first")
        return Page(own, "<ul>\n" + FeedLink("TrackingRSS", code, "Your rental activity") +
                             FeedLink("QueueRSS", code, "Your queue") + "</ul>\n");
    if (variant == "names-different")
        return Page(Header(MemberName, "Someone Else"), PersonalFeeds(code, code));
    if (variant == "names-missing")
        return Page("<div id=\"header\"><div style=\"padding-top:2px\">Welcome back</div></div>\n",
                    PersonalFeeds(code, code));
    if (variant == "names-empty")
        return Page(Header("", ""), PersonalFeeds(code, code));
    return Page(own, PersonalFeeds(code, code));
}

std::string QueuePage(const std::vector<std::string>& titles) {
    std::string rows;
    for (std::size_t i = 0; i < titles.size(); ++i)
        rows += "<tr><td>" + std::to_string(i + 1) + "</td><td>" + titles[i] + "</td></tr>\n";
    return "<html><head><title>Your Queue</title></head><body>\n" + Header(MemberName, MemberName) +
           "<h1>Your Queue</h1>\n<table>\n" + rows + "</table>\n</body></html>\n";
}

} // namespace demo
