// The registry file and the "WindowFlags" record read from it.
#include "core/settings/WindowPlacement.h"
#include "platform/RegFile.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const platform::TRegParseResult parsed = platform::ParseRegFile(text);
    // What was read must survive being written and read again.
    const std::string written = platform::FormatRegFile(parsed.Data);
    if (!(platform::ParseRegFile(written).Data == parsed.Data))
        __builtin_trap();
    DecodeWindowFlags(text);
    return 0;
}
