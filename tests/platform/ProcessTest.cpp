#include "platform/InstanceLock.h"
#include "platform/MessagePort.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "platform/TemporaryFiles.h"

#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

TEST(Processes, FindsRunningProgramsByExecutableName) {
    const std::string self = ExtractFileName(ExecutablePath());
    ASSERT_FALSE(self.empty());
    const auto pids = ProcessesByExeName(self);
    EXPECT_NE(std::find(pids.begin(), pids.end(), CurrentProcessId()), pids.end());

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::execl("/bin/sleep", "sleep", "5", nullptr);
        ::_exit(127);
    }
    bool found = false;
    for (int i = 0; i < 100 && !found; ++i) {
        const auto sleepers = ProcessesByExeName("sleep");
        found = std::find(sleepers.begin(), sleepers.end(), child) != sleepers.end();
        if (!found)
            ::usleep(20000);
    }
    EXPECT_TRUE(found);
    const auto upper = ProcessesByExeName("SLEEP");
    EXPECT_EQ(std::find(upper.begin(), upper.end(), child), upper.end()) << "names compare with case";
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST(TemporaryFiles, OnlyThoseOfEndedProcessesAreRemoved) {
    TTempProfile profile;
    const std::string folder = profile.Path("cache/");
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ASSERT_GT(ended, 0);
    ::waitpid(ended, nullptr, 0);
    const std::string mine = OwnedTemporaryName(folder + "QueueRSS.xml", ".part-") + "aB3xYz";
    EXPECT_EQ(mine, folder + "QueueRSS.xml.part-" + std::to_string(::getpid()) + "-aB3xYz");
    const std::string orphan = folder + "QueueRSS.xml.part-" + std::to_string(ended) + "-Qw9rTy";
    const std::vector<std::string> kept = {
        mine,
        folder + "1.jpg.part-" + std::to_string(::getppid()) + "-kLm0Pq", // a running process's
        folder + "QueueRSS.xml",
        folder + "a.part-123",  // no "-" after the id: not ours
        folder + "a.part--1-x", // no id
        folder + "b.part-x" + std::to_string(ended) + "-y",
        folder + "registry.reg.tmp-" + std::to_string(ended) + "-", // another marker
    };
    for (const std::string& file : kept)
        WriteFile(file, "k");
    WriteFile(orphan, "o");
    EXPECT_EQ(RemoveOrphanedTemporaries(folder, ".part-"), 1);
    EXPECT_FALSE(FileExists(orphan));
    for (const std::string& file : kept)
        EXPECT_TRUE(FileExists(file)) << file;
    EXPECT_EQ(RemoveOrphanedTemporaries(profile.Path("missing"), ".part-"), 0);
}

namespace {
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
} // namespace

TEST(TemporaryFiles, AFileIsReplacedWholeOrNotAtAll) {
    TTempProfile profile;
    const std::string folder = profile.Path("cache/");
    std::filesystem::create_directories(folder);
    const std::string file = folder + "1.jpg";

    const TReplaceResult first = ReplaceWhole(file, "first", ".part-", TDurability::InPlace);
    EXPECT_EQ(first.Outcome, TReplaceOutcome::Replaced);
    EXPECT_EQ(ReadFile(file), "first");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the member's cache is the member's alone";
    EXPECT_EQ(ReplaceWhole(file, std::string(100000, 'x'), ".part-", TDurability::Synced).Outcome,
              TReplaceOutcome::Replaced);
    EXPECT_EQ(ReadFile(file).size(), 100000u);
    ASSERT_EQ(ReplaceWhole(file, "", ".part-", TDurability::InPlace).Outcome, TReplaceOutcome::Replaced);
    ASSERT_EQ(ReplaceWhole(file, "kept", ".part-", TDurability::InPlace).Outcome, TReplaceOutcome::Replaced);

    // A disk that fills up half way: the old file stays as it was.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const TReplaceResult tooBig = ReplaceWhole(file, std::string(10000, 'y'), ".part-", TDurability::InPlace);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(tooBig.Outcome, TReplaceOutcome::WriteFailed);
    EXPECT_EQ(tooBig.Error, EFBIG);
    EXPECT_EQ(ReadFile(file), "kept");

    // Nothing to rename over: a folder of that name, or no folder at all.
    std::filesystem::create_directories(folder + "2.jpg/inside");
    const TReplaceResult onFolder = ReplaceWhole(folder + "2.jpg", "z", ".part-", TDurability::InPlace);
    EXPECT_EQ(onFolder.Outcome, TReplaceOutcome::CannotReplace);
    EXPECT_NE(onFolder.Error, 0);
    const TReplaceResult noFolder = ReplaceWhole(folder + "gone/3.jpg", "z", ".part-", TDurability::InPlace);
    EXPECT_EQ(noFolder.Outcome, TReplaceOutcome::CannotReplace);
    EXPECT_EQ(noFolder.Error, ENOENT);

    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"1.jpg", "2.jpg"})) << "no temporary file is left";
}

TEST(Paths, FoldersFollowTheXdgVariables) {
    TTempProfile profile;
    EXPECT_EQ(AppDataFolder(), profile.Path(".local/share"));
    EXPECT_EQ(TempPath(), profile.Path("tmp/"));
    profile.SetEnv("XDG_DATA_HOME", profile.Path("fresh/data"));
    EXPECT_EQ(AppDataFolder(), profile.Path("fresh/data"));
    EXPECT_TRUE(DirectoryExists(profile.Path("fresh/data"))) << "a fresh account gets the folder";
    profile.SetEnv("XDG_DATA_HOME", "relative/ignored");
    EXPECT_EQ(AppDataFolder(), profile.Path(".local/share"));
    profile.SetEnv("TMPDIR", "/var/tmp/");
    EXPECT_EQ(TempPath(), "/var/tmp/");
}

TEST(MessagePort, DeliversAMessageToTheListeningProcess) {
    TTempProfile profile;
    TMessagePort port;
    ASSERT_TRUE(port.IsListening());
    std::vector<std::uint32_t> received;
    port.OnMessage = [&](std::uint32_t msg, std::uint64_t w, std::int64_t l) {
        EXPECT_EQ(w, 0u);
        EXPECT_EQ(l, 0);
        received.push_back(msg);
    };
    ASSERT_TRUE(PostAppMessage(CurrentProcessId(), WM_RESTORE_APP, 0, 0));
    QElapsedTimer timer;
    timer.start();
    while (received.empty() && timer.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(received, std::vector<std::uint32_t>{WM_RESTORE_APP});
}

TEST(MessagePort, PostingToNobodyFailsAfterItsWait) {
    TTempProfile profile;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(PostAppMessage(CurrentProcessId(), WM_RESTORE_APP, 0, 0, 200));
    EXPECT_GE(timer.elapsed(), 150);
}

TEST(InstanceLock, OnlyTheFirstHolderIsFirst) {
    TTempProfile profile;
    TInstanceLock first("plotvane-test");
    ASSERT_TRUE(first.IsUsable());
    EXPECT_TRUE(first.IsFirst());
    {
        TInstanceLock second("plotvane-test");
        EXPECT_FALSE(second.IsFirst());
        EXPECT_EQ(second.OwnerPid(), CurrentProcessId());
        TInstanceLock other("another-program");
        EXPECT_TRUE(other.IsFirst());
    }
    EXPECT_FALSE(TInstanceLock("plotvane-test").IsFirst()) << "the first keeps its lock";
}
