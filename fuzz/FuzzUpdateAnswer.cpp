// The update server's answer, and the status record kept in the registry.
#include "core/update/UpdateFormats.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TUpdateAnswer answer;
    try {
        ParseAnswer(bytes, answer);
    } catch (const EBadDecompression&) {
    }
    TUpdateStatus status;
    if (ReadStatusRecord(bytes, status) && WriteStatusRecord(status).size() > bytes.size())
        __builtin_trap(); // a record read back never grows
    return 0;
}
