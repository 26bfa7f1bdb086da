#pragma once

#include <cstdint>
#include <string>

namespace platform {

/** A file's version words, as a version resource holds them. */
struct TFileVersion {
    std::uint32_t VersionMS = 0; // major << 16 | minor
    std::uint32_t VersionLS = 0; // release << 16 | build
};

/**
 * Reads the version note that our build writes into the executable ("Plotvane", type 1, two
 * 32-bit words). False for a file that is not an ELF file, has no such note, or is damaged;
 * never reads outside the file.
 */
bool ReadFileVersion(const std::string& path, TFileVersion& version);

} // namespace platform
