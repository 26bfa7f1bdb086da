#pragma once

#include "platform/RegFile.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/**
 * The member's registry: keys under HKEY_CURRENT_USER kept in one ".reg" text file.
 *
 * Every change locks the file, reads it again, applies itself and replaces the file
 * atomically, so two processes writing different values keep both. A file that cannot be
 * read cleanly is kept aside as "<file>.bad-<timestamp>" and the values that could be read
 * stay in the store.
 *
 * Typed reads follow the registry's rules: a value of another kind is a read failure
 * (ERegistryException), never a conversion.
 */
class TRegistry final {
public:
    TRegistry();
    explicit TRegistry(std::string file);

    /** The member's store: <config folder>/Plotvane/registry.reg. */
    static std::string DefaultFile();

    /** Opens a key below HKEY_CURRENT_USER ("Software\\Plotvane\\Config"); with canCreate, creates it. */
    bool OpenKey(std::string_view key, bool canCreate);
    void CloseKey();
    bool HasOpenKey() const { return !m_key.empty(); }

    bool ValueExists(std::string_view name) const;
    std::optional<TRegValue> ReadValue(std::string_view name) const;

    /** A REG_DWORD; anything else, or a missing value, throws. */
    std::int32_t ReadInteger(std::string_view name) const;
    /** REG_SZ or REG_EXPAND_SZ up to its first NUL; missing reads as empty, another kind throws. */
    std::string ReadString(std::string_view name) const;
    /** REG_BINARY bytes; anything else, or a missing value, throws. */
    std::string ReadBinaryData(std::string_view name) const;
    /** A date-time stored as REG_BINARY of exactly 8 bytes (a little-endian double). */
    double ReadDateTime(std::string_view name) const;

    void WriteInteger(std::string_view name, std::int32_t value);
    void WriteString(std::string_view name, std::string_view value);
    void WriteExpandString(std::string_view name, std::string_view value);
    void WriteBinaryData(std::string_view name, std::string_view bytes);
    void WriteDateTime(std::string_view name, double value);
    bool DeleteValue(std::string_view name);

    const std::string& FileName() const { return m_file; }

private:
    void Write(std::string_view name, TRegValue value);
    const TRegKey* CurrentKey() const;

    std::string m_file;
    std::string m_key;   // full path of the open key, empty when none
    TRegData m_snapshot; // the file as last read or written by us
};

} // namespace platform
