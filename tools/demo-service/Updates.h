#pragma once

#include <cstdint>
#include <string>

namespace demo {

/** The version the demo's update server offers as new. */
inline constexpr std::uint32_t NewerVersion = 0x01000100; // 1.0.1.0

/**
 * The update server's answer: "same" offers the version that is installed, "newer" a newer one
 * (compressed), "newer-stored" the same uncompressed, "broken" a newer one whose checksum is wrong.
 */
std::string UpdateAnswerFor(const std::string& variant);

/** The demo installer: a shell script that records, in the folder it runs from, that it ran. */
std::string InstallerScript();

} // namespace demo
