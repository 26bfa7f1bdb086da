#include "platform/SharedLibrary.h"

#include <dlfcn.h>
#include <link.h>

namespace platform {

TSharedLibrary::TSharedLibrary(const std::string& name) {
    // Never unloaded (a library's threads and atexit handlers may outlive any owner of ours), its
    // symbols kept to itself (nothing of the program binds to them by accident), and its
    // functions bound as they are first called: most of what it and its libraries offer is
    // never called at all.
    m_handle = ::dlopen(name.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
    if (!m_handle) {
        const char* error = ::dlerror();
        m_error = error ? error : "unknown error";
    }
}

void* TSharedLibrary::Symbol(const char* name) const {
    return m_handle ? ::dlsym(m_handle, name) : nullptr;
}

bool IsLibraryLoaded(const std::string& nameContains) {
    struct TSearch {
        const std::string* Text;
        bool Found = false;
    } search{&nameContains};
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto* s = static_cast<TSearch*>(data);
            if (info->dlpi_name && std::string(info->dlpi_name).find(*s->Text) != std::string::npos)
                s->Found = true;
            return s->Found ? 1 : 0;
        },
        &search);
    return search.Found;
}

} // namespace platform
