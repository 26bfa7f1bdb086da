#include "platform/Registry.h"

#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QDir>

#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

namespace {

constexpr const char* Key = "Software\\Plotvane\\Config";

class RegistryTest : public ::testing::Test {
protected:
    TTempProfile profile;

    std::vector<std::string> AsideFiles() const {
        const QDir dir(QString::fromStdString(profile.Path(".config/Plotvane")));
        std::vector<std::string> names;
        for (const QString& name : dir.entryList({QStringLiteral("registry.reg.bad-*")}, QDir::Files))
            names.push_back(name.toStdString());
        return names;
    }
};

} // namespace

TEST_F(RegistryTest, LivesInTheConfigFolder) {
    EXPECT_EQ(TRegistry::DefaultFile(), profile.RegistryFile());
}

TEST_F(RegistryTest, EveryKindRoundTripsThroughTheFile) {
    const std::string awkward = "quote \" backslash \\ newline \n cr \r tab \t nul\0end \xC3\xA9 \xF0\x9F\x8E\xAC";
    const std::string text(awkward.data(), awkward.size());
    const std::string bytes("\x00\xFF\x7F\x80\n", 5);
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(Key, true));
        reg.WriteInteger("int", -123456);
        reg.WriteString("text", text);
        reg.WriteExpandString("expand", "$HOME/\"x\"");
        reg.WriteBinaryData("bytes", bytes);
        reg.WriteDateTime("when", 46000.75);
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Key, false));
    EXPECT_EQ(reg.ReadInteger("int"), -123456);
    EXPECT_EQ(reg.ReadValue("text")->Data, text);
    EXPECT_EQ(reg.ReadString("text"), text.substr(0, text.find('\0'))) << "a read ends at the first NUL";
    EXPECT_EQ(reg.ReadString("expand"), "$HOME/\"x\"");
    EXPECT_EQ(reg.ReadValue("expand")->Type, static_cast<std::uint32_t>(TRegType::ExpandSz));
    EXPECT_EQ(reg.ReadBinaryData("bytes"), bytes);
    EXPECT_EQ(reg.ReadDateTime("when"), 46000.75);
}

TEST_F(RegistryTest, AnotherKindIsAReadFailure) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Key, true));
    reg.WriteString("text", "5");
    reg.WriteInteger("int", 5);
    reg.WriteBinaryData("four", std::string(4, '\0'));
    EXPECT_THROW(reg.ReadInteger("text"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("missing"), ERegistryException);
    EXPECT_THROW(reg.ReadString("int"), ERegistryException);
    EXPECT_EQ(reg.ReadString("missing"), "");
    EXPECT_THROW(reg.ReadBinaryData("int"), ERegistryException);
    EXPECT_THROW(reg.ReadDateTime("four"), ERegistryException);
    EXPECT_THROW(reg.ReadDateTime("missing"), ERegistryException);
}

TEST_F(RegistryTest, OpeningWithoutCreatingFindsNothingNew) {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(Key, false));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(profile.RegistryFile()))) << "a read creates nothing";
    ASSERT_TRUE(reg.OpenKey(Key, true));
    EXPECT_FALSE(reg.ValueExists("anything"));
    EXPECT_TRUE(TRegistry().OpenKey("software\\PLOTVANE\\config", false)) << "key names ignore case";
    EXPECT_FALSE(TRegistry().OpenKey("Software\\Plotvane", false)) << "a parent is not created implicitly";
    EXPECT_FALSE(reg.OpenKey("", true));
    EXPECT_FALSE(reg.OpenKey("bad]name", true));
}

TEST_F(RegistryTest, DeletesValues) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Key, true));
    reg.WriteInteger("a", 1);
    reg.WriteInteger("b", 2);
    EXPECT_TRUE(reg.DeleteValue("A"));
    EXPECT_FALSE(reg.DeleteValue("a"));
    TRegistry again;
    ASSERT_TRUE(again.OpenKey(Key, false));
    EXPECT_FALSE(again.ValueExists("a"));
    EXPECT_EQ(again.ReadInteger("b"), 2);
}

TEST_F(RegistryTest, WriteWithoutOpenKeyThrows) {
    TRegistry reg;
    EXPECT_THROW(reg.WriteInteger("x", 1), ERegistryException);
}

TEST_F(RegistryTest, UnwritableFolderFailsToCreateTheKey) {
    // A file where the folder should be: nothing can be created below it, even as root.
    WriteFile(profile.Path(".config/Plotvane"), "not a folder");
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(Key, true));
}

TEST_F(RegistryTest, CorruptFileIsKeptAsideAndTheStoreGoesOn) {
    const std::string garbage = "\x89PNG\r\n\x1a\n this is not a registry file";
    WriteFile(profile.RegistryFile(), garbage);
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(Key, false));
    const auto aside = AsideFiles();
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFile(profile.Path(".config/Plotvane/" + aside[0])), garbage) << "the member's bytes are kept";

    ASSERT_TRUE(reg.OpenKey(Key, true));
    reg.WriteInteger("works", 7);
    TRegistry again;
    ASSERT_TRUE(again.OpenKey(Key, false));
    EXPECT_EQ(again.ReadInteger("works"), 7);
    EXPECT_EQ(AsideFiles().size(), 1u);
}

TEST_F(RegistryTest, DamagedLineKeepsTheOtherValues) {
    WriteFile(profile.RegistryFile(),
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Plotvane\\Config]\n"
              "\"Good\"=dword:00000003\n\"Bad\"=dword:zz\n\"Also good\"=\"yes\"\n");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Key, false));
    EXPECT_EQ(reg.ReadInteger("Good"), 3);
    EXPECT_EQ(reg.ReadString("Also good"), "yes");
    EXPECT_FALSE(reg.ValueExists("Bad"));
    EXPECT_EQ(AsideFiles().size(), 1u);
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceKeepEveryValue) {
    constexpr int Writers = 3;
    constexpr int ValuesEach = 40;
    { // the file exists before the race, as it does for a member
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(Key, true));
    }
    std::vector<pid_t> children;
    for (int w = 0; w < Writers; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            for (int i = 0; i < ValuesEach; ++i) {
                try {
                    TRegistry reg;
                    if (!reg.OpenKey(Key, true))
                        ++failures;
                    else
                        reg.WriteInteger("w" + std::to_string(w) + "-" + std::to_string(i), w * 1000 + i);
                } catch (...) {
                    ++failures;
                }
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Key, false));
    for (int w = 0; w < Writers; ++w)
        for (int i = 0; i < ValuesEach; ++i)
            EXPECT_EQ(reg.ReadInteger("w" + std::to_string(w) + "-" + std::to_string(i)), w * 1000 + i);
    EXPECT_TRUE(AsideFiles().empty());
}
