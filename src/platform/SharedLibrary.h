#pragma once

#include <string>

namespace platform {

/**
 * A shared library loaded when it is first needed rather than at the program's start, and kept
 * until the program ends. Loading one with a large tree of its own (libcurl brings TLS,
 * Kerberos, LDAP and more) costs a start tens of percent; most starts need it only after the
 * window is up.
 */
class TSharedLibrary final {
public:
    /** Loads the library by its file name (a soname such as "libcurl.so.4"); Loaded() says whether it did. */
    explicit TSharedLibrary(const std::string& name);
    TSharedLibrary(const TSharedLibrary&) = delete;
    TSharedLibrary& operator=(const TSharedLibrary&) = delete;

    bool Loaded() const { return m_handle != nullptr; }
    /** Why it did not load. */
    const std::string& Error() const { return m_error; }
    /** The address of a function of the library; nullptr when it has none by that name. */
    void* Symbol(const char* name) const;

private:
    void* m_handle = nullptr;
    std::string m_error;
};

/** Whether a library whose file name contains the text is loaded into this process now. */
bool IsLibraryLoaded(const std::string& nameContains);

} // namespace platform
