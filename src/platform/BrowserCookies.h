#pragma once

#include <string>

namespace platform {

/**
 * The Cookie header value that the member's web browser would send with a request for url
 * ("name=value; name2=value2"), so that a page fetched by the program is the member's own.
 * Read from the default Firefox profile's cookie database; no profile, no database or an
 * unreadable one gives an empty text, never an error. Safe to call from any thread.
 */
std::string BrowserCookieHeader(const std::string& url);

/** The folder of the default Firefox profile, empty when there is none. */
std::string FirefoxProfileFolder();

} // namespace platform
