#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/** Registry value kinds, numbered as the Windows registry numbers them. */
enum class TRegType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    DWord = 4,
};

/**
 * One stored value. Sz and ExpandSz hold their text (UTF-8, no terminating NUL), DWord the
 * number in DWord, every other kind its raw bytes in Data.
 */
struct TRegValue {
    std::uint32_t Type = 0;
    std::uint32_t DWord = 0;
    std::string Data;

    bool operator==(const TRegValue&) const = default;
};

struct TRegNamedValue {
    std::string Name; // empty for the default value "@"
    TRegValue Value;

    bool operator==(const TRegNamedValue&) const = default;
};

struct TRegKey {
    std::string Path; // full path, "HKEY_CURRENT_USER\Software\..."
    std::vector<TRegNamedValue> Values;

    bool operator==(const TRegKey&) const = default;
};

/** The contents of a registry file: keys and values in file order. Names compare case-insensitively. */
class TRegData final {
public:
    TRegKey* FindKey(std::string_view path);
    const TRegKey* FindKey(std::string_view path) const;
    TRegKey& AddKey(std::string_view path);

    static TRegNamedValue* FindValue(TRegKey& key, std::string_view name);
    static const TRegNamedValue* FindValue(const TRegKey& key, std::string_view name);
    static void SetValue(TRegKey& key, std::string_view name, TRegValue value);
    static bool DeleteValue(TRegKey& key, std::string_view name);

    const std::vector<TRegKey>& Keys() const { return m_keys; }
    bool operator==(const TRegData&) const = default;

private:
    std::vector<TRegKey> m_keys;
};

struct TRegParseResult {
    TRegData Data;
    /// False when any line could not be read; Data then holds every value that could.
    bool Clean = true;
};

/** Reads the text of a ".reg" export (UTF-8 or UTF-16LE with byte-order mark). Never throws on content. */
TRegParseResult ParseRegFile(std::string_view text);

/** Writes Data as ".reg" text that ParseRegFile reads back to the same values. */
std::string FormatRegFile(const TRegData& data);

bool SameRegName(std::string_view a, std::string_view b);

} // namespace platform
