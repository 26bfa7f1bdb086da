#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

/** Writes the input to this process's scratch file (for readers that take a path) and returns its path. */
std::string WriteInput(const std::uint8_t* data, std::size_t size);

} // namespace fuzz
