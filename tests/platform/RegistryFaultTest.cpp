#include "platform/Paths.h"
#include "platform/Registry.h"

#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QDir>

#include <map>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

constexpr const char* Config = "Software\\Plotvane\\Config";
constexpr const char* Window = "Software\\Plotvane\\Window";

// The member's values as the program writes them, in two keys.
const std::map<std::string, std::map<std::string, TRegValue>>& Written() {
    static const std::map<std::string, std::map<std::string, TRegValue>> values{
        {Config,
         {{"Movies in queue", {static_cast<std::uint32_t>(TRegType::DWord), 5, {}}},
          {"Check for new movies", {static_cast<std::uint32_t>(TRegType::DWord), 2, {}}},
          {"NetFlixID", {static_cast<std::uint32_t>(TRegType::Sz), 0, "P0123456789"}},
          {"NLFA", {static_cast<std::uint32_t>(TRegType::Binary), 0, std::string("\0\0\0\0\0\xa4\xe6\x40", 8)}}}},
        {Window, {{"WindowFlags", {static_cast<std::uint32_t>(TRegType::Binary), 0, std::string(24, '\x07')}}}},
    };
    return values;
}

std::string WriteAll(const std::string& file) {
    TRegistry reg(file);
    for (const auto& [key, values] : Written()) {
        EXPECT_TRUE(reg.OpenKey(key, true));
        for (const auto& [name, value] : values) {
            if (value.Type == static_cast<std::uint32_t>(TRegType::DWord))
                reg.WriteInteger(name, static_cast<std::int32_t>(value.DWord));
            else if (value.Type == static_cast<std::uint32_t>(TRegType::Sz))
                reg.WriteString(name, value.Data);
            else
                reg.WriteBinaryData(name, value.Data);
        }
        reg.CloseKey();
    }
    return ReadFile(file);
}

// Where each value's own line lies in the file: [first byte, one past its line break).
std::map<std::string, std::pair<std::size_t, std::size_t>> LineSpans(const std::string& text) {
    std::map<std::string, std::pair<std::size_t, std::size_t>> spans;
    for (const auto& [key, values] : Written())
        for (const auto& [name, value] : values) {
            const std::size_t at = text.find("\"" + name + "\"=");
            EXPECT_NE(at, std::string::npos) << name;
            spans[name] = {at, text.find('\n', at) + 1};
        }
    return spans;
}

// Every value whose line survived whole reads back as written; the store takes a new value and
// keeps the survivors. Returns how many values were lost although their bytes were intact.
int CheckSurvivors(const std::string& file, const std::string& damaged,
                   const std::map<std::string, std::pair<std::size_t, std::size_t>>& spans,
                   const std::function<bool(std::size_t, std::size_t)>& intact, bool headerIntact) {
    WriteFile(file, damaged);
    int lost = 0;
    TRegistry reg(file);
    for (int round = 0; round < 2; ++round) {
        for (const auto& [key, values] : Written()) {
            const bool open = reg.OpenKey(key, false);
            for (const auto& [name, value] : values) {
                const auto [from, to] = spans.at(name);
                if (!headerIntact || !intact(from, to))
                    continue;
                const auto read = open ? reg.ReadValue(name) : std::nullopt;
                if (!read || !(*read == value))
                    ++lost;
            }
            reg.CloseKey();
        }
        if (round == 0) {
            // The store keeps working: a new value goes in, and the survivors stay.
            EXPECT_TRUE(reg.OpenKey("Software\\Plotvane\\Probe", true));
            reg.WriteInteger("After damage", 42);
            reg.CloseKey();
        }
    }
    TRegistry again(file);
    EXPECT_TRUE(again.OpenKey("Software\\Plotvane\\Probe", false));
    EXPECT_EQ(again.ReadInteger("After damage"), 42);
    return lost;
}

class RegistryFaultTest : public ::testing::Test {
protected:
    TTempProfile profile;
    std::string file = profile.Path("registry.reg");
    std::string good = WriteAll(file);
    std::map<std::string, std::pair<std::size_t, std::size_t>> spans = LineSpans(good);
    // The key lines ("[HKEY_...]") a value needs in front of it.
    std::size_t KeyLineEnd(const std::string& name) const {
        const std::size_t at = spans.at(name).first;
        const std::size_t key = good.rfind("[HKEY_CURRENT_USER", at);
        return good.find('\n', key) + 1;
    }
};

} // namespace

TEST_F(RegistryFaultTest, CutAtEveryByteKeepsEveryWholeLine) {
    int cases = 0, lost = 0;
    for (std::size_t cut = 0; cut <= good.size(); ++cut) {
        lost += CheckSurvivors(
            file, good.substr(0, cut), spans, [&](std::size_t, std::size_t to) { return to <= cut; }, true);
        ++cases;
    }
    EXPECT_EQ(lost, 0) << "values lost across " << cases << " cuts";
    EXPECT_EQ(cases, static_cast<int>(good.size()) + 1);
    RecordProperty("cuts", cases);
}

TEST_F(RegistryFaultTest, FlippedBytesLoseOnlyTheirOwnLine) {
    std::mt19937 random(9122026);
    int lost = 0;
    const int cases = 400;
    for (int i = 0; i < cases; ++i) {
        std::string damaged = good;
        const std::size_t at = random() % damaged.size();
        damaged[at] = static_cast<char>(damaged[at] ^ (1 << (random() % 8)));
        // A value's bytes are its line and the line breaks around it, and its key's line likewise:
        // a value survives when none of those was touched.
        lost += CheckSurvivors(
            file, damaged, spans,
            [&](std::size_t from, std::size_t to) {
                if (at + 1 >= from && at < to)
                    return false;
                for (const auto& [name, span] : spans)
                    if (span.first == from) {
                        const std::size_t keyEnd = KeyLineEnd(name);
                        const std::size_t keyStart = good.rfind('\n', keyEnd - 2) + 1;
                        return !(at + 1 >= keyStart && at < keyEnd);
                    }
                return true;
            },
            true);
    }
    EXPECT_EQ(lost, 0) << "values lost across " << cases << " flipped bytes";
}

TEST(SharedMachine, AFifoAsTheSettingsFileIsNeverWaitedOn) {
    TTempProfile profile;
    const std::string file = profile.RegistryFile();
    QDir().mkpath(QString::fromStdString(ExtractFilePath(file)));
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("Software\\Plotvane\\Config", false)) << "read as no settings, at once";
    // Kept aside as any unreadable settings file is, a regular one in its place.
    struct stat st {};
    ASSERT_EQ(::lstat(file.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST(SharedMachine, WithoutARuntimeFolderAnotherUsersFolderIsNotTheLocksHome) {
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to give a folder to another user";
    TTempProfile profile;
    ::unsetenv("XDG_RUNTIME_DIR");
    const std::string taken = "/tmp/plotvane-" + std::to_string(::getuid());
    struct stat st {};
    if (::lstat(taken.c_str(), &st) == 0)
        GTEST_SKIP() << taken << " exists on this machine already";
    // Another user was first to take the name the program would use.
    ASSERT_EQ(::mkdir(taken.c_str(), 0777), 0);
    ASSERT_EQ(::chown(taken.c_str(), 65534, 65534), 0);
    const std::string folder = RuntimeFolder();
    ::rmdir(taken.c_str());
    EXPECT_EQ(folder, profile.Path(".cache/Plotvane/run")) << "a folder of the member's own instead";
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_NE(folder.rfind(TempPath(), 0), 0u) << "never the shared temporary folder";
}
