#pragma once

#include <cstdint>

namespace netlimits {

/**
 * The most one answer may hold in memory. The largest answers the program reads are the
 * member's feeds: a queue of the service's 500 titles is about 0.4 MB, and movie pages and
 * box-art pictures are far smaller. 32 MiB leaves eighty times that, and still bounds what a
 * broken or hostile server can make the program keep.
 */
inline constexpr std::int64_t MaxBodyInMemory = std::int64_t{32} << 20;

/**
 * The most a download to a file may write: an installer is a few MB, and a server that never
 * stops sending must not fill the member's disk.
 */
inline constexpr std::int64_t MaxBodyToFile = std::int64_t{512} << 20;

} // namespace netlimits
