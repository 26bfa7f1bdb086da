#pragma once

#include <QTemporaryDir>

#include <map>
#include <optional>
#include <string>

/**
 * A throw-away member profile: HOME, the XDG folders, XDG_RUNTIME_DIR (0700) and TMPDIR point
 * into a fresh temporary folder while the object lives, so no test touches the real profile.
 */
class TTempProfile final {
public:
    TTempProfile();
    ~TTempProfile();
    TTempProfile(const TTempProfile&) = delete;
    TTempProfile& operator=(const TTempProfile&) = delete;

    std::string Home() const;
    std::string Path(const std::string& relative) const { return Home() + "/" + relative; }
    std::string RegistryFile() const { return Path(".config/Plotvane/registry.reg"); }

    /** A member's whole set of settings with this feed code, the rest at their defaults. */
    void WriteMemberSettings(const std::string& feedCode) const;
    /** Sets a variable for the profile's lifetime (restored afterwards). */
    void SetEnv(const char* name, const std::string& value);

private:
    QTemporaryDir m_dir;
    std::map<std::string, std::optional<std::string>> m_saved;
};

/** Writes bytes to a file, creating its folders. */
void WriteFile(const std::string& path, const std::string& bytes, unsigned mode = 0644);
std::string ReadFile(const std::string& path);
