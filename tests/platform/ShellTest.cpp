#include "core/settings/OptionsUnit.h"
#include "platform/DesktopEntry.h"
#include "platform/DisplayPlatform.h"
#include "platform/LinuxShell.h"
#include "platform/LogonEntries.h"
#include "platform/Paths.h"

#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QThread>

#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>

using namespace platform;

namespace {

// Waits for a file a started program writes; programs start detached.
std::string WaitForFile(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string text = ReadFile(path);
        if (!text.empty() && text.back() == '\n')
            return text;
        QThread::msleep(20);
    }
    return {};
}

class LinuxShellTest : public ::testing::Test {
protected:
    TTempProfile profile;
    std::string bin = profile.Path("bin");

    void SetUp() override {
        profile.SetEnv("PATH", bin + ":/usr/bin:/bin");
        profile.SetEnv("XDG_DATA_DIRS", profile.Path("nowhere"));
        // Each fake program records its arguments, one per line.
        for (const char* name : {"fakebrowser", "xdg-open"})
            WriteFile(bin + "/" + name,
                      std::string("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > ") + profile.Path(name) +
                          ".args\n",
                      0755);
    }

    void DefaultBrowserIs(const std::string& desktopId, const std::string& exec) {
        WriteFile(bin + "/xdg-settings", "#!/bin/sh\necho " + desktopId + "\n", 0755);
        WriteFile(profile.Path(".local/share/applications/" + desktopId),
                  "[Desktop Action new]\nExec=wrong\n[Desktop Entry]\nName=Fake\nExec=" + exec + "\n");
    }
};

} // namespace

TEST(DesktopEntry, SplitsExecByTheQuotingRules) {
    EXPECT_EQ(*SplitDesktopExec("firefox %u"), (std::vector<std::string>{"firefox", "%u"}));
    EXPECT_EQ(*SplitDesktopExec("\"/opt/my app/run\"  --flag \"a \\\"b\\\"\""),
              (std::vector<std::string>{"/opt/my app/run", "--flag", "a \"b\""}));
    EXPECT_EQ(*SplitDesktopExec(""), std::vector<std::string>{});
    EXPECT_FALSE(SplitDesktopExec("\"unterminated"));
    const std::string odd = "/a b/$c`d\"e\\f%g";
    EXPECT_EQ(*SplitDesktopExec(QuoteDesktopExecArg(odd)), std::vector<std::string>{odd});
}

TEST_F(LinuxShellTest, BrowserCommandComesFromTheDefaultBrowsersDesktopFile) {
    DefaultBrowserIs("fakebrowser.desktop", "fakebrowser --new-window %u");
    EXPECT_EQ(TLinuxShell().HtmlOpenCommand(), "\"" + bin + "/fakebrowser\" --new-window %u");
    DefaultBrowserIs("fakebrowser.desktop", "fakebrowser \"--profile=my profile\" --url=%u");
    EXPECT_EQ(TLinuxShell().HtmlOpenCommand(), "\"" + bin + "/fakebrowser\" \"--profile=my profile\" --url=%u");
}

TEST_F(LinuxShellTest, NoDefaultBrowserGivesAnEmptyCommand) {
    WriteFile(bin + "/xdg-settings", "#!/bin/sh\nexit 1\n", 0755);
    WriteFile(bin + "/xdg-mime", "#!/bin/sh\nexit 1\n", 0755);
    EXPECT_EQ(TLinuxShell().HtmlOpenCommand(), "");
    DefaultBrowserIs("gone.desktop", "no-such-program-anywhere %u");
    EXPECT_EQ(TLinuxShell().HtmlOpenCommand(), "") << "a browser that is not installed";
}

TEST_F(LinuxShellTest, OpenStartsTheProgramWithTheAddressAsItsOnlyArgument) {
    TLinuxShell().ShellExecute("open", bin + "/fakebrowser", "http://www.netflix.com/Queue?a=1&b=two words");
    EXPECT_EQ(WaitForFile(profile.Path("fakebrowser.args")), "http://www.netflix.com/Queue?a=1&b=two words\n");
}

TEST_F(LinuxShellTest, AddressesGoToTheDesktopsHandler) {
    TLinuxShell().ShellExecute("", "mailto:bugs@plotvane.example?subject=Hi", "");
    EXPECT_EQ(WaitForFile(profile.Path("xdg-open.args")), "mailto:bugs@plotvane.example?subject=Hi\n");
}

TEST_F(LinuxShellTest, APackageIsOpenedWithTheSystemsHandlerEvenWhenExecutable) {
    const std::string deb = profile.Path("tmp/plotvane_1.0.1.0_amd64.deb");
    WriteFile(deb, "!<arch>\n", 0755);
    TLinuxShell().ShellExecute("open", deb, {});
    EXPECT_EQ(WaitForFile(profile.Path("xdg-open.args")), deb + "\n");
    EXPECT_TRUE(IsSystemPackage("/tmp/PLOTVANE.DEB"));
    EXPECT_FALSE(IsSystemPackage("/tmp/plotvane-setup.sh"));
    EXPECT_FALSE(IsSystemPackage("/tmp/a.deb/setup"));
    EXPECT_FALSE(IsSystemPackage("/tmp/.deb"));
}

TEST_F(LinuxShellTest, NothingStartsForAnEmptyProgramOrAnOptionLikeArgument) {
    TLinuxShell shell;
    shell.ShellExecute("open", "", "http://example/");
    shell.ShellExecute("open", bin + "/fakebrowser", "--profile=/tmp/evil");
    shell.ShellExecute("", "-x", "");
    QThread::msleep(500);
    EXPECT_FALSE(FileExists(profile.Path("fakebrowser.args")));
    EXPECT_FALSE(FileExists(profile.Path("xdg-open.args")));
}

TEST_F(LinuxShellTest, LogonEntriesAreAutostartFiles) {
    EXPECT_FALSE(LogonEntryExists("plotvane"));
    ASSERT_TRUE(WriteLogonEntry("plotvane", "Plotvane", "/opt/Plot vane/plotvane"));
    EXPECT_TRUE(LogonEntryExists("plotvane"));
    const auto exec = ReadDesktopEntryValue(profile.Path(".config/autostart/plotvane.desktop"), "Exec");
    ASSERT_TRUE(exec);
    EXPECT_EQ(*SplitDesktopExec(*exec), std::vector<std::string>{"/opt/Plot vane/plotvane"});
    EXPECT_TRUE(DeleteLogonEntry("plotvane"));
    EXPECT_FALSE(LogonEntryExists("plotvane"));
}

TEST_F(LinuxShellTest, LogonEntryEscapesAsTheDesktopEntryRulesSay) {
    // Inside a quoted argument $ " ` and \ take a backslash, and the file's own escaping doubles
    // every backslash once more.
    const std::string program = "/opt/a$b/c\"d/e`f/g\\h/plotvane";
    ASSERT_TRUE(WriteLogonEntry("plotvane", "Plotvane", program));
    const std::string text = ReadFile(LogonEntryFile("plotvane"));
    EXPECT_NE(text.find("\nExec=\"/opt/a\\\\$b/c\\\\\"d/e\\\\`f/g\\\\\\\\h/plotvane\"\n"), std::string::npos) << text;
    const auto exec = ReadDesktopEntryValue(LogonEntryFile("plotvane"), "Exec");
    ASSERT_TRUE(exec);
    EXPECT_EQ(*SplitDesktopExec(*exec), std::vector<std::string>{program});
    EXPECT_EQ(UnescapeDesktopValue("a\\sb\\tc\\\\d\\$e"), "a b\tc\\d\\$e");
}

TEST_F(LinuxShellTest, NoLogonEntryForAPathWithALineBreak) {
    // A folder named so would add an Exec= line of its own to the entry.
    EXPECT_FALSE(WriteLogonEntry("plotvane", "Plotvane", "/home/m/x\nExec=/bin/sh -c evil\n/plotvane"));
    EXPECT_FALSE(WriteLogonEntry("plotvane", "Plotvane", "/opt/plotvane", "a\rb"));
    EXPECT_FALSE(LogonEntryExists("plotvane"));
}

TEST_F(LinuxShellTest, WrappedBrowsersGetExactlyTheAddress) {
    const std::string url = "http://www.netflix.com/Movie?id=1&x=two words";
    // A stand-in for flatpak: what it passes to the application between its @@u and @@ markers.
    WriteFile(bin + "/flatpak",
              "#!/bin/sh\nwhile [ \"$1\" != @@u ]; do shift; done; shift\n"
              "for a in \"$@\"; do [ \"$a\" = @@ ] || echo \"$a\"; done > " +
                  profile.Path("flatpak.args") + "\n",
              0755);
    struct Case {
        const char* exec;
        const char* record;
    };
    for (const Case& c : {Case{"env PV_WRAPPED=1 fakebrowser %u", "fakebrowser.args"},
                          Case{"flatpak run --branch=stable --arch=x86_64 --command=browser --file-forwarding "
                               "org.example.Browser @@u %u @@",
                               "flatpak.args"}}) {
        DefaultBrowserIs("wrapped.desktop", c.exec);
        std::remove(profile.Path(c.record).c_str());
        OpenURL(url);
        EXPECT_EQ(WaitForFile(profile.Path(c.record)), url + "\n") << c.exec;
    }
}

TEST_F(LinuxShellTest, RunOnceEntryRemovesItselfAndRuns) {
    ASSERT_TRUE(WriteLogonEntry("plotvane-update", "Plotvane update", bin + "/fakebrowser", "it's \"done\"", true));
    const auto exec = ReadDesktopEntryValue(LogonEntryFile("plotvane-update"), "Exec");
    ASSERT_TRUE(exec);
    const auto args = SplitDesktopExec(*exec);
    ASSERT_TRUE(args && args->size() == 3);
    // Run it as a session would at logon.
    const std::string command = (*args)[2];
    profile.SetEnv("PV_CMD", command);
    ASSERT_EQ(std::system("/bin/sh -c \"$PV_CMD\""), 0);
    EXPECT_EQ(ReadFile(profile.Path("fakebrowser.args")), "it's \"done\"\n");
    EXPECT_FALSE(LogonEntryExists("plotvane-update"));
}

TEST(DisplayPlatform, WaylandWithXWaylandRunsAsAnX11Client) {
    using Env = std::map<std::string, std::string>;
    const auto choose = [](const Env& vars) {
        return platform::PreferredQtPlatform([&vars](const char* name) -> std::optional<std::string> {
            const auto it = vars.find(name);
            return it == vars.end() ? std::nullopt : std::optional<std::string>(it->second);
        });
    };
    EXPECT_EQ(choose({{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}), "xcb");
    EXPECT_EQ(choose({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":1"}}), "xcb") << "no session type";
    EXPECT_EQ(choose({{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}), "xcb");
    // Pure Wayland: no XWayland to run on, Qt's own choice.
    EXPECT_EQ(choose({{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-0"}}), "");
    EXPECT_EQ(choose({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ""}}), "");
    // X11 sessions and the member's own choice stay as they are.
    EXPECT_EQ(choose({{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}), "");
    EXPECT_EQ(choose({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}}), "");
    EXPECT_EQ(choose({}), "");
}
