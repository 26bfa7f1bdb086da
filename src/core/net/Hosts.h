#pragma once

#include <string_view>

/** The hosts the program talks to; every address is formed from these. */
namespace hosts {

inline constexpr std::string_view ServiceRss = "http://rss.netflix.com";
inline constexpr std::string_view ServiceWeb = "http://www.netflix.com";
inline constexpr std::string_view ServiceImages = "http://cdn-0.nflximg.com";
inline constexpr std::string_view VendorWeb = "http://www.plotvane.example";
inline constexpr std::string_view VendorUpdate = "http://update.plotvane.example";
inline constexpr std::string_view BugReportMail = "bugs@plotvane.example";

} // namespace hosts
