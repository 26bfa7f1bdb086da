#include "UpdateAnswer.h"

#include <zlib.h>

#include <algorithm>

namespace {

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutText(std::string& out, const std::string& text) {
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

std::string RawDeflate(const std::string& bytes) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(bytes.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

} // namespace

std::string AnswerContent(const TAnswerFields& fields) {
    std::string content;
    PutText(content, fields.ProjectName);
    for (int i = 0; i < 3; ++i)
        PutText(content, {});
    PutText(content, fields.DownloadFolder);
    content.push_back(fields.Picture.empty() ? '\0' : '\1');
    if (!fields.Picture.empty())
        return content + fields.Picture;
    PutText(content, fields.ReleaseDescription);
    PutText(content, fields.ReleaseBugFixes);
    PutText(content, fields.ReleaseFeatures);
    PutText(content, {});
    return content;
}

std::string MakeUpdateAnswerFrom(const std::string& content, const TAnswerFields& fields, std::int32_t compressedLength,
                                 std::int32_t inflatedLength) {
    std::string answer(64, '\0');
    answer.replace(0, 16, "PlotvaneUpdate\x01\x00", 16);
    answer[52] = 4;
    answer[53] = fields.Compressed ? 1 : 0;
    std::string lengths;
    PutU32(lengths, static_cast<std::uint32_t>(compressedLength));
    PutU32(lengths, static_cast<std::uint32_t>(inflatedLength));
    answer.replace(56, 8, lengths);
    answer += content;
    std::string rec(76, '\0');
    rec[0] = fields.Valid ? 1 : 0;
    std::string version;
    PutU32(version, fields.Version);
    rec.replace(4, 4, version);
    const std::size_t n = std::min<std::size_t>(fields.BaseName.size(), 64);
    rec[8] = static_cast<char>(n);
    rec.replace(9, n, fields.BaseName.substr(0, n));
    answer += rec;
    return ResealUpdateAnswer(answer + std::string(8, '\0'));
}

std::string MakeUpdateAnswer(const TAnswerFields& fields) {
    const std::string content = AnswerContent(fields);
    if (!fields.Compressed)
        return MakeUpdateAnswerFrom(content, fields, 0, 0);
    const std::string packed = RawDeflate(content);
    return MakeUpdateAnswerFrom(packed, fields, static_cast<std::int32_t>(packed.size()),
                                static_cast<std::int32_t>(content.size()));
}

std::string ResealUpdateAnswer(std::string answer) {
    if (answer.size() < 8)
        return answer;
    answer.resize(answer.size() - 8);
    std::uint32_t sum = 0;
    for (unsigned char c : answer)
        sum += c;
    PutU32(answer, static_cast<std::uint32_t>(answer.size()));
    PutU32(answer, sum);
    return answer;
}
