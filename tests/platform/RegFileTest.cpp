#include "platform/RegFile.h"

#include "support/TempProfile.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

TRegValue Sz(std::string text) {
    return {static_cast<std::uint32_t>(TRegType::Sz), 0, std::move(text)};
}

TRegData SampleData() {
    TRegData data;
    TRegKey& key = data.AddKey("HKEY_CURRENT_USER\\Software\\Plotvane\\Config");
    TRegData::SetValue(key, "Movies in queue", {static_cast<std::uint32_t>(TRegType::DWord), 0xFFFFFFFF, {}});
    TRegData::SetValue(key, "quote\"and\\slash", Sz("say \"hi\" C:\\path\\"));
    TRegData::SetValue(key, "multi line", Sz("one\r\ntwo\nthree\ttab"));
    TRegData::SetValue(key, "unicode", Sz("Amélie \xE2\x80\x94 \xF0\x9F\x8E\xAC"));
    TRegData::SetValue(key, "nul inside", Sz(std::string("before\0after", 12)));
    TRegData::SetValue(key, "empty", Sz(""));
    TRegData::SetValue(key, "", Sz("the default value"));
    TRegData::SetValue(key, "expand", {static_cast<std::uint32_t>(TRegType::ExpandSz), 0, "%HOME%/x\""});
    TRegData::SetValue(key, "NLFA",
                       {static_cast<std::uint32_t>(TRegType::Binary), 0, std::string("\0\x01\xFF\x80", 4)});
    TRegData::SetValue(key, "no bytes", {static_cast<std::uint32_t>(TRegType::Binary), 0, {}});
    TRegData::SetValue(key, "multi", {7, 0, std::string("a\0b\0\0", 5)});
    data.AddKey("HKEY_CURRENT_USER\\Software\\Plotvane\\Window");
    return data;
}

} // namespace

TEST(RegFile, EveryKindAndAwkwardTextRoundTrips) {
    const TRegData data = SampleData();
    const TRegParseResult parsed = ParseRegFile(FormatRegFile(data));
    EXPECT_TRUE(parsed.Clean);
    EXPECT_EQ(parsed.Data, data);
}

TEST(RegFile, NamesAndKeysCompareWithoutCase) {
    TRegData data = SampleData();
    TRegKey* key = data.FindKey("hkey_current_user\\SOFTWARE\\plotvane\\config");
    ASSERT_NE(key, nullptr);
    ASSERT_NE(TRegData::FindValue(*key, "MOVIES IN QUEUE"), nullptr);
    TRegData::SetValue(*key, "movies in queue", Sz("replaced"));
    EXPECT_EQ(TRegData::FindValue(*key, "Movies in queue")->Value, Sz("replaced"));
    EXPECT_EQ(std::count_if(key->Values.begin(), key->Values.end(),
                            [](const TRegNamedValue& v) { return SameRegName(v.Name, "Movies in queue"); }),
              1);
}

TEST(RegFile, ReadsWindowsExports) {
    // Regedit writes UTF-16LE with a byte-order mark, CRLF, and wraps long hex lists.
    const std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Plotvane\\Config]\r\n"
                             "\"NetFlixID\"=\"P1234\"\r\n"
                             "\"Path\"=hex(2):25,00,41,00,00,00\r\n"
                             "\"Long\"=hex:01,02,\\\r\n"
                             "  03,04\r\n"
                             "\"Dword\"=dword:0000000a\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : text) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    const TRegParseResult parsed = ParseRegFile(utf16);
    ASSERT_TRUE(parsed.Clean);
    const TRegKey* key = parsed.Data.FindKey("HKEY_CURRENT_USER\\Software\\Plotvane\\Config");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(TRegData::FindValue(*key, "NetFlixID")->Value, Sz("P1234"));
    EXPECT_EQ(TRegData::FindValue(*key, "Path")->Value.Data, "%A");
    EXPECT_EQ(TRegData::FindValue(*key, "Long")->Value.Data, "\x01\x02\x03\x04");
    EXPECT_EQ(TRegData::FindValue(*key, "Dword")->Value.DWord, 10u);
}

TEST(RegFile, DamagedLinesAreReportedAndTheRestKept) {
    struct Case {
        const char* name;
        std::string badLine;
    };
    const Case cases[] = {
        {"short dword", "\"A\"=dword:123"},
        {"dword with junk", "\"A\"=dword:1234567g"},
        {"unterminated string", "\"A\"=\"abc"},
        {"text after string", "\"A\"=\"abc\" x"},
        {"odd hex digit", "\"A\"=hex:01,2"},
        {"unknown escape", "\"A\"=\"a\\nb\""},
        {"deletion", "\"A\"=-"},
        {"no equals", "\"A\""},
        {"garbage", "\x01\x02\xFF"},
        {"bad key", "[Software\\Plotvane]"},
    };
    for (const Case& c : cases) {
        const std::string text =
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n\"Before\"=dword:00000001\n" + c.badLine +
            "\n[HKEY_CURRENT_USER\\K]\n\"After\"=\"kept\"\n";
        const TRegParseResult parsed = ParseRegFile(text);
        EXPECT_FALSE(parsed.Clean) << c.name;
        const TRegKey* key = parsed.Data.FindKey("HKEY_CURRENT_USER\\K");
        ASSERT_NE(key, nullptr) << c.name;
        EXPECT_NE(TRegData::FindValue(*key, "Before"), nullptr) << c.name;
        EXPECT_NE(TRegData::FindValue(*key, "After"), nullptr) << c.name;
        EXPECT_EQ(TRegData::FindValue(*key, "A"), nullptr) << c.name;
    }
}

TEST(RegFile, AMissingOrDamagedHeaderCostsOnlyItself) {
    for (const std::string& text : {std::string(), std::string("<html>")}) {
        const TRegParseResult parsed = ParseRegFile(text);
        EXPECT_FALSE(parsed.Clean);
        EXPECT_TRUE(parsed.Data.Keys().empty());
    }
    // The values after a header that is gone or damaged are the member's still.
    for (const std::string& text : {std::string("[HKEY_CURRENT_USER\\K]\n\"A\"=\"b\"\n"),
                                    std::string("Windows Regis\x80ry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n"
                                                "\"A\"=\"b\"\n")}) {
        const TRegParseResult parsed = ParseRegFile(text);
        EXPECT_FALSE(parsed.Clean) << "so the damaged file is kept aside";
        const TRegKey* key = parsed.Data.FindKey("HKEY_CURRENT_USER\\K");
        ASSERT_NE(key, nullptr);
        ASSERT_NE(TRegData::FindValue(*key, "A"), nullptr);
        EXPECT_EQ(TRegData::FindValue(*key, "A")->Value.Data, "b");
    }
}

TEST(RegFile, TruncationKeepsEveryCompleteValueAndNeverInventsOne) {
    const TRegData data = SampleData();
    const std::string text = FormatRegFile(data);
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        const TRegParseResult parsed = ParseRegFile(text.substr(0, cut));
        // Whatever survives must be a value that was written, byte for byte.
        for (const TRegKey& key : parsed.Data.Keys()) {
            const TRegKey* original = data.FindKey(key.Path);
            ASSERT_NE(original, nullptr) << "cut at " << cut;
            for (const TRegNamedValue& v : key.Values) {
                const TRegNamedValue* written = TRegData::FindValue(*original, v.Name);
                ASSERT_NE(written, nullptr) << "cut at " << cut;
                EXPECT_EQ(written->Value, v.Value) << "cut at " << cut << " value " << v.Name;
            }
        }
        // A cut line is noticed; a cut right after a line break is an ordinary, shorter file.
        EXPECT_EQ(parsed.Clean, cut > 0 && text[cut - 1] == '\n') << "cut at " << cut;
    }
}

// Found by fuzzing: a quoted text holding bytes that are not UTF-8 beside control characters was
// read as raw bytes but written as UTF-16 with U+FFFD, so a rewrite changed the value.
TEST(RegFile, WhatIsReadIsWhatIsWrittenBack) {
    const std::string damaged = ReadFile(std::string(PLOTVANE_TEST_DATA) + "/registry/roundtrip-invalid-utf8.reg");
    const platform::TRegParseResult first = platform::ParseRegFile(damaged);
    const platform::TRegParseResult second = platform::ParseRegFile(platform::FormatRegFile(first.Data));
    EXPECT_TRUE(second.Data == first.Data);
    EXPECT_TRUE(second.Clean);
    const platform::TRegParseResult sample =
        platform::ParseRegFile(ReadFile(std::string(PLOTVANE_TEST_DATA) + "/registry/registry.reg"));
    EXPECT_TRUE(sample.Clean);
    EXPECT_TRUE(platform::ParseRegFile(platform::FormatRegFile(sample.Data)).Data == sample.Data);
}
