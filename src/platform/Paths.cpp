#include "platform/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && home[0])
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return {};
}

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    // The XDG base directory rules say relative paths are invalid and must be ignored.
    if (value && value[0] == '/')
        return value;
    return fallback;
}

std::string StripTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string UnderHome(const char* relative) {
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + relative;
}

} // namespace

std::string AppDataFolder() {
    // A fresh account may not have the folder yet; the base directory rules say to create it.
    const std::string folder = StripTrailingSlash(EnvOr("XDG_DATA_HOME", UnderHome("/.local/share")));
    return ForceDirectories(folder) ? folder : std::string();
}

std::string ConfigFolder() {
    return StripTrailingSlash(EnvOr("XDG_CONFIG_HOME", UnderHome("/.config")));
}

std::string TempPath() {
    std::string path = EnvOr("TMPDIR", "/tmp");
    if (path.back() != '/')
        path.push_back('/');
    return path;
}

namespace {

// A folder of ours that no one else can enter: made 0700 with its parents, refused when it is a
// link, not a folder, or someone else's; one of ours left open to others is closed.
std::string PrivateFolder(const std::string& path) {
    if (path.empty() || !ForceDirectories(path))
        return {};
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
        return {};
    if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0)
        return {};
    return path;
}

std::string CacheFolder() {
    return StripTrailingSlash(EnvOr("XDG_CACHE_HOME", UnderHome("/.cache")));
}

} // namespace

std::string RuntimeFolder() {
    std::string runtime = EnvOr("XDG_RUNTIME_DIR", {});
    if (!runtime.empty() && DirectoryExists(runtime))
        return StripTrailingSlash(runtime);
    // Without a runtime folder, a private one under /tmp. Another user may have taken its name
    // to keep the program from starting: then one in the member's own cache folder.
    if (std::string folder = PrivateFolder("/tmp/plotvane-" + std::to_string(getuid())); !folder.empty())
        return folder;
    const std::string cache = CacheFolder();
    return PrivateFolder(cache.empty() ? std::string() : cache + "/Plotvane/run");
}

std::string DownloadFolder() {
    const std::string cache = CacheFolder();
    const std::string folder = PrivateFolder(cache.empty() ? std::string() : cache + "/Plotvane");
    return folder.empty() ? std::string() : folder + "/";
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::int64_t maxBytes) {
    // Non-blocking: opening a FIFO for reading would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::optional<std::string> bytes;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= maxBytes) {
        bytes.emplace();
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 || static_cast<std::int64_t>(bytes->size()) + n > maxBytes) {
                bytes.reset();
                break;
            }
            if (n == 0)
                break;
            bytes->append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return bytes;
}

bool IsOwnRegularFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid();
}

bool IsRegularFileOrAbsent(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT;
    return S_ISREG(st.st_mode);
}

bool RemoveFileOrLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT;
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        return false;
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string ExtractFilePath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::int64_t FileLength(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos && name.find('\0') == std::string::npos;
}

bool IsExecutableFile(const std::string& path) {
    return FileExists(path) && ::access(path.c_str(), X_OK) == 0;
}

std::string FindProgram(const std::string& name) {
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return IsExecutableFile(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    const std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        // An empty element is the working folder, which a logon entry never means.
        if (end > start) {
            std::string candidate = folders.substr(start, end - start) + "/" + name;
            if (IsExecutableFile(candidate))
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

bool MarkExecutable(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IXUSR) == 0;
}

bool ForceDirectories(const std::string& path) {
    std::string folder = StripTrailingSlash(path);
    if (folder.empty() || DirectoryExists(folder))
        return !folder.empty();
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
        ::mkdir(folder.substr(0, slash).c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
    return DirectoryExists(folder);
}

bool IsSystemPackage(const std::string& path) {
    const std::string name = ExtractFileName(path);
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".deb") == 0;
}

bool CreateDir(const std::string& path) {
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

} // namespace platform
