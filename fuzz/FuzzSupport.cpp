#include "FuzzSupport.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace fuzz {

std::string WriteInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && dir[0] ? dir : "/tmp") + "/plotvane-fuzz-" + std::to_string(::getpid());
    }();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

} // namespace fuzz

// Qt classes in the targets want an application object; one for the whole run.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}
