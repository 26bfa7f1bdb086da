#include "platform/Registry.h"

#include "platform/Paths.h"
#include "platform/TemporaryFiles.h"

#include <QLoggingCategory>

#include <bit>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(std::endian::native == std::endian::little, "date-times are stored as little-endian doubles");

Q_LOGGING_CATEGORY(lcRegistry, "plotvane.platform.registry", QtWarningMsg)

namespace platform {

namespace {

constexpr std::string_view RootName = "HKEY_CURRENT_USER";
// Our file holds a handful of values; anything this large is not ours and is kept aside unread.
constexpr off_t MaxFileSize = off_t{16} * 1024 * 1024;

class TFileLock final {
public:
    explicit TFileLock(const std::string& file) {
        m_fd = ::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            throw ERegistryException("cannot create the registry lock: " + std::string(std::strerror(errno)));
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(m_fd);
                throw ERegistryException("cannot lock the registry: " + std::string(std::strerror(errno)));
            }
        }
    }
    ~TFileLock() { ::close(m_fd); }
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

private:
    int m_fd = -1;
};

enum class TReadState { Missing, Read, TooLarge };

TReadState ReadWholeFile(const std::string& file, std::string& bytes) {
    // Non-blocking, and a regular file only: a FIFO in its place must not hold the program.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return TReadState::Missing;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MaxFileSize) {
        ::close(fd);
        return TReadState::TooLarge;
    }
    bytes.clear();
    char buffer[16384];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > static_cast<std::size_t>(MaxFileSize)) {
            ::close(fd);
            return TReadState::TooLarge;
        }
    }
    ::close(fd);
    return TReadState::Read;
}

void SaveLocked(const std::string& file, const TRegData& data) {
    const std::string text = FormatRegFile(data);
    // What a process killed in the middle of its own save left goes first.
    RemoveOrphanedTemporaries(ExtractFilePath(file), ".tmp-");
    const TReplaceResult saved = ReplaceWhole(file, text, ".tmp-", TDurability::Synced);
    if (saved.Outcome != TReplaceOutcome::Replaced)
        throw ERegistryException("cannot write the registry: " + std::string(std::strerror(saved.Error)));
}

void KeepAside(const std::string& file) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string aside = file + ".bad-" + stamp;
    for (int n = 1; FileExists(aside) && n < 1000; ++n)
        aside = file + ".bad-" + stamp + "-" + std::to_string(n);
    ::rename(file.c_str(), aside.c_str());
}

// Reads the file; a damaged one is kept aside and replaced by what could be read from it.
// Must be called with the lock held when repair is true.
TRegData Load(const std::string& file, bool repair) {
    std::string bytes;
    const TReadState state = ReadWholeFile(file, bytes);
    if (state == TReadState::Missing)
        return {};
    TRegParseResult parsed;
    if (state == TReadState::Read)
        parsed = ParseRegFile(bytes);
    else
        parsed.Clean = false;
    if (!parsed.Clean && repair) {
        KeepAside(file);
        SaveLocked(file, parsed.Data);
    }
    return std::move(parsed.Data);
}

// A damaged file is repaired under the lock, so two processes never both move it aside.
TRegData LoadForReading(const std::string& file) {
    std::string bytes;
    const TReadState state = ReadWholeFile(file, bytes);
    if (state == TReadState::Missing)
        return {};
    if (state == TReadState::Read) {
        TRegParseResult parsed = ParseRegFile(bytes);
        if (parsed.Clean)
            return std::move(parsed.Data);
    }
    try {
        TFileLock lock(file);
        return Load(file, true);
    } catch (const ERegistryException& error) {
        // Read without the lock rather than not at all: a reader never changes the file.
        qCInfo(lcRegistry) << "settings read without their lock:" << error.what();
        return Load(file, false);
    }
}

bool IsPrintable(std::string_view s) {
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return false;
    }
    return true;
}

// "Software\Plotvane\Config" -> "HKEY_CURRENT_USER\Software\Plotvane\Config"; empty when unusable.
std::string FullKeyPath(std::string_view key) {
    while (!key.empty() && key.front() == '\\')
        key.remove_prefix(1);
    while (!key.empty() && key.back() == '\\')
        key.remove_suffix(1);
    if (key.empty() || !IsPrintable(key) || key.find(']') != std::string_view::npos ||
        key.find("\\\\") != std::string_view::npos)
        return {};
    return std::string(RootName) + "\\" + std::string(key);
}

[[noreturn]] void ThrowInvalidType(std::string_view name) {
    throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
}

} // namespace

TRegistry::TRegistry()
    : TRegistry(DefaultFile()) {}

TRegistry::TRegistry(std::string file)
    : m_file(std::move(file)) {}

std::string TRegistry::DefaultFile() {
    const std::string config = ConfigFolder();
    return (config.empty() ? TempPath() : config + "/") + "Plotvane/registry.reg";
}

bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
    CloseKey();
    const std::string full = FullKeyPath(key);
    if (full.empty())
        return false;
    m_snapshot = LoadForReading(m_file);
    if (!m_snapshot.FindKey(full)) {
        if (!canCreate)
            return false;
        try {
            if (!ForceDirectories(ExtractFilePath(m_file)))
                return false;
            TFileLock lock(m_file);
            m_snapshot = Load(m_file, true);
            if (!m_snapshot.FindKey(full)) {
                m_snapshot.AddKey(full);
                SaveLocked(m_file, m_snapshot);
            }
        } catch (const ERegistryException& error) {
            qCWarning(lcRegistry) << "key" << full.c_str() << "not created in" << m_file.c_str() << ":" << error.what();
            return false;
        }
    }
    m_key = full;
    return true;
}

void TRegistry::CloseKey() {
    m_key.clear();
    m_snapshot = {};
}

const TRegKey* TRegistry::CurrentKey() const {
    return m_key.empty() ? nullptr : m_snapshot.FindKey(m_key);
}

std::optional<TRegValue> TRegistry::ReadValue(std::string_view name) const {
    const TRegKey* key = CurrentKey();
    if (!key)
        return std::nullopt;
    const TRegNamedValue* found = TRegData::FindValue(*key, name);
    return found ? std::optional<TRegValue>(found->Value) : std::nullopt;
}

bool TRegistry::ValueExists(std::string_view name) const {
    return ReadValue(name).has_value();
}

std::int32_t TRegistry::ReadInteger(std::string_view name) const {
    const auto value = ReadValue(name);
    if (!value || value->Type != static_cast<std::uint32_t>(TRegType::DWord))
        ThrowInvalidType(name);
    return static_cast<std::int32_t>(value->DWord);
}

std::string TRegistry::ReadString(std::string_view name) const {
    const auto value = ReadValue(name);
    if (!value)
        return {};
    if (value->Type != static_cast<std::uint32_t>(TRegType::Sz) &&
        value->Type != static_cast<std::uint32_t>(TRegType::ExpandSz))
        ThrowInvalidType(name);
    return value->Data.substr(0, value->Data.find('\0'));
}

std::string TRegistry::ReadBinaryData(std::string_view name) const {
    const auto value = ReadValue(name);
    if (!value || value->Type != static_cast<std::uint32_t>(TRegType::Binary))
        ThrowInvalidType(name);
    return value->Data;
}

double TRegistry::ReadDateTime(std::string_view name) const {
    const std::string bytes = ReadBinaryData(name);
    if (bytes.size() != sizeof(double))
        ThrowInvalidType(name);
    double result;
    std::memcpy(&result, bytes.data(), sizeof result);
    return result;
}

void TRegistry::Write(std::string_view name, TRegValue value) {
    if (m_key.empty())
        throw ERegistryException("no registry key is open");
    if (!IsPrintable(name))
        throw ERegistryException("unusable registry value name");
    if (!ForceDirectories(ExtractFilePath(m_file)))
        throw ERegistryException("cannot create the registry folder");
    TFileLock lock(m_file);
    TRegData data = Load(m_file, true);
    TRegData::SetValue(data.AddKey(m_key), name, std::move(value));
    SaveLocked(m_file, data);
    m_snapshot = std::move(data);
}

void TRegistry::WriteInteger(std::string_view name, std::int32_t value) {
    Write(name, TRegValue{static_cast<std::uint32_t>(TRegType::DWord), static_cast<std::uint32_t>(value), {}});
}

void TRegistry::WriteString(std::string_view name, std::string_view value) {
    Write(name, TRegValue{static_cast<std::uint32_t>(TRegType::Sz), 0, std::string(value)});
}

void TRegistry::WriteExpandString(std::string_view name, std::string_view value) {
    Write(name, TRegValue{static_cast<std::uint32_t>(TRegType::ExpandSz), 0, std::string(value)});
}

void TRegistry::WriteBinaryData(std::string_view name, std::string_view bytes) {
    Write(name, TRegValue{static_cast<std::uint32_t>(TRegType::Binary), 0, std::string(bytes)});
}

void TRegistry::WriteDateTime(std::string_view name, double value) {
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    WriteBinaryData(name, std::string_view(bytes, sizeof bytes));
}

bool TRegistry::DeleteValue(std::string_view name) {
    if (m_key.empty() || !FileExists(m_file))
        return false;
    try {
        TFileLock lock(m_file);
        TRegData data = Load(m_file, true);
        TRegKey* key = data.FindKey(m_key);
        const bool deleted = key && TRegData::DeleteValue(*key, name);
        if (deleted)
            SaveLocked(m_file, data);
        m_snapshot = std::move(data);
        return deleted;
    } catch (const ERegistryException& error) {
        qCWarning(lcRegistry) << "value" << std::string(name).c_str() << "not deleted from" << m_file.c_str() << ":"
                              << error.what();
        return false;
    }
}

} // namespace platform
