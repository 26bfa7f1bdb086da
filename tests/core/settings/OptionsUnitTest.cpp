#include "core/settings/OptionsUnit.h"
#include "core/settings/AutoStart.h"
#include "platform/DesktopEntry.h"
#include "platform/LogonEntries.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include "support/FakeShell.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>

#include <cstring>
#include <functional>

using platform::TRegistry;

namespace {

constexpr TDateTime FixedNow = 46365.5; // 8 December 2026, noon

class OptionsUnitTest : public ::testing::Test {
protected:
    TTempProfile profile;

    void SetUp() override {
        SetDefaultConfig();
        SetClockForTests([] { return FixedNow; });
    }
    void TearDown() override {
        SetClockForTests({});
        SetDefaultConfig();
    }

    // The values a member who saved once has, each replaceable.
    static void StoreFullSet(TRegistry& reg) {
        reg.WriteInteger("Movies in queue", 5);
        reg.WriteInteger("Check for new movies", 6);
        reg.WriteInteger("Update interval", 1);
        reg.WriteString("NetFlixID", "P0123456789");
        reg.WriteInteger("Minimize on run", 1);
        reg.WriteInteger("Auto startup", 7);
        reg.WriteDateTime("NLFA", 46000.25);
    }
};

const TConfigRec Defaults{};

} // namespace

TEST_F(OptionsUnitTest, FirstRunKeepsTheDefaults) {
    LoadConfig();
    EXPECT_EQ(Config, Defaults);
    EXPECT_EQ(Config.MoviesInQueue, 2);
    EXPECT_EQ(Config.CheckForNewMovies, 2);
    EXPECT_EQ(Config.UpdateInterval, 2);
    EXPECT_EQ(Config.NLFA, 0.0) << "so the advertisement file counts as due";
}

TEST_F(OptionsUnitTest, ChoiceListsMatchTheirTexts) {
    EXPECT_EQ(MoviesInQueueItems[2].DisplayText, "10");
    EXPECT_EQ(MoviesInQueueItems[7].Value, 1000);
    EXPECT_EQ(CheckForNewMoviesItems[2].Value, 3);
    EXPECT_EQ(CheckForNewMoviesItems[7].DisplayText, "24 hours");
    for (std::size_t i = 0; i < UpdateIntervalItems.size(); ++i)
        EXPECT_EQ(UpdateIntervalItems[i].Value, static_cast<int>(i));
}

TEST_F(OptionsUnitTest, SaveThenLoadRestoresEveryField) {
    Config = TConfigRec{7, 0, 3, "id with \"quotes\" and \\ and é", true, true, 46123.999};
    const TConfigRec saved = Config;
    SaveConfig();
    SetDefaultConfig();
    LoadConfig();
    EXPECT_EQ(Config, saved);
}

TEST_F(OptionsUnitTest, LoadFollowsTheReadFailureRules) {
    struct Case {
        const char* name;
        std::function<void(TRegistry&)> change;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"all values", [](TRegistry&) {},
         [] {
             EXPECT_EQ(Config, (TConfigRec{5, 6, 1, "P0123456789", true, true, 46000.25}));
         }},
        {"movies 0", [](TRegistry& r) { r.WriteInteger("Movies in queue", 0); },
         [] { EXPECT_EQ(Config.MoviesInQueue, 0); }},
        {"movies 7", [](TRegistry& r) { r.WriteInteger("Movies in queue", 7); },
         [] { EXPECT_EQ(Config.MoviesInQueue, 7); }},
        {"movies 8", [](TRegistry& r) { r.WriteInteger("Movies in queue", 8); },
         [] {
             EXPECT_EQ(Config.MoviesInQueue, 2);
             EXPECT_EQ(Config.CheckForNewMovies, 6) << "only that field falls back";
         }},
        {"movies -1", [](TRegistry& r) { r.WriteInteger("Movies in queue", -1); },
         [] { EXPECT_EQ(Config.MoviesInQueue, 2); }},
        {"check 8", [](TRegistry& r) { r.WriteInteger("Check for new movies", 8); },
         [] { EXPECT_EQ(Config.CheckForNewMovies, 2); }},
        {"update never", [](TRegistry& r) { r.WriteInteger("Update interval", 0); },
         [] { EXPECT_EQ(Config.UpdateInterval, 0); }},
        {"update 4", [](TRegistry& r) { r.WriteInteger("Update interval", 4); },
         [] { EXPECT_EQ(Config.UpdateInterval, 2); }},
        {"check as text", [](TRegistry& r) { r.WriteString("Check for new movies", "3"); },
         [] { EXPECT_EQ(Config, Defaults); }},
        {"movies missing", [](TRegistry& r) { r.DeleteValue("Movies in queue"); }, [] { EXPECT_EQ(Config, Defaults); }},
        {"minimize as binary", [](TRegistry& r) { r.WriteBinaryData("Minimize on run", std::string(4, '\1')); },
         [] { EXPECT_EQ(Config, Defaults); }},
        {"NLFA of 4 bytes", [](TRegistry& r) { r.WriteBinaryData("NLFA", std::string(4, '\0')); },
         [] {
             EXPECT_EQ(Config, Defaults);
             EXPECT_EQ(Config.NLFA, 0.0);
         }},
        {"NLFA as dword", [](TRegistry& r) { r.WriteInteger("NLFA", 0); }, [] { EXPECT_EQ(Config, Defaults); }},
        {"NLFA of 8 zero bytes", [](TRegistry& r) { r.WriteBinaryData("NLFA", std::string(8, '\0')); },
         [] {
             EXPECT_EQ(Config.NLFA, FixedNow);
             EXPECT_EQ(Config.MoviesInQueue, 5);
         }},
        {"NLFA missing", [](TRegistry& r) { r.DeleteValue("NLFA"); }, [] { EXPECT_EQ(Config.NLFA, FixedNow); }},
        {"code missing", [](TRegistry& r) { r.DeleteValue("NetFlixID"); },
         [] {
             EXPECT_EQ(Config.NetFlixID, "");
             EXPECT_EQ(Config.MoviesInQueue, 5);
             EXPECT_TRUE(Config.MinimizeOnRun);
         }},
        {"code as expand string", [](TRegistry& r) { r.WriteExpandString("NetFlixID", "P42"); },
         [] { EXPECT_EQ(Config.NetFlixID, "P42"); }},
        {"code with NUL", [](TRegistry& r) { r.WriteString("NetFlixID", std::string("P42\0junk", 8)); },
         [] { EXPECT_EQ(Config.NetFlixID, "P42"); }},
        {"code as dword", [](TRegistry& r) { r.WriteInteger("NetFlixID", 42); }, [] { EXPECT_EQ(Config, Defaults); }},
        {"booleans zero",
         [](TRegistry& r) {
             r.WriteInteger("Minimize on run", 0);
             r.WriteInteger("Auto startup", 0);
         },
         [] { EXPECT_FALSE(Config.MinimizeOnRun || Config.AutoStartup); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QString::fromStdString(profile.RegistryFile()));
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(ConfigKey, true));
        StoreFullSet(reg);
        c.change(reg);
        SetDefaultConfig();
        LoadConfig();
        c.check();
    }
}

TEST_F(OptionsUnitTest, LoadingAnEmptyKeyResetsToDefaults) {
    Config.MoviesInQueue = 6;
    ASSERT_TRUE(TRegistry().OpenKey(ConfigKey, true));
    LoadConfig();
    EXPECT_EQ(Config, Defaults) << "the first missing integer is a read failure";
}

TEST_F(OptionsUnitTest, SaveWithoutAWritableStoreWritesNothingAndSaysNothing) {
    WriteFile(profile.Path(".config/Plotvane"), "a file, not a folder");
    Config.NetFlixID = "P1";
    EXPECT_NO_THROW(SaveConfig());
    EXPECT_EQ(ReadFile(profile.Path(".config/Plotvane")), "a file, not a folder");
}

TEST_F(OptionsUnitTest, SavedValuesHaveTheirRegistryKinds) {
    Config.NLFA = 1.5;
    SaveConfig();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(ConfigKey, false));
    for (const char* name :
         {"Movies in queue", "Check for new movies", "Update interval", "Minimize on run", "Auto startup"})
        EXPECT_EQ(reg.ReadValue(name)->Type, static_cast<std::uint32_t>(platform::TRegType::DWord)) << name;
    EXPECT_EQ(reg.ReadValue("NetFlixID")->Type, static_cast<std::uint32_t>(platform::TRegType::Sz));
    const std::string nlfa = reg.ReadBinaryData("NLFA");
    ASSERT_EQ(nlfa.size(), 8u);
    EXPECT_EQ(nlfa, std::string("\0\0\0\0\0\0\xF8\x3F", 8)) << "little-endian IEEE double 1.5";
}

TEST(OpenURL, RunsTheBrowserCommandWithItsWrappersAndTheAddress) {
    using Args = std::vector<std::string>;
    struct Case {
        const char* command;
        const char* url;
        Args expected;
    };
    const Case cases[] = {
        {"\"/usr/bin/firefox-esr\" --new-window %u",
         "http://www.netflix.com/Queue",
         {"/usr/bin/firefox-esr", "--new-window", "http://www.netflix.com/Queue"}},
        {"\"/opt/my browser/run\"", "http://x/", {"/opt/my browser/run", "http://x/"}},
        {"\"/usr/bin/env\" MOZ_ENABLE_WAYLAND=1 firefox %u",
         "http://x/a?b=c&d",
         {"/usr/bin/env", "MOZ_ENABLE_WAYLAND=1", "firefox", "http://x/a?b=c&d"}},
        {"\"/usr/bin/flatpak\" run --branch=stable --command=firefox --file-forwarding org.mozilla.firefox @@u %u @@",
         "http://x/",
         {"/usr/bin/flatpak", "run", "--branch=stable", "--command=firefox", "--file-forwarding", "org.mozilla.firefox",
          "@@u", "http://x/", "@@"}},
        {"\"/usr/bin/chromium\" %U", "http://x/", {"/usr/bin/chromium", "http://x/"}},
        // The other field codes go; an icon or a name is no business of an address.
        {"\"/usr/bin/b\" %i --class=%c %u", "http://x/", {"/usr/bin/b", "--class=", "http://x/"}},
        {"/usr/bin/firefox %u", "http://x/", {"/usr/bin/firefox", "http://x/"}},
    };
    for (const Case& c : cases) {
        TFakeShell shell;
        shell.BrowserCommand = c.command;
        OpenURL(c.url);
        EXPECT_TRUE(shell.Calls.empty()) << c.command;
        ASSERT_EQ(shell.Started.size(), 1u) << c.command;
        EXPECT_EQ(shell.Started[0], c.expected) << c.command << " / " << c.url;
    }
}

TEST(OpenURL, GoesThroughTheDesktopWithoutABrowserAndRefusesOptions) {
    struct Case {
        const char* command;
        const char* url;
        std::vector<TFakeShell::TCall> expected;
    };
    const Case cases[] = {
        {"", "http://x/", {{"", "http://x/", ""}}},
        {"\"/usr/bin/unclosed", "http://x/", {{"", "http://x/", ""}}},
        {"\"/usr/bin/firefox\"", "mailto:bugs@plotvane.example", {{"", "mailto:bugs@plotvane.example", ""}}},
        {"\"/usr/bin/firefox\"", "http://x/?to=mailto:someone", {{"", "http://x/?to=mailto:someone", ""}}},
        {"\"/usr/bin/firefox\" %u", "--profile=/tmp/evil", {}},
    };
    for (const Case& c : cases) {
        TFakeShell shell;
        shell.BrowserCommand = c.command;
        OpenURL(c.url);
        EXPECT_TRUE(shell.Started.empty()) << c.command << " / " << c.url;
        EXPECT_EQ(shell.Calls, c.expected) << c.command << " / " << c.url;
    }
}

TEST(CreateSubFolders, CreatesEachLevelUnderAnExistingBase) {
    TTempProfile profile;
    const std::string base = profile.Path("base/");
    std::string path = "unchanged";

    EXPECT_FALSE(CreateSubFolders(base, {"Plotvane/", "Plotvane/"}, path));
    EXPECT_EQ(path, "");
    EXPECT_FALSE(QDir(QString::fromStdString(base)).exists()) << "nothing is created under a missing base";

    QDir().mkpath(QString::fromStdString(base));
    ASSERT_TRUE(CreateSubFolders(base, {"Plotvane/", "Plotvane/"}, path));
    EXPECT_EQ(path, base + "Plotvane/Plotvane/");
    EXPECT_TRUE(QDir(QString::fromStdString(path)).exists());

    ASSERT_TRUE(CreateSubFolders(base, {"Plotvane/", "Plotvane/"}, path)) << "levels that exist count as success";
    EXPECT_EQ(path, base + "Plotvane/Plotvane/");

    WriteFile(base + "blocked", "file");
    EXPECT_FALSE(CreateSubFolders(base, {"blocked/", "inner/"}, path));
    EXPECT_EQ(path, "");
}

TEST(AutoStart, AnEntryWhoseProgramIsGoneIsPointedAtThisOne) {
    TTempProfile profile;
    const auto program = [] {
        const auto exec = platform::ReadDesktopEntryValue(platform::LogonEntryFile("plotvane"), "Exec");
        const auto args = exec ? platform::SplitDesktopExec(*exec) : std::nullopt;
        return args && !args->empty() ? args->front() : std::string();
    };
    RepairAutoStart();
    EXPECT_FALSE(AutoStartExists()) << "no entry, none made";

    ASSERT_TRUE(platform::WriteLogonEntry("plotvane", "Plotvane", "/bin/sh"));
    RepairAutoStart();
    EXPECT_EQ(program(), "/bin/sh") << "an entry for a program that is there stays";

    ASSERT_TRUE(platform::WriteLogonEntry("plotvane", "Plotvane", "/opt/removed/plotvane"));
    RepairAutoStart();
    EXPECT_EQ(program(), platform::ExecutablePath());
}

TEST(AutoStart, TheDesktopsOffSwitchAndTheMembersOwnEntryAreRespected) {
    TTempProfile profile;
    const std::string entry = platform::LogonEntryFile("plotvane");
    const std::string ours = "[Desktop Entry]\nType=Application\nName=Plotvane\nExec=/opt/removed/plotvane\n";
    // GNOME's and the XDG way of switching an entry off; either means "does not start at logon".
    for (const char* off : {"Hidden=true\n", "X-GNOME-Autostart-enabled=false\n"}) {
        WriteFile(entry, ours + off);
        EXPECT_FALSE(AutoStartExists()) << off;
        SetAutoStart(false);
        RepairAutoStart();
        EXPECT_EQ(ReadFile(entry), ours + off) << "an entry switched off is left as the desktop wrote it";
    }
    WriteFile(entry, ours + "X-GNOME-Autostart-enabled=true\n");
    EXPECT_TRUE(AutoStartExists());

    // What the member wrote around the program stays, even when the program moved away.
    for (const char* exec : {"env QT_SCALE_FACTOR=2 /opt/removed/plotvane", "sh -c \"sleep 5; /opt/removed/plotvane\"",
                             "/opt/removed/plotvane --verbose"}) {
        const std::string custom = "[Desktop Entry]\nType=Application\nName=Plotvane\nExec=" + std::string(exec) + "\n";
        WriteFile(entry, custom);
        RepairAutoStart();
        EXPECT_EQ(ReadFile(entry), custom) << exec;
    }
    // A bare program name is found along PATH as the session finds it.
    WriteFile(entry, "[Desktop Entry]\nType=Application\nName=Plotvane\nExec=sh\n");
    RepairAutoStart();
    EXPECT_EQ(ReadFile(entry), "[Desktop Entry]\nType=Application\nName=Plotvane\nExec=sh\n");
}

TEST(OpenServerURL, OnlyWebAddressesFromServersReachTheBrowser) {
    TFakeShell shell;
    shell.BrowserCommand = "\"/usr/bin/browser\" %u";
    for (const char* refused : {"file:///etc/passwd", "javascript:alert(1)", "/usr/bin/xterm", "xterm",
                                "mailto:someone@example.org", "ftp://example.org/", "http:/x", "HTTPX://x/", ""}) {
        EXPECT_FALSE(OpenServerURL(refused)) << refused;
        EXPECT_FALSE(IsWebAddress(refused)) << refused;
    }
    EXPECT_TRUE(shell.Started.empty());
    EXPECT_TRUE(shell.Calls.empty()) << "nothing goes to the desktop's handler either";
    for (const char* accepted : {"http://www.netflix.com/Movie/1", "HTTPS://example.org/a?b=c", "Http://x/"})
        EXPECT_TRUE(OpenServerURL(accepted)) << accepted;
    EXPECT_EQ(shell.Started.size(), 3u);
}
