// The program's version, where the update checker and the About box read it: an ELF note that
// any copy of the executable carries, found without running it.
#include <cstdint>

namespace {

struct TVersionNote {
    std::uint32_t NameSize;
    std::uint32_t DescSize;
    std::uint32_t Type;
    char Name[12];           // "Plotvane" and its terminator, padded to four bytes
    std::uint32_t VersionMS; // major << 16 | minor
    std::uint32_t VersionLS; // release << 16 | build
};

} // namespace

extern "C" __attribute__((section(".note.plotvane.version"), used, aligned(4)))
const TVersionNote plotvane_version_note = {9,
                                            8,
                                            1,
                                            "Plotvane",
                                            PLOTVANE_VERSION_MAJOR << 16 | PLOTVANE_VERSION_MINOR,
                                            PLOTVANE_VERSION_RELEASE << 16 | PLOTVANE_VERSION_BUILD};
