#include "core/update/UpdateFormats.h"

#include "UpdateAnswer.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TAnswerFields NotesFields(bool compressed) {
    TAnswerFields fields;
    fields.ProjectName = "Plotvane";
    fields.ReleaseDescription = "A faster list.";
    fields.ReleaseBugFixes = "The popup no longer flickers.";
    fields.ReleaseFeatures = "Box art in colour.";
    fields.Version = 0x01020304;
    fields.Compressed = compressed;
    return fields;
}

} // namespace

TEST(UpdateFormats, VersionToStr) {
    EXPECT_EQ(VersionToStr(0), "0.0.0.0");
    EXPECT_EQ(VersionToStr(16909060), "1.2.3.4");
    EXPECT_EQ(VersionToStr(0xFFFFFFFF), "255.255.255.255");
    EXPECT_EQ(PackFileVersion(1 << 16 | 2, 3 << 16 | 4), 16909060u);
}

TEST(UpdateFormats, StoredAndCompressedAnswersReadAlike) {
    TUpdateAnswer stored, compressed;
    ASSERT_TRUE(ParseAnswer(MakeUpdateAnswer(NotesFields(false)), stored));
    ASSERT_TRUE(ParseAnswer(MakeUpdateAnswer(NotesFields(true)), compressed));
    for (const TUpdateAnswer* a : {&stored, &compressed}) {
        EXPECT_EQ(a->ProjectName, "Plotvane");
        EXPECT_EQ(a->DownloadFolder, "http://update.plotvane.example/files");
        EXPECT_EQ(a->ReleaseDescription, "A faster list.");
        EXPECT_EQ(a->ReleaseBugFixes, "The popup no longer flickers.");
        EXPECT_EQ(a->ReleaseFeatures, "Box art in colour.");
        EXPECT_EQ(a->RemoteInfo, (TVersionRec{1, 0x01020304, "plotvane-setup.sh"}));
        EXPECT_TRUE(a->AnswerPicture.empty());
    }
}

TEST(UpdateFormats, AnswersThatFailTheirOwnTestAreIgnored) {
    const std::string good = MakeUpdateAnswer(NotesFields(false));
    TUpdateAnswer answer;
    answer.ProjectName = "untouched";
    // The length one less than the size minus 8.
    std::string shortLength = good;
    shortLength[good.size() - 8] = static_cast<char>(shortLength[good.size() - 8] - 1);
    EXPECT_FALSE(VerifyAnswer(shortLength));
    EXPECT_FALSE(ParseAnswer(shortLength, answer));
    // One byte of the body changed.
    std::string flipped = good;
    flipped[70] ^= 0x01;
    EXPECT_FALSE(ParseAnswer(flipped, answer));
    // Too short to hold a trailer, or empty.
    EXPECT_FALSE(ParseAnswer(good.substr(0, 7), answer));
    EXPECT_FALSE(ParseAnswer("", answer));
    // Another format marker.
    std::string marker = good;
    marker[52] = 3;
    EXPECT_TRUE(VerifyAnswer(ResealUpdateAnswer(marker)));
    EXPECT_FALSE(ParseAnswer(ResealUpdateAnswer(marker), answer));
    EXPECT_EQ(answer.ProjectName, "untouched");
    EXPECT_TRUE(VerifyAnswer(good));
}

TEST(UpdateFormats, CompressedContentMustInflateExactly) {
    const TAnswerFields fields = NotesFields(true);
    const std::string good = MakeUpdateAnswer(fields);
    const auto withLengths = [&](std::int32_t c, std::int32_t u) {
        std::string a = good;
        for (int i = 0; i < 4; ++i) {
            a[56 + i] = static_cast<char>((static_cast<std::uint32_t>(c) >> (8 * i)) & 0xFF);
            a[60 + i] = static_cast<char>((static_cast<std::uint32_t>(u) >> (8 * i)) & 0xFF);
        }
        return ResealUpdateAnswer(a);
    };
    std::int32_t c = 0, u = 0;
    std::memcpy(&c, good.data() + 56, 4);
    std::memcpy(&u, good.data() + 60, 4);
    TUpdateAnswer answer;
    EXPECT_TRUE(ParseAnswer(withLengths(c, u), answer));
    EXPECT_THROW(ParseAnswer(withLengths(c, u + 1), answer), EBadDecompression) << "fewer bytes than announced";
    EXPECT_THROW(ParseAnswer(withLengths(c, u - 1), answer), EBadDecompression) << "more bytes than announced";
    EXPECT_THROW(ParseAnswer(withLengths(c - 1, u), answer), EBadDecompression) << "the stream cut short";
    EXPECT_THROW(ParseAnswer(withLengths(c + 1, u), answer), EBadDecompression) << "a byte left unconsumed";
    EXPECT_THROW(ParseAnswer(withLengths(-1, u), answer), EBadDecompression);
    EXPECT_THROW(ParseAnswer(withLengths(c, -5), answer), EBadDecompression);
    EXPECT_THROW(ParseAnswer(withLengths(0x7FFFFFFF, 0x7FFFFFFF), answer), EBadDecompression)
        << "claims beyond the data are refused before anything is allocated";
    try {
        ParseAnswer(withLengths(c, u + 1), answer);
    } catch (const EBadDecompression& e) {
        EXPECT_STREQ(e.what(), "Bad decompression detected!");
    }
}

TEST(UpdateFormats, LengthsRunningPastTheEndStopTheReadingCleanly) {
    TAnswerFields fields = NotesFields(false);
    std::string content = AnswerContent(fields);
    // The third field claims two gigabytes.
    std::string huge = content;
    const std::size_t third = 4 + fields.ProjectName.size() + 4;
    huge[third + 0] = '\xff';
    huge[third + 1] = '\xff';
    huge[third + 2] = '\xff';
    huge[third + 3] = '\x7f';
    TUpdateAnswer answer;
    ASSERT_TRUE(ParseAnswer(MakeUpdateAnswerFrom(huge, fields, 0, 0), answer));
    EXPECT_EQ(answer.ProjectName, "Plotvane");
    EXPECT_TRUE(answer.DownloadFolder.empty());
    EXPECT_TRUE(answer.ReleaseFeatures.empty());
    EXPECT_EQ(answer.RemoteInfo.Version, 0x01020304u) << "the version record is read from its place anyway";
    // A negative length.
    std::string negative = content;
    negative[0] = '\xff';
    negative[1] = '\xff';
    negative[2] = '\xff';
    negative[3] = '\xff';
    ASSERT_TRUE(ParseAnswer(MakeUpdateAnswerFrom(negative, fields, 0, 0), answer));
    EXPECT_TRUE(answer.ProjectName.empty());
    // Content cut in every place still parses without reading past the end.
    for (std::size_t cut = 0; cut < content.size(); ++cut)
        EXPECT_TRUE(ParseAnswer(MakeUpdateAnswerFrom(content.substr(0, cut), fields, 0, 0), answer)) << cut;
}

TEST(UpdateFormats, PictureRunsToTheEndOfTheContent) {
    TAnswerFields fields = NotesFields(true);
    fields.Picture = std::string("\xff\xd8\xff\xe0 picture bytes", 19);
    TUpdateAnswer answer;
    ASSERT_TRUE(ParseAnswer(MakeUpdateAnswer(fields), answer));
    EXPECT_EQ(answer.AnswerPicture, fields.Picture);
    EXPECT_TRUE(answer.ReleaseDescription.empty());
}

TEST(UpdateFormats, VersionRecordNames) {
    std::string rec(76, '\0');
    rec[0] = 1;
    rec[8] = static_cast<char>(200); // more than the 64 characters there are
    for (int i = 0; i < 64; ++i)
        rec[9 + static_cast<std::size_t>(i)] = static_cast<char>('a' + i % 26);
    EXPECT_EQ(TVersionRec::Read(rec).BaseName.size(), 64u);
    EXPECT_EQ(TVersionRec::Read(rec.substr(0, 40)), TVersionRec{}) << "too short: nothing";
}

TEST(UpdateFormats, StatusRecordRoundTrips) {
    TUpdateStatus status;
    status.DownloadPending = 1;
    status.PendingPadding[1] = 7;
    status.DownloadVersion = 0x01020305;
    status.Mode = 2;
    status.TempFile = "/tmp/plotvane-setup.sh.tmp";
    status.DownloadStarted = 46365.25;
    status.NextCheck = 46372.5;
    const std::string bytes = WriteStatusRecord(status);
    EXPECT_EQ(bytes.size(), 29 + status.TempFile.size());
    TUpdateStatus read;
    ASSERT_TRUE(ReadStatusRecord(bytes, read));
    EXPECT_EQ(read, status);
    EXPECT_EQ(WriteStatusRecord(read), bytes) << "byte for byte";
    EXPECT_EQ(WriteStatusRecord(TUpdateStatus{}).size(), 29u);
}

TEST(UpdateFormats, BrokenStatusRecordsLeaveTheStatus) {
    TUpdateStatus status;
    status.TempFile = "/tmp/x.tmp";
    const std::string bytes = WriteStatusRecord(status);
    TUpdateStatus kept;
    kept.Mode = 3;
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(ReadStatusRecord(bytes.substr(0, cut), kept)) << cut;
    std::string negative = bytes;
    negative[12] = '\x80';
    EXPECT_FALSE(ReadStatusRecord(negative, kept));
    std::string huge = bytes;
    huge[12] = '\x7f';
    EXPECT_FALSE(ReadStatusRecord(huge, kept));
    EXPECT_EQ(kept.Mode, 3);
    // Extra bytes after a whole record are ignored.
    EXPECT_TRUE(ReadStatusRecord(bytes + "xyz", kept));
    EXPECT_EQ(kept, status);
}

TEST(UpdateFormats, AnswersBuiltByAnotherTool) {
    const auto read = [](const char* name) {
        TUpdateAnswer answer;
        const std::string bytes = ReadFile(std::string(PLOTVANE_TEST_DATA) + "/update/" + name);
        EXPECT_TRUE(VerifyAnswer(bytes)) << name;
        EXPECT_TRUE(ParseAnswer(bytes, answer)) << name;
        return answer;
    };
    const TUpdateAnswer stored = read("stored.bin");
    const TUpdateAnswer compressed = read("compressed.bin");
    for (const TUpdateAnswer* a : {&stored, &compressed}) {
        EXPECT_EQ(a->ProjectName, "Plotvane");
        EXPECT_EQ(a->DownloadFolder, "http://update.plotvane.example/files");
        EXPECT_EQ(a->ReleaseDescription, "Faster lists, clearer cards.");
        EXPECT_EQ(a->ReleaseBugFixes, "The popup no longer steals the focus.");
        EXPECT_EQ(a->ReleaseFeatures, "Box art in higher resolution.");
        EXPECT_EQ(a->RemoteInfo, (TVersionRec{1, 0x01020305, "plotvane-setup.sh"}));
        EXPECT_EQ(VersionToStr(a->RemoteInfo.Version), "1.2.3.5");
    }
    const TUpdateAnswer picture = read("picture.bin");
    EXPECT_EQ(picture.AnswerPicture.size(), 11u + 1024u + 2u);
    EXPECT_TRUE(picture.AnswerPicture.starts_with("\xff\xd8\xff\xe0"));
}
