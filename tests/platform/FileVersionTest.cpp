#include "platform/FileVersion.h"

#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <random>

using platform::ReadFileVersion;
using platform::TFileVersion;

TEST(FileVersion, TheBuiltProgramCarriesItsVersion) {
    TFileVersion version;
    ASSERT_TRUE(ReadFileVersion(PLOTVANE_VERSIONED_EXE, version));
    EXPECT_EQ(version.VersionMS, std::uint32_t(PLOTVANE_VERSION_MAJOR << 16 | PLOTVANE_VERSION_MINOR));
    EXPECT_EQ(version.VersionLS, std::uint32_t(PLOTVANE_VERSION_RELEASE << 16 | PLOTVANE_VERSION_BUILD));
}

TEST(FileVersion, FilesWithoutTheNoteGiveNone) {
    TTempProfile profile;
    TFileVersion version{7, 7};
    // This test program is an ELF file without our note; a script is no ELF file at all.
    EXPECT_FALSE(ReadFileVersion("/proc/self/exe", version));
    WriteFile(profile.Path("setup.sh"), "#!/bin/sh\necho installed\n", 0755);
    EXPECT_FALSE(ReadFileVersion(profile.Path("setup.sh"), version));
    EXPECT_FALSE(ReadFileVersion(profile.Path("missing"), version));
    EXPECT_FALSE(ReadFileVersion(profile.Path(""), version));
    EXPECT_EQ(version.VersionMS, 7u) << "untouched on failure";
}

TEST(FileVersion, DamagedExecutablesNeverReadOutsideTheFile) {
    TTempProfile profile;
    const std::string program = ReadFile(PLOTVANE_VERSIONED_EXE);
    ASSERT_GT(program.size(), 4096u);
    TFileVersion version;
    // Cut short: the section table, at the end of the file, is gone.
    for (std::size_t size : {std::size_t(4), std::size_t(64), std::size_t(4096), program.size() / 2}) {
        WriteFile(profile.Path("cut"), program.substr(0, size));
        EXPECT_FALSE(ReadFileVersion(profile.Path("cut"), version)) << size;
    }
    // Random bytes behind an ELF header's magic, and the header's own fields scrambled.
    std::mt19937 random(20261209);
    for (int round = 0; round < 200; ++round) {
        std::string bytes = program.substr(0, 64);
        for (int i = 0; i < 8; ++i)
            bytes[16 + random() % 48] = static_cast<char>(random());
        for (int i = 0; i < 256; ++i)
            bytes.push_back(static_cast<char>(random()));
        WriteFile(profile.Path("scrambled"), bytes);
        ReadFileVersion(profile.Path("scrambled"), version); // must simply return
    }
}
