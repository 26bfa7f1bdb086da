#include "core/update/UpdateFormats.h"

#include <zlib.h>

#include <cstring>
#include <limits>
#include <memory>

namespace {

// A sane bound on what an answer may inflate to: release notes and a small picture. Larger
// claims are treated as the broken answers they are, before any memory is taken.
constexpr std::int32_t MaxContentSize = 16 * 1024 * 1024;
constexpr std::size_t HeaderSize = 64;
constexpr std::size_t TrailerSize = 8;

std::uint32_t U32(std::string_view bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::int32_t I32(std::string_view bytes, std::size_t at) {
    return static_cast<std::int32_t>(U32(bytes, at));
}

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutDouble(std::string& out, double d) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof d);
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

double GetDouble(std::string_view bytes, std::size_t at) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    double d = 0;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// Reads the content's fields in order; a length that runs past the end stops the reading.
class TContentReader {
public:
    explicit TContentReader(std::string_view content)
        : m_content(content) {}

    bool Text(std::string& field) {
        if (!m_ok || m_content.size() - m_at < 4) {
            m_ok = false;
            return false;
        }
        const std::int32_t n = I32(m_content, m_at);
        m_at += 4;
        if (n < 0 || static_cast<std::size_t>(n) > m_content.size() - m_at) {
            m_ok = false;
            return false;
        }
        field.assign(m_content.substr(m_at, static_cast<std::size_t>(n)));
        m_at += static_cast<std::size_t>(n);
        return true;
    }
    bool Byte(std::uint8_t& value) {
        if (!m_ok || m_at >= m_content.size()) {
            m_ok = false;
            return false;
        }
        value = static_cast<std::uint8_t>(m_content[m_at++]);
        return true;
    }
    std::string_view Rest() {
        const std::string_view rest = m_content.substr(m_at);
        m_at = m_content.size();
        return rest;
    }

private:
    std::string_view m_content;
    std::size_t m_at = 0;
    bool m_ok = true;
};

std::string Inflate(std::string_view bytes, std::int32_t compressed, std::int32_t expected) {
    const std::size_t available = bytes.size() - HeaderSize - TrailerSize;
    if (compressed < 0 || expected < 0 || expected > MaxContentSize || static_cast<std::size_t>(compressed) > available)
        throw EBadDecompression();
    std::string out(static_cast<std::size_t>(expected), '\0');
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK)
        throw EBadDecompression();
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + HeaderSize));
    z.avail_in = static_cast<uInt>(compressed);
    // One spare byte tells "exactly U" from "more than U".
    std::string spare(1, '\0');
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(expected);
    int ret = inflate(&z, Z_FINISH);
    if (ret != Z_STREAM_END && z.avail_out == 0) {
        z.next_out = reinterpret_cast<Bytef*>(spare.data());
        z.avail_out = 1;
        ret = inflate(&z, Z_FINISH);
    }
    const bool exact = ret == Z_STREAM_END && z.total_out == static_cast<uLong>(expected) &&
                       z.total_in == static_cast<uLong>(compressed);
    inflateEnd(&z);
    if (!exact)
        throw EBadDecompression();
    return out;
}

} // namespace

std::string VersionToStr(TVersion version) {
    return std::to_string(version >> 24) + "." + std::to_string((version >> 16) & 0xFF) + "." +
           std::to_string((version >> 8) & 0xFF) + "." + std::to_string(version & 0xFF);
}

TVersion PackFileVersion(std::uint32_t ms, std::uint32_t ls) {
    return (((ms >> 16) * 256 + (ms & 0xFFFF)) * 65536 + (ls >> 16) * 256 + (ls & 0xFFFF));
}

TVersionRec TVersionRec::Read(std::string_view bytes) {
    TVersionRec rec;
    if (bytes.size() < Size)
        return rec;
    rec.Valid = static_cast<std::uint8_t>(bytes[0]);
    rec.Version = U32(bytes, 4);
    const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>(bytes[8]), 64);
    rec.BaseName.assign(bytes.substr(9, length));
    return rec;
}

bool VerifyAnswer(std::string_view bytes) {
    if (bytes.size() < TrailerSize)
        return false;
    const std::size_t body = bytes.size() - TrailerSize;
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < body; ++i)
        sum += static_cast<unsigned char>(bytes[i]);
    return static_cast<std::int64_t>(I32(bytes, body)) == static_cast<std::int64_t>(body) &&
           U32(bytes, body + 4) == sum;
}

bool ParseAnswer(std::string_view bytes, TUpdateAnswer& answer) {
    // The header, the version record and the trailer must all be there to read anything.
    if (!VerifyAnswer(bytes) || bytes.size() < HeaderSize + TVersionRec::Size + TrailerSize)
        return false;
    if (static_cast<unsigned char>(bytes[52]) != 4)
        return false;
    std::string inflated;
    std::string_view content;
    if (bytes[53] == 0) {
        content = bytes.substr(HeaderSize, bytes.size() - HeaderSize - TrailerSize);
    } else {
        inflated = Inflate(bytes, I32(bytes, 56), I32(bytes, 60));
        content = inflated;
    }
    TUpdateAnswer read;
    TContentReader reader(content);
    reader.Text(read.ProjectName) && reader.Text(read.ExtraText1) && reader.Text(read.ExtraText2) &&
        reader.Text(read.ExtraText3) && reader.Text(read.DownloadFolder);
    std::uint8_t picture = 0;
    if (reader.Byte(picture) && picture != 0)
        read.AnswerPicture.assign(reader.Rest());
    reader.Text(read.ReleaseDescription) && reader.Text(read.ReleaseBugFixes) && reader.Text(read.ReleaseFeatures) &&
        reader.Text(read.ExtraText4);
    read.RemoteInfo = TVersionRec::Read(bytes.substr(bytes.size() - 84, TVersionRec::Size));
    answer = std::move(read);
    return true;
}

std::string WriteStatusRecord(const TUpdateStatus& s) {
    std::string out;
    out.reserve(29 + s.TempFile.size());
    out.push_back(static_cast<char>(s.DownloadPending));
    for (std::uint8_t b : s.PendingPadding)
        out.push_back(static_cast<char>(b));
    PutU32(out, s.DownloadVersion);
    out.push_back(static_cast<char>(s.Mode));
    PutU32(out, static_cast<std::uint32_t>(s.TempFile.size()));
    out += s.TempFile;
    PutDouble(out, s.DownloadStarted);
    PutDouble(out, s.NextCheck);
    return out;
}

bool ReadStatusRecord(std::string_view bytes, TUpdateStatus& status) {
    if (bytes.size() < 29)
        return false;
    const std::int32_t length = I32(bytes, 9);
    if (length < 0 || static_cast<std::size_t>(length) > bytes.size() - 29)
        return false;
    const auto l = static_cast<std::size_t>(length);
    TUpdateStatus s;
    s.DownloadPending = static_cast<std::uint8_t>(bytes[0]);
    for (std::size_t i = 0; i < 3; ++i)
        s.PendingPadding[i] = static_cast<std::uint8_t>(bytes[1 + i]);
    s.DownloadVersion = U32(bytes, 4);
    s.Mode = static_cast<std::uint8_t>(bytes[8]);
    s.TempFile.assign(bytes.substr(13, l));
    s.DownloadStarted = GetDouble(bytes, 13 + l);
    s.NextCheck = GetDouble(bytes, 21 + l);
    status = std::move(s);
    return true;
}
