// The cache and the settings under a process killed at random moments and under a full disk:
// each file is always either the old or the new one, whole.

#include "core/net/DownloadQueue.h"
#include "core/settings/OptionsUnit.h"
#include "platform/Paths.h"
#include "platform/RegFile.h"
#include "platform/Registry.h"

#include "support/ChildMode.h"
#include "support/FileFaults.h"
#include "support/LoopbackServer.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <iostream>
#include <mutex>
#include <random>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char* const FeedNames[2] = {"QueueRSS", "TrackingRSS"};

// Two versions of each feed, some MB each, so that writing one takes a while.
const std::string& Version(int feed, int which) {
    static const auto make = [](const char* name, int items) {
        std::string text =
            "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>" + std::string(name) + "</title>";
        for (int i = 0; i < items; ++i)
            text += "<item><title>" + std::to_string(i + 1) + "- Title " + std::to_string(i) +
                    "</title><link>http://www.netflix.com/MovieDisplay?movieid=" + std::to_string(70000000 + i) +
                    "</link><description>" + std::string(400, 'd') + "</description></item>";
        return text + "</channel></rss>";
    };
    static const std::string versions[2][2] = {{make("Queue", 4000), make("Queue", 6000)},
                                               {make("Tracking", 3000), make("Tracking", 5000)}};
    return versions[feed][which];
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// One run of a download queue over both feeds, as a refresh makes it; "any" lets the server
// choose the version of each answer, "v0" and "v1" ask for one.
void RefreshFeeds(const std::string& folder, const std::string& version) {
    auto* queue = new TDownloadQueue;
    queue->FreeOnTerminate = true;
    QEventLoop loop;
    queue->OnTerminate = [&loop](TDownloadQueue*) { loop.quit(); };
    queue->SetFolder(folder);
    for (const char* name : FeedNames)
        queue->Add("http://rss.netflix.com/" + version + "/" + name, std::string(name) + ".xml", true, nullptr);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    queue->Start();
    loop.exec();
}

bool CacheHolds(const std::string& folder, int which) {
    for (int feed = 0; feed < 2; ++feed)
        if (ReadFile(folder + FeedNames[feed] + ".xml") != Version(feed, which))
            return false;
    return true;
}

int Leftovers(const std::string& folder, const QString& marker) {
    int n = 0;
    for (const QString& name : QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden))
        n += name.contains(marker) ? 1 : 0;
    return n;
}

// Refreshes and saves the settings without pause, as a running program does between pauses.
const bool g_writer = RegisterChildMode("cache-writer", [] {
    const std::string folder = Env("PV_CACHE");
    for (int round = 0;; ++round) {
        RefreshFeeds(folder, "any");
        if (round % 3 != 0)
            continue; // a save waits for the disk: as often, it would take most of the kills
        Config.NetFlixID = round % 2 ? "ODD" : "EVEN";
        Config.MoviesInQueue = round % 8;
        Config.NLFA = 46000 + round;
        SaveConfig();
        if (round == 0)
            WriteFile(Env("PV_STARTED"), "");
    }
    return 0;
});

// Fills the disk; false when the disk does not fill (a file-size limit stands in).
bool FillDisk(const std::string& filler) {
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const std::string block(65536, 'f');
    ssize_t n = 0;
    while ((n = ::write(fd, block.data(), block.size())) > 0) {
    }
    const bool full = n < 0 && errno == ENOSPC;
    ::close(fd);
    return full;
}

// A refresh and a settings save on a full disk, then again once there is room.
const bool g_fullDisk = RegisterChildMode("full-disk", [] {
    const std::string disk = Env("PV_DISK");
    const bool tmpfs = MountSmallDisk(disk, 32 << 20);
    ::setenv("XDG_CONFIG_HOME", (disk + "/config").c_str(), 1);
    const std::string cache = disk + "/cache/";
    const std::string registry = platform::TRegistry::DefaultFile();
    const auto fail = [](const char* what) {
        std::cerr << "full disk: " << what << "\n";
        return 1;
    };

    RefreshFeeds(cache, "v0");
    Config.NetFlixID = "OLD";
    SaveConfig();
    if (!CacheHolds(cache, 0))
        return fail("the old copies were not written");
    const std::string oldSettings = ReadFile(registry);

    const std::string filler = disk + "/filler";
    if (tmpfs) {
        if (!FillDisk(filler))
            return fail("the disk did not fill");
    } else {
        // No small disk here: a file-size limit below every file's size fails the writes instead.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    RefreshFeeds(cache, "v1");
    Config.NetFlixID = "NEW";
    if (TrySaveConfig())
        return fail("a settings write on a full disk reported success");
    if (!CacheHolds(cache, 0) || Leftovers(cache, QStringLiteral(".part")) != 0)
        return fail("the cache changed");
    if (ReadFile(registry) != oldSettings || !platform::ParseRegFile(oldSettings).Clean)
        return fail("the settings file changed");
    SetDefaultConfig();
    LoadConfig();
    if (Config.NetFlixID != "OLD")
        return fail("the old settings do not read");

    if (tmpfs) {
        ::unlink(filler.c_str());
    } else {
        const rlimit limit{RLIM_INFINITY, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    RefreshFeeds(cache, "v1");
    Config.NetFlixID = "NEW";
    if (!TrySaveConfig())
        return fail("the settings write failed with room again");
    if (!CacheHolds(cache, 1))
        return fail("the new feeds did not arrive with room again");
    SetDefaultConfig();
    LoadConfig();
    if (Config.NetFlixID != "NEW")
        return fail("the new settings do not read");
    std::cerr << "full disk: " << (tmpfs ? "a full 32 MiB tmpfs" : "a 64-byte file-size limit") << "\n";
    return 0;
});

// Whether process pid holds open a file in folder whose name holds marker. A part of a cache
// file is an unnamed file there until it is complete, and shows as "<folder>#<inode> (deleted)".
bool HoldsOpen(pid_t pid, const std::string& folder, std::string_view marker) {
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd/";
    DIR* dir = ::opendir(fds.c_str());
    if (!dir)
        return false;
    bool holds = false;
    while (const dirent* entry = ::readdir(dir)) {
        char target[4096];
        const ssize_t n = ::readlink((fds + entry->d_name).c_str(), target, sizeof target);
        const std::string_view path(target, n > 0 ? static_cast<std::size_t>(n) : 0);
        if (path.starts_with(folder) && path.substr(folder.size()).find(marker) != std::string_view::npos)
            holds = true;
    }
    ::closedir(dir);
    return holds;
}

class CacheFaultTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TLoopbackServer server;
    std::string cache;
    std::mutex mutex;
    std::mt19937 random{20261209};

    void SetUp() override {
        profile.SetEnv("http_proxy", server.Url(""));
        profile.SetEnv("no_proxy", "");
        cache = profile.Path("data/Cache/");
        QDir().mkpath(QString::fromStdString(cache));
        server.GetRegex(R"(/(any|v0|v1)/(QueueRSS|TrackingRSS))",
                        [this](const httplib::Request& req, httplib::Response& res) {
                            const int feed = req.matches[2] == "QueueRSS" ? 0 : 1;
                            int which = req.matches[1] == "v1" ? 1 : 0;
                            if (req.matches[1] == "any") {
                                std::lock_guard lock(mutex);
                                which = static_cast<int>(random() % 2);
                            }
                            res.set_content(Version(feed, which), "text/xml");
                        });
    }
    void TearDown() override { SetDefaultConfig(); }
};

} // namespace

TEST_F(CacheFaultTest, KilledAtRandomMomentsLeavesEachFileOldOrNewAndWhole) {
    ASSERT_TRUE(g_writer);
    const std::string started = profile.Path("started");
    const std::string settingsFolder = platform::ExtractFilePath(profile.RegistryFile());
    profile.SetEnv("PV_CACHE", cache);
    profile.SetEnv("PV_STARTED", started);
    WriteFile(cache + "QueueRSS.xml", Version(0, 0));
    WriteFile(cache + "TrackingRSS.xml", Version(1, 0));
    // A third of the kills at any moment, a third while a cache file is being written, a third
    // while the settings are; each writer is stopped first, so what it was doing can be seen.
    constexpr int Cases = 60;
    int lost = 0;
    int inCacheWrite = 0;
    int inSettingsWrite = 0;
    for (int i = 0; i < Cases; ++i) {
        QFile::remove(QString::fromStdString(started));
        const pid_t child = StartChildMode("cache-writer");
        ASSERT_GT(child, 0);
        QElapsedTimer timer;
        timer.start();
        while (!QFile::exists(QString::fromStdString(started)) && timer.elapsed() < 30000)
            ::usleep(2000);
        ASSERT_TRUE(QFile::exists(QString::fromStdString(started))) << "case " << i;
        const auto writingCache = [&] { return HoldsOpen(child, cache, ""); };
        const auto writingSettings = [&] { return HoldsOpen(child, settingsFolder, ".tmp-"); };
        const auto stop = [child] {
            ::kill(child, SIGSTOP);
            int status = 0;
            ::waitpid(child, &status, WUNTRACED);
        };
        if (i % 3 == 0) {
            ::usleep(static_cast<useconds_t>(random() % 150000));
            stop();
        } else {
            // The write seen may end between the look and the stop: then the writer goes on
            // and the next write is waited for.
            const auto target = [&] { return i % 3 == 1 ? writingCache() : writingSettings(); };
            timer.restart();
            for (;;) {
                while (!target() && timer.elapsed() < 20000) {
                }
                stop();
                if (target() || timer.elapsed() >= 20000)
                    break;
                ::kill(child, SIGCONT);
            }
        }
        inCacheWrite += writingCache() ? 1 : 0;
        inSettingsWrite += writingSettings() ? 1 : 0;
        ::kill(child, SIGKILL);
        ASSERT_EQ(WaitForChild(child), 128 + SIGKILL);

        for (int feed = 0; feed < 2; ++feed) {
            const std::string bytes = ReadFile(cache + FeedNames[feed] + ".xml");
            if (bytes != Version(feed, 0) && bytes != Version(feed, 1)) {
                ++lost;
                ADD_FAILURE() << "case " << i << ": " << FeedNames[feed] << " holds " << bytes.size() << " bytes";
            }
        }
        const auto settings = platform::ParseRegFile(ReadFile(profile.RegistryFile()));
        SetDefaultConfig();
        LoadConfig();
        if (!settings.Clean || (Config.NetFlixID != "EVEN" && Config.NetFlixID != "ODD") || Config.NLFA < 46000) {
            ++lost;
            ADD_FAILURE() << "case " << i << ": the settings read \"" << Config.NetFlixID << "\"";
        }
        // What a kill in the middle of a write may leave; the next start clears it.
        EXPECT_LE(Leftovers(cache, QStringLiteral(".part-")), 1) << "case " << i << ": earlier parts stayed";
        EXPECT_LE(Leftovers(settingsFolder, QStringLiteral(".tmp-")), 1) << "case " << i;
    }
    std::cout << Cases << " kills: " << inCacheWrite << " in a cache write, " << inSettingsWrite
              << " in a settings write, " << lost << " files lost\n";
    EXPECT_EQ(lost, 0);
    EXPECT_GE(inCacheWrite, Cases / 3);
    EXPECT_GE(inSettingsWrite, Cases / 3);
}

TEST_F(CacheFaultTest, FullDiskKeepsTheOldCacheAndSettings) {
    ASSERT_TRUE(g_fullDisk);
    const std::string disk = profile.Path("disk");
    QDir().mkpath(QString::fromStdString(disk));
    profile.SetEnv("PV_DISK", disk);
    const pid_t child = StartChildMode("full-disk");
    ASSERT_GT(child, 0);
    EXPECT_EQ(WaitForChild(child), 0);
}
