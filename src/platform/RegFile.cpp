#include "platform/RegFile.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace platform {

namespace {

constexpr std::string_view Header5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view Header4 = "REGEDIT4";

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameRegName(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "01,ab, ff" -> bytes; every item is exactly two hex digits.
std::optional<std::string> ParseByteList(std::string_view s) {
    std::string out;
    s = Trim(s);
    if (s.empty())
        return out;
    while (true) {
        const std::size_t comma = s.find(',');
        const std::string_view item = Trim(s.substr(0, comma));
        if (item.size() != 2 || HexDigit(item[0]) < 0 || HexDigit(item[1]) < 0)
            return std::nullopt;
        out.push_back(static_cast<char>(HexDigit(item[0]) * 16 + HexDigit(item[1])));
        if (comma == std::string_view::npos)
            return out;
        s.remove_prefix(comma + 1);
    }
}

// A quoted text starting at s[0] == '"'; returns the unescaped text and the rest after the closing quote.
std::optional<std::pair<std::string, std::string_view>> ParseQuoted(std::string_view s) {
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"')
            return std::make_pair(std::move(out), s.substr(i + 1));
        if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"'))
                return std::nullopt;
            out.push_back(s[++i]);
        } else {
            out.push_back(c);
        }
    }
    return std::nullopt;
}

std::string TextFromUtf16(std::string_view bytes) {
    std::string text = Utf16LeToUtf8(bytes);
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

std::optional<TRegValue> ParseData(std::string_view s) {
    TRegValue v;
    if (!s.empty() && s.front() == '"') {
        auto quoted = ParseQuoted(s);
        if (!quoted || !Trim(quoted->second).empty())
            return std::nullopt;
        v.Type = static_cast<std::uint32_t>(TRegType::Sz);
        // Text is UTF-8; bytes that are not become U+FFFD now, as a rewrite would make them,
        // so that what was read is exactly what is written back.
        v.Data = Utf16LeToUtf8(Utf8ToUtf16Le(quoted->first));
        return v;
    }
    if (StartsWithNoCase(s, "dword:")) {
        const std::string_view digits = s.substr(6);
        if (digits.size() != 8)
            return std::nullopt;
        auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + 8, v.DWord, 16);
        if (ec != std::errc() || ptr != digits.data() + 8)
            return std::nullopt;
        v.Type = static_cast<std::uint32_t>(TRegType::DWord);
        return v;
    }
    if (StartsWithNoCase(s, "hex:")) {
        auto bytes = ParseByteList(s.substr(4));
        if (!bytes)
            return std::nullopt;
        v.Type = static_cast<std::uint32_t>(TRegType::Binary);
        v.Data = std::move(*bytes);
        return v;
    }
    if (StartsWithNoCase(s, "hex(")) {
        const std::size_t close = s.find("):");
        if (close == std::string_view::npos || close <= 4 || close > 12)
            return std::nullopt;
        const std::string_view num = s.substr(4, close - 4);
        auto [ptr, ec] = std::from_chars(num.data(), num.data() + num.size(), v.Type, 16);
        if (ec != std::errc() || ptr != num.data() + num.size())
            return std::nullopt;
        auto bytes = ParseByteList(s.substr(close + 2));
        if (!bytes)
            return std::nullopt;
        switch (static_cast<TRegType>(v.Type)) {
        case TRegType::Sz:
        case TRegType::ExpandSz:
            v.Data = TextFromUtf16(*bytes);
            break;
        case TRegType::DWord:
            if (bytes->size() != 4)
                return std::nullopt;
            for (int k = 3; k >= 0; --k)
                v.DWord = (v.DWord << 8) | static_cast<unsigned char>((*bytes)[k]);
            break;
        default:
            v.Data = std::move(*bytes);
        }
        return v;
    }
    return std::nullopt;
}

// Splits into logical lines: a line ending in a backslash continues on the next one. Returns false
// for a file whose last line was cut off (no line break after it, or a dangling continuation).
bool SplitLines(std::string_view text, std::vector<std::string>& lines) {
    std::string pending;
    bool continuing = false;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        if (nl == std::string_view::npos)
            return Trim(text).empty() && !continuing;
        std::string_view line = Trim(text.substr(0, nl));
        text.remove_prefix(nl + 1);
        const bool continues = !line.empty() && line.back() == '\\';
        if (continues)
            line.remove_suffix(1);
        pending.append(line);
        continuing = continues;
        if (!continuing) {
            lines.push_back(std::move(pending));
            pending.clear();
        }
    }
    return !continuing;
}

bool NeedsHexForm(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

void AppendHex(std::string& out, std::string_view bytes) {
    static constexpr char Digits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            out.push_back(',');
        const auto b = static_cast<unsigned char>(bytes[i]);
        out.push_back(Digits[b >> 4]);
        out.push_back(Digits[b & 15]);
    }
}

void AppendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (char c : text) {
        if (c == '"' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

void AppendTypedHex(std::string& out, std::uint32_t type, std::string_view bytes) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string num;
    do {
        num.insert(num.begin(), Digits[type & 15]);
        type >>= 4;
    } while (type);
    out.append("hex(").append(num).append("):");
    AppendHex(out, bytes);
}

} // namespace

bool SameRegName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

TRegKey* TRegData::FindKey(std::string_view path) {
    auto it = std::find_if(m_keys.begin(), m_keys.end(), [&](const TRegKey& k) { return SameRegName(k.Path, path); });
    return it == m_keys.end() ? nullptr : &*it;
}

const TRegKey* TRegData::FindKey(std::string_view path) const {
    return const_cast<TRegData*>(this)->FindKey(path);
}

TRegKey& TRegData::AddKey(std::string_view path) {
    if (TRegKey* existing = FindKey(path))
        return *existing;
    m_keys.push_back(TRegKey{std::string(path), {}});
    return m_keys.back();
}

TRegNamedValue* TRegData::FindValue(TRegKey& key, std::string_view name) {
    auto it = std::find_if(key.Values.begin(), key.Values.end(),
                           [&](const TRegNamedValue& v) { return SameRegName(v.Name, name); });
    return it == key.Values.end() ? nullptr : &*it;
}

const TRegNamedValue* TRegData::FindValue(const TRegKey& key, std::string_view name) {
    return FindValue(const_cast<TRegKey&>(key), name);
}

void TRegData::SetValue(TRegKey& key, std::string_view name, TRegValue value) {
    if (TRegNamedValue* existing = FindValue(key, name))
        existing->Value = std::move(value);
    else
        key.Values.push_back(TRegNamedValue{std::string(name), std::move(value)});
}

bool TRegData::DeleteValue(TRegKey& key, std::string_view name) {
    auto it = std::find_if(key.Values.begin(), key.Values.end(),
                           [&](const TRegNamedValue& v) { return SameRegName(v.Name, name); });
    if (it == key.Values.end())
        return false;
    key.Values.erase(it);
    return true;
}

TRegParseResult ParseRegFile(std::string_view text) {
    TRegParseResult result;
    std::string converted;
    if (text.starts_with("\xFF\xFE")) {
        converted = Utf16LeToUtf8(text.substr(2));
        text = converted;
    } else if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }

    std::vector<std::string> lines;
    result.Clean = SplitLines(text, lines);

    auto line = lines.begin();
    while (line != lines.end() && line->empty())
        ++line;
    if (line == lines.end()) {
        result.Clean = false;
        return result;
    }
    if (*line == Header5 || *line == Header4) {
        ++line;
    } else {
        // A damaged first line costs only itself; a key line there is read as one.
        result.Clean = false;
        if (line->front() != '[')
            ++line;
    }

    TRegKey* key = nullptr;
    for (; line != lines.end(); ++line) {
        const std::string_view s = *line;
        if (s.empty() || s.front() == ';')
            continue;
        if (s.front() == '[') {
            key = nullptr;
            if (s.back() != ']' || s.size() < 3 || !StartsWithNoCase(s.substr(1), "HKEY_") ||
                s.find(']') != s.size() - 1) {
                result.Clean = false;
                continue;
            }
            key = &result.Data.AddKey(s.substr(1, s.size() - 2));
            continue;
        }
        std::optional<std::string> name;
        std::string_view rest;
        if (s.front() == '@') {
            name = std::string();
            rest = Trim(s.substr(1));
        } else if (s.front() == '"') {
            if (auto quoted = ParseQuoted(s)) {
                name = std::move(quoted->first);
                rest = Trim(quoted->second);
            }
        }
        if (!key || !name || rest.empty() || rest.front() != '=') {
            result.Clean = false;
            continue;
        }
        auto value = ParseData(Trim(rest.substr(1)));
        if (!value) {
            result.Clean = false;
            continue;
        }
        TRegData::SetValue(*key, *name, std::move(*value));
    }
    return result;
}

std::string FormatRegFile(const TRegData& data) {
    std::string out;
    out.append(Header5).append("\n\n");
    for (const TRegKey& key : data.Keys()) {
        out.append("[").append(key.Path).append("]\n");
        for (const TRegNamedValue& nv : key.Values) {
            if (nv.Name.empty())
                out.push_back('@');
            else
                AppendQuoted(out, nv.Name);
            out.push_back('=');
            const TRegValue& v = nv.Value;
            switch (static_cast<TRegType>(v.Type)) {
            case TRegType::DWord: {
                static constexpr char Digits[] = "0123456789abcdef";
                out.append("dword:");
                for (int shift = 28; shift >= 0; shift -= 4)
                    out.push_back(Digits[(v.DWord >> shift) & 15]);
                break;
            }
            case TRegType::Sz:
                if (!NeedsHexForm(v.Data)) {
                    AppendQuoted(out, v.Data);
                    break;
                }
                [[fallthrough]];
            case TRegType::ExpandSz:
                AppendTypedHex(out, v.Type, Utf8ToUtf16Le(v.Data) + std::string(2, '\0'));
                break;
            case TRegType::Binary:
                out.append("hex:");
                AppendHex(out, v.Data);
                break;
            default:
                AppendTypedHex(out, v.Type, v.Data);
            }
            out.push_back('\n');
        }
        out.push_back('\n');
    }
    return out;
}

} // namespace platform
