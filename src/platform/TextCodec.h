#pragma once

#include <string>
#include <string_view>

namespace platform {

/** UTF-16LE bytes to UTF-8; unpaired surrogates become U+FFFD. An odd trailing byte is dropped. */
std::string Utf16LeToUtf8(std::string_view bytes);

/** UTF-8 to UTF-16LE bytes; malformed sequences become U+FFFD. */
std::string Utf8ToUtf16Le(std::string_view text);

/** Appends the UTF-8 form of a code point; values outside Unicode become U+FFFD. */
void AppendUtf8(std::string& out, char32_t cp);

} // namespace platform
