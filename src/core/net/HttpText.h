#pragma once

#include <cctype>
#include <cstdint>
#include <limits>
#include <string_view>

/** Reading the text of HTTP response headers, shared by both of the program's HTTP clients. */
namespace httptext {

/** Whether s starts with prefix, ignoring the case of s (prefix is lower case). */
inline bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i])
            return false;
    return true;
}

/** The decimal number at the start of value (after blanks); -1 when there is none or it overflows. */
inline std::int64_t LeadingNumber(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    std::int64_t n = 0;
    std::size_t digits = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            break;
        if (n > (std::numeric_limits<std::int64_t>::max() - 9) / 10)
            return -1;
        n = n * 10 + (c - '0');
        ++digits;
    }
    return digits ? n : -1;
}

} // namespace httptext
