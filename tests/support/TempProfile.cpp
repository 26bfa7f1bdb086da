#include "support/TempProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

TTempProfile::TTempProfile()
    // Short, so that socket paths below it stay within the 108 characters a socket address holds.
    : m_dir(QStringLiteral("/tmp/pvt-XXXXXX")) {
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary profile");
    const std::string home = Home();
    for (const char* sub : {"/.config", "/.local/share", "/.cache", "/run", "/tmp"})
        QDir().mkpath(QString::fromStdString(home + sub));
    ::chmod((home + "/run").c_str(), 0700);
    SetEnv("HOME", home);
    SetEnv("XDG_CONFIG_HOME", home + "/.config");
    SetEnv("XDG_DATA_HOME", home + "/.local/share");
    SetEnv("XDG_CACHE_HOME", home + "/.cache");
    SetEnv("XDG_RUNTIME_DIR", home + "/run");
    SetEnv("TMPDIR", home + "/tmp");
}

TTempProfile::~TTempProfile() {
    for (const auto& [name, value] : m_saved) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

std::string TTempProfile::Home() const {
    return m_dir.path().toStdString();
}

void TTempProfile::SetEnv(const char* name, const std::string& value) {
    if (!m_saved.count(name)) {
        const char* old = std::getenv(name);
        m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    ::setenv(name, value.c_str(), 1);
}

void WriteFile(const std::string& path, const std::string& bytes, unsigned mode) {
    QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    ::chmod(path.c_str(), mode);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void TTempProfile::WriteMemberSettings(const std::string& feedCode) const {
    WriteFile(RegistryFile(),
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Plotvane\\Config]\n"
              "\"Movies in queue\"=dword:00000002\n\"Check for new movies\"=dword:00000002\n"
              "\"Update interval\"=dword:00000002\n\"NetFlixID\"=\"" +
                  feedCode +
                  "\"\n\"Minimize on run\"=dword:00000000\n"
                  "\"Auto startup\"=dword:00000000\n\"NLFA\"=hex:00,00,00,00,00,00,00,00\n\n");
}
