#include "core/settings/FeedCode.h"

#include "core/net/Hosts.h"

namespace {

constexpr std::string_view LinkEnd = "\">";
constexpr std::string_view SignedIn = "onmouseover=\"window.status='Signed in as ";
constexpr std::string_view SignedInEnd = "';";
constexpr std::string_view Welcome = "<div style=\"padding-top:2px\">Welcome, ";
constexpr std::string_view WelcomeEnd = "</div>";

std::string Anchor(std::string_view feedPath) {
    return "<a href=\"" + std::string(hosts::ServiceRss) + std::string(feedPath);
}

// The text from `from` up to the next `end`; nullopt-like npos in `endAt` when there is none.
std::string_view Between(std::string_view page, std::size_t from, std::string_view end, std::size_t& endAt) {
    endAt = page.find(end, from);
    return endAt == std::string_view::npos ? std::string_view() : page.substr(from, endAt - from);
}

std::string MemberName(std::string_view page) {
    const std::size_t signedIn = page.find(SignedIn);
    if (signedIn == std::string_view::npos)
        return "unknown";
    std::size_t nameEnd = 0;
    const std::string_view first = Between(page, signedIn + SignedIn.size(), SignedInEnd, nameEnd);
    // Without the closing "';" the welcome text is looked for almost from the page's start.
    const std::size_t from = nameEnd == std::string_view::npos ? 1 : nameEnd + SignedInEnd.size();
    const std::size_t welcome = page.find(Welcome, from);
    if (welcome == std::string_view::npos)
        return "unknown";
    std::size_t welcomeEnd = 0;
    const std::string_view second = Between(page, welcome + Welcome.size(), WelcomeEnd, welcomeEnd);
    return first == second ? std::string(first) : "unknown";
}

} // namespace

std::string FeedsPageUrl() {
    return std::string(hosts::ServiceWeb) + "/RSSFeeds?lnkctr=mfRSS";
}

TFeedCodeFind ScrapeFeedCode(std::string_view page) {
    TFeedCodeFind result;
    const std::string queueAnchor = Anchor("/QueueRSS?id=");
    const std::string trackingAnchor = Anchor("/TrackingRSS?id=");

    const std::size_t queue = page.find(queueAnchor);
    if (queue == std::string_view::npos)
        return result;
    std::size_t queueEnd = 0;
    const std::string_view first = Between(page, queue + queueAnchor.size(), LinkEnd, queueEnd);
    if (queueEnd == std::string_view::npos)
        return result;
    const std::size_t tracking = page.find(trackingAnchor, queueEnd + LinkEnd.size());
    if (tracking == std::string_view::npos)
        return result;
    const std::size_t codeAt = tracking + trackingAnchor.size();
    std::size_t trackingEnd = 0;
    std::string_view second = Between(page, codeAt, LinkEnd, trackingEnd);
    if (trackingEnd == std::string_view::npos)
        second = page.substr(codeAt, first.size());
    // Two empty links name no member: finding "nothing" must not read as success, or a Yes
    // would wipe a working code from the edit.
    if (first != second || first.empty())
        return result;
    result.Found = true;
    result.Code = std::string(first);
    result.UserName = MemberName(page);
    return result;
}
