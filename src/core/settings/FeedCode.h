#pragma once

#include <string>
#include <string_view>

/** What the service's RSS-feeds page tells about the member looking at it. */
struct TFeedCodeFind {
    bool Found = false;
    /** The code both feed links carry; empty when none was found. */
    std::string Code;
    /** The member's name, when the page names them twice alike; otherwise "unknown". */
    std::string UserName = "unknown";
};

/** The address of the page that lists the member's personal feeds. */
std::string FeedsPageUrl();

/**
 * Takes the feed code out of the RSS-feeds page: the first queue-feed link, and the first
 * tracking-feed link after it, must carry the same code. Reads the member's name from the
 * "Signed in as" and "Welcome, " texts. Searches exactly, case-sensitively, never past the end.
 */
TFeedCodeFind ScrapeFeedCode(std::string_view page);
