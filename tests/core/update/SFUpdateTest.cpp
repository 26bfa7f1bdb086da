#include "core/update/SFUpdate.h"
#include "core/settings/DateTime.h"

#include "UpdateAnswer.h"
#include "support/FakeShell.h"
#include "support/LoopbackServer.h"
#include "support/TempProfile.h"

#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>
#include <mutex>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr TDateTime Today = 46365.0; // 8 December 2026
constexpr TVersion Installed = PLOTVANE_VERSION_MAJOR << 24 | PLOTVANE_VERSION_MINOR << 16 |
                               PLOTVANE_VERSION_RELEASE << 8 | PLOTVANE_VERSION_BUILD;

class SFUpdateTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TFakeShell shell;
    std::mutex mutex;
    std::string answer;
    std::string installer = "#!/bin/sh\necho installed\n" + std::string(5000, '#') + "\n";
    int installerStatus = 200;
    // After what its handlers read, so that it stops, its last request answered, before they go.
    TLoopbackServer server;
    std::string stored; // the owner's copy of the status record
    TDateTime clock = Today + 0.5;

    std::unique_ptr<TSFUpdate> update;
    int checksComplete = 0;
    std::vector<TVersion> offered;
    std::vector<std::string> downloaded;
    std::vector<std::string> errors;
    bool acceptDownload = true;

    void SetUp() override {
        profile.SetEnv("http_proxy", server.Url(""));
        profile.SetEnv("no_proxy", "");
        SetClockForTests([this] { return clock; });
        server.Get("/cgi-bin/autoupdate/AutoUpdateSrv.dll/GetProjectInfo",
                   [this](const httplib::Request& req, httplib::Response& res) {
                       EXPECT_EQ(req.get_param_value("ProjectID"), "Plotvane");
                       std::lock_guard lock(mutex);
                       res.set_content(answer, "application/octet-stream");
                   });
        server.Get("/files/plotvane-setup.sh", [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard lock(mutex);
            if (installerStatus != 200) {
                res.status = installerStatus;
                return;
            }
            res.set_content(installer, "application/octet-stream");
        });
        Answer(Installed + 1);
        update = Make();
    }
    void TearDown() override {
        update.reset();
        SetClockForTests({});
    }

    void Answer(TVersion version, const std::string& baseName = "plotvane-setup.sh", bool compressed = true) {
        TAnswerFields fields;
        fields.Version = version;
        fields.BaseName = baseName;
        fields.Compressed = compressed;
        fields.ReleaseFeatures = "Quicker lists.";
        std::lock_guard lock(mutex);
        answer = MakeUpdateAnswer(fields);
    }

    // The checker as the main window sets it up.
    std::unique_ptr<TSFUpdate> Make() {
        auto u = std::make_unique<TSFUpdate>();
        u->ProjectWebID = "Plotvane";
        u->OnReadUpdateStatus = [this](TSFUpdate*, std::string& stream) { stream = stored; };
        u->OnSaveUpdateStatus = [this](TSFUpdate*, const std::string& stream) { stored = stream; };
        u->onVersionCheckComplete = [this](TSFUpdate*) { ++checksComplete; };
        u->onNewVersionAvailable = [this](TSFUpdate*, TVersion v, bool& toDownload) {
            offered.push_back(v);
            toDownload = acceptDownload;
        };
        u->OnDownloadComplete = [this](TSFUpdate*, const std::string& file, bool&) { downloaded.push_back(file); };
        u->OnError = [this](const std::string& message) { errors.push_back(message); };
        u->SetUpdateMode(TUpdateMode::umDaily);
        u->SetVersionFileName(PLOTVANE_VERSIONED_EXE);
        return u;
    }

    // Runs the event loop until done or the time is up, then a little more for stragglers.
    bool Settle(const std::function<bool()>& done, int ms = 10000) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return done();
    }
    bool Idle() const { return update->TransferDone(); }
    std::size_t Requests(const std::string& part) const {
        std::size_t n = 0;
        for (const auto& r : server.Requests())
            n += r.Target.find(part) != std::string::npos ? 1 : 0;
        return n;
    }
    std::string Final() const { return update->TempPath() + "plotvane-setup.sh"; }
    TUpdateStatus StoredStatus() const {
        TUpdateStatus s;
        EXPECT_TRUE(ReadStatusRecord(stored, s));
        return s;
    }
};

} // namespace

TEST_F(SFUpdateTest, FirstRunChecksDownloadsAndHandsOverTheInstaller) {
    EXPECT_EQ(update->VersionFileVersion(), Installed);
    EXPECT_EQ(update->Status().NextCheck, Today) << "daily mode with no date: due today";
    update->CheckForUpdate(false);
    ASSERT_TRUE(Settle([this] { return !downloaded.empty(); }));
    EXPECT_EQ(checksComplete, 1);
    EXPECT_EQ(offered, std::vector<TVersion>{Installed + 1});
    EXPECT_EQ(update->ReleaseFeatures(), "Quicker lists.");
    EXPECT_EQ(downloaded, std::vector<std::string>{Final()});
    EXPECT_TRUE(ReadFile(Final()) == installer);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Final() + ".tmp")));
    EXPECT_EQ(update->Status().DownloadPending, 0);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(Final())).isExecutable());
    EXPECT_TRUE(shell.Calls.empty()) << "the owner left AutoExecute off";

    // The end of the run stores the status, the next check a day on.
    const std::string finalPath = Final();
    update.reset();
    const TUpdateStatus s = StoredStatus();
    EXPECT_EQ(s.Mode, 1);
    EXPECT_DOUBLE_EQ(s.NextCheck, clock + 1);
    EXPECT_EQ(s.TempFile, finalPath + ".tmp");
}

TEST_F(SFUpdateTest, WhenNoCheckIsDue) {
    TUpdateStatus s;
    s.Mode = 0; // never
    stored = WriteStatusRecord(s);
    update->CheckForUpdate(false);
    EXPECT_EQ(checksComplete, 1) << "only the completion, at once";
    Settle([] { return false; }, 100);
    EXPECT_EQ(Requests("GetProjectInfo"), 0u);

    // Daily, checked yesterday at noon: due; next check at 23:00 today: due (only the date counts).
    s.Mode = 1;
    for (TDateTime next : {Today - 0.5, Today + 23.0 / 24}) {
        s.NextCheck = next;
        stored = WriteStatusRecord(s);
        acceptDownload = false;
        update->CheckForUpdate(false);
        ASSERT_TRUE(Settle([this] { return Idle() && !offered.empty(); }));
        offered.clear();
    }
    EXPECT_EQ(Requests("GetProjectInfo"), 2u);
    // Tomorrow: not due, unless forced.
    s.NextCheck = Today + 1;
    stored = WriteStatusRecord(s);
    update->CheckForUpdate(false);
    Settle([] { return false; }, 100);
    EXPECT_EQ(Requests("GetProjectInfo"), 2u);
    update->CheckForUpdate(true);
    ASSERT_TRUE(Settle([this] { return !offered.empty(); }));
    EXPECT_EQ(Requests("GetProjectInfo"), 3u);
}

TEST_F(SFUpdateTest, ANextCheckBeyondTheLongestWaitMeansTheClockWentBack) {
    const auto checks = [this](std::uint8_t mode, TDateTime next) {
        TUpdateStatus s;
        s.Mode = mode;
        s.NextCheck = next;
        stored = WriteStatusRecord(s);
        acceptDownload = false;
        const int before = checksComplete;
        const std::size_t asked = Requests("GetProjectInfo");
        update->CheckForUpdate(false);
        EXPECT_TRUE(Settle([&] { return checksComplete == before + 1 && Idle(); }));
        return Requests("GetProjectInfo") > asked;
    };
    // Set by a weekly check an hour "later" (summer time ended since): not due.
    EXPECT_FALSE(checks(2, clock + 1 / 24.0 + 7));
    // Set while the clock ran a year ahead: due now rather than in a year.
    EXPECT_TRUE(checks(2, clock + 365 + 7));
    EXPECT_FALSE(checks(1, clock + 1.5));
    EXPECT_TRUE(checks(1, clock + 2.5));
    EXPECT_FALSE(checks(3, clock + 31.5));
    EXPECT_TRUE(checks(3, clock + 33));
    // The clock moved forward past the date: due, and the next date counts from the new time.
    EXPECT_TRUE(checks(2, clock - 30));
    update.reset(); // the status is saved as the checker ends
    EXPECT_DOUBLE_EQ(StoredStatus().NextCheck, clock + 7);
}

TEST_F(SFUpdateTest, VersionsThatAreNotNewerOfferNothing) {
    acceptDownload = false;
    Answer(Installed);
    update->CheckForUpdate(true);
    ASSERT_TRUE(Settle([this] { return checksComplete == 1; }));
    EXPECT_TRUE(offered.empty());
    // The top bit set: newer than any version below it.
    Answer(0x80000000u);
    update->CheckForUpdate(true);
    ASSERT_TRUE(Settle([this] { return checksComplete == 2 && !offered.empty(); }));
    EXPECT_EQ(offered, std::vector<TVersion>{0x80000000u});
    // A broken checksum: taken as no new version (in a run of its own, as every check is).
    {
        std::lock_guard lock(mutex);
        answer[answer.size() - 1] ^= 1;
    }
    update = Make();
    update->CheckForUpdate(true);
    ASSERT_TRUE(Settle([this] { return checksComplete == 3; }));
    EXPECT_EQ(offered.size(), 1u);
}

TEST_F(SFUpdateTest, AnInstallerNameFromTheServerMustBeAPlainFileName) {
    for (const char* name : {"../../.bashrc", "..", ".", "", "sub/setup.sh"}) {
        Answer(Installed + 1, name);
        const int before = checksComplete;
        update->CheckForUpdate(true);
        ASSERT_TRUE(Settle([&] { return checksComplete == before + 1; })) << name;
    }
    EXPECT_TRUE(offered.empty()) << "no download is offered";
    EXPECT_EQ(Requests("/files/"), 0u);
}

TEST_F(SFUpdateTest, BadDecompressionGoesToTheErrorReporting) {
    std::string broken = answer;
    broken[60] = static_cast<char>(broken[60] + 1); // U one more than the content gives
    broken = ResealUpdateAnswer(broken);
    {
        std::lock_guard lock(mutex);
        answer = broken;
    }
    update->CheckForUpdate(true);
    ASSERT_TRUE(Settle([this] { return !errors.empty(); }));
    EXPECT_EQ(errors, std::vector<std::string>{"Bad decompression detected!"});
    EXPECT_EQ(checksComplete, 0);
    EXPECT_TRUE(offered.empty());
}

TEST_F(SFUpdateTest, AnInterruptedDownloadIsResumedWithoutAsking) {
    // An earlier run stopped half-way through.
    const std::string partial = update->TempPath() + "plotvane-setup.sh.tmp";
    WriteFile(partial, installer.substr(0, 2000));
    TUpdateStatus s;
    s.DownloadPending = 1;
    s.DownloadVersion = Installed + 1;
    s.Mode = 0; // even with checks switched off
    s.TempFile = partial;
    s.DownloadStarted = Today - 3;
    stored = WriteStatusRecord(s);
    update->CheckForUpdate(false);
    ASSERT_TRUE(Settle([this] { return !downloaded.empty(); }));
    EXPECT_TRUE(offered.empty()) << "resumed without asking";
    const auto requests = server.Requests();
    EXPECT_EQ(requests.back().Headers.find("Range")->second, "bytes=2000-");
    EXPECT_TRUE(ReadFile(Final()) == installer) << ReadFile(Final()).size();
}

TEST_F(SFUpdateTest, ANewerVersionThanThePendingOneStartsAfresh) {
    const std::string partial = update->TempPath() + "plotvane-setup.sh.tmp";
    WriteFile(partial, "old version's bytes");
    TUpdateStatus s;
    s.DownloadPending = 1;
    s.DownloadVersion = Installed + 1;
    s.Mode = 1;
    s.TempFile = partial;
    stored = WriteStatusRecord(s);
    Answer(Installed + 2);
    update->CheckForUpdate(false);
    ASSERT_TRUE(Settle([this] { return !downloaded.empty(); }));
    const auto requests = server.Requests();
    EXPECT_EQ(requests.back().Headers.count("Range"), 0u) << "the old partial file is not continued";
    EXPECT_TRUE(ReadFile(Final()) == installer);
    EXPECT_EQ(update->Status().DownloadPending, 0);
}

TEST_F(SFUpdateTest, FinishingReplacesAnOlderInstallerAndMayRunIt) {
    WriteFile(Final(), "an older installer");
    update->OnDownloadComplete = [this](TSFUpdate*, const std::string& file, bool& autoExecute) {
        downloaded.push_back(file);
        autoExecute = true;
    };
    update->CheckForUpdate(true);
    ASSERT_TRUE(Settle([this] { return !downloaded.empty(); }));
    EXPECT_TRUE(ReadFile(Final()) == installer);
    ASSERT_EQ(shell.Calls.size(), 1u);
    EXPECT_EQ(shell.Calls[0], (TFakeShell::TCall{"open", Final(), ""}));
}

TEST_F(SFUpdateTest, HandlersThatFailCountAsNo) {
    update->onNewVersionAvailable = [this](TSFUpdate*, TVersion v, bool& toDownload) {
        offered.push_back(v);
        toDownload = true;
        throw std::runtime_error("dialog failed");
    };
    update->CheckForUpdate(true);
    ASSERT_TRUE(Settle([this] { return !offered.empty() && Idle(); }));
    Settle([] { return false; }, 100);
    EXPECT_EQ(Requests("/files/"), 0u);
    // A status store that fails reading, or a damaged stored record, resets the status to the
    // member's interval, not to "never": the check due today runs and checks go on.
    ASSERT_EQ(update->UpdateMode(), TUpdateMode::umDaily);
    update->OnReadUpdateStatus = [](TSFUpdate*, std::string&) { throw std::runtime_error("registry"); };
    const int checksBefore = checksComplete;
    update->CheckForUpdate(false);
    EXPECT_EQ(update->Status().Mode, static_cast<std::uint8_t>(TUpdateMode::umDaily));
    ASSERT_TRUE(Settle([&] { return checksComplete > checksBefore && Idle(); }));
    update->OnReadUpdateStatus = [](TSFUpdate*, std::string& stream) { stream = "short"; };
    update->CheckForUpdate(false);
    EXPECT_EQ(update->Status().Mode, static_cast<std::uint8_t>(TUpdateMode::umDaily));
    EXPECT_EQ(update->Status().NextCheck, Today);
    ASSERT_TRUE(Settle([&] { return checksComplete > checksBefore + 1 && Idle(); }));
}

TEST_F(SFUpdateTest, SavedNextCheckFollowsTheMode) {
    const auto nextAfter = [this](TUpdateMode mode) {
        update->SetUpdateMode(mode);
        update.reset();
        const TDateTime next = StoredStatus().NextCheck;
        update = Make();
        return next;
    };
    EXPECT_EQ(nextAfter(TUpdateMode::umNever), 0);
    EXPECT_DOUBLE_EQ(nextAfter(TUpdateMode::umWeekly), clock + 7);
    EXPECT_DOUBLE_EQ(nextAfter(TUpdateMode::umMonthly), clock + 31) << "December has 31 days";
    // Writing the mode schedules only when no date is set.
    auto fresh = std::make_unique<TSFUpdate>();
    fresh->SetUpdateMode(TUpdateMode::umMonthly);
    EXPECT_DOUBLE_EQ(fresh->Status().NextCheck, clock + 31);
    fresh->SetUpdateMode(TUpdateMode::umDaily);
    EXPECT_DOUBLE_EQ(fresh->Status().NextCheck, clock + 31);
    EXPECT_EQ(fresh->Status().Mode, 1);
}

TEST_F(SFUpdateTest, ADownloadCutShortInOneRunIsFinishedByTheNext) {
    // A big installer served slowly, so that the first run ends in the middle of it.
    std::string big;
    for (int i = 0; big.size() < 400000; ++i)
        big += "# line " + std::to_string(i) + " of the installer\n";
    {
        std::lock_guard lock(mutex);
        installer = big;
    }
    std::atomic<bool> slow{true};
    server.Get("/slow/plotvane-setup.sh", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(big.size(), "application/octet-stream",
                                 [&](size_t offset, size_t length, httplib::DataSink& sink) {
                                     const size_t n = std::min<size_t>(length, slow ? 8192 : length);
                                     sink.write(big.data() + offset, n);
                                     if (slow)
                                         std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                     return !server.Stopping();
                                 });
    });
    TAnswerFields fields;
    fields.Version = Installed + 1;
    fields.DownloadFolder = "http://update.plotvane.example/slow";
    {
        std::lock_guard lock(mutex);
        answer = MakeUpdateAnswer(fields);
    }
    update->CheckForUpdate(false);
    const std::string partial = update->TempPath() + "plotvane-setup.sh.tmp";
    ASSERT_TRUE(Settle([&] { return QFile(QString::fromStdString(partial)).size() > 50000; }));
    update.reset(); // the run ends: the transfer is cancelled and the status stored
    const qint64 cut = QFile(QString::fromStdString(partial)).size();
    ASSERT_GT(cut, 0);
    ASSERT_LT(cut, static_cast<qint64>(big.size()));
    EXPECT_EQ(StoredStatus().DownloadPending, 1);

    slow = false;
    offered.clear();
    update = Make();
    update->CheckForUpdate(false);
    ASSERT_TRUE(Settle([this] { return !downloaded.empty(); }));
    EXPECT_TRUE(offered.empty()) << "resumed without asking";
    EXPECT_EQ(server.Requests().back().Headers.find("Range")->second, "bytes=" + std::to_string(cut) + "-");
    EXPECT_TRUE(ReadFile(Final()) == big) << "byte-identical, " << ReadFile(Final()).size() << " bytes";
}

TEST_F(SFUpdateTest, TheInstallerIsDownloadedIntoAFolderOnlyTheMemberEnters) {
    // Another local user plants a program under the name the update answer gives, in the shared
    // temporary folder: it must never become the installer.
    const std::string planted = platform::TempPath() + "plotvane-setup.sh";
    WriteFile(planted, "#!/bin/sh\necho planted\n", 0755);
    update->CheckForUpdate(true);
    ASSERT_TRUE(Settle([this] { return !downloaded.empty(); }));
    ASSERT_EQ(downloaded.size(), 1u);
    EXPECT_EQ(downloaded[0], profile.Path(".cache/Plotvane/plotvane-setup.sh"));
    EXPECT_TRUE(ReadFile(downloaded[0]) == installer);
    EXPECT_EQ(ReadFile(planted), "#!/bin/sh\necho planted\n");
    EXPECT_EQ(QFileInfo(QString::fromStdString(profile.Path(".cache/Plotvane"))).permissions() & 0x0077, 0)
        << "no one but the member may enter the folder";
}

// Runs a shell command as another local user (nobody), as a second member of the machine would.
bool AsOtherUser(const std::string& command) {
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("setpriv")),
            {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
             QStringLiteral("/bin/sh"), QStringLiteral("-c"), QString::fromStdString(command)});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

TEST_F(SFUpdateTest, ASecondUserCannotPlantTheInstallerInASharedCacheFolder) {
    if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        GTEST_SKIP() << "acting as a second user needs root and setpriv";
    // The cache folder lies where everyone may write, as /tmp is.
    QTemporaryDir shared(QStringLiteral("/tmp/plotvane-shared-XXXXXX")); // the profile itself is closed to others
    ASSERT_TRUE(QFile::setPermissions(shared.path(), QFileDevice::Permissions(0x7777)));
    ASSERT_EQ(::chmod(shared.path().toLocal8Bit().constData(), 01777), 0);
    const std::string cache = shared.path().toStdString();
    profile.SetEnv("XDG_CACHE_HOME", cache);
    const std::string notes = profile.Path("notes.txt");
    WriteFile(notes, "the member's notes\n");

    // The other user takes the folder's name first and plants a program in it.
    ASSERT_TRUE(AsOtherUser("mkdir -m 0777 " + cache + "/Plotvane && printf '#!/bin/sh\\necho planted\\n' > " + cache +
                            "/Plotvane/plotvane-setup.sh && chmod 0755 " + cache + "/Plotvane/plotvane-setup.sh"));
    update = Make();
    EXPECT_EQ(update->TempPath(), "") << "a folder of another user's is no download folder";
    update->CheckForUpdate(true);
    Settle([this] { return !downloaded.empty(); }, 3000);
    EXPECT_TRUE(downloaded.empty()) << "nothing is offered to run";
    EXPECT_EQ(Requests("/files/"), 0u);

    // The member's own folder, left open to everyone, into which the other user has planted a
    // program under the installer's name and a link to the member's notes as the partial file.
    ASSERT_TRUE(AsOtherUser("rm -rf " + cache + "/Plotvane"));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(cache + "/Plotvane")));
    ASSERT_EQ(::chmod((cache + "/Plotvane").c_str(), 0777), 0);
    ASSERT_TRUE(AsOtherUser(
        "printf '#!/bin/sh\\necho planted\\n' > " + cache + "/Plotvane/plotvane-setup.sh && chmod 0755 " + cache +
        "/Plotvane/plotvane-setup.sh && ln -s " + notes + " " + cache + "/Plotvane/plotvane-setup.sh.tmp"));
    update = Make();
    ASSERT_EQ(update->TempPath(), cache + "/Plotvane/");
    EXPECT_EQ(QFileInfo(QString::fromStdString(cache + "/Plotvane")).permissions() & 0x0077, 0)
        << "closed to everyone else before anything is downloaded into it";
    update->CheckForUpdate(true);
    ASSERT_TRUE(Settle([this] { return !downloaded.empty(); }));
    EXPECT_EQ(ReadFile(notes), "the member's notes\n");
    // What is offered is the member's own file holding what the server sent.
    struct stat st {};
    ASSERT_EQ(::lstat(downloaded[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, ::geteuid());
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_TRUE(ReadFile(downloaded[0]) == installer);
}

TEST_F(SFUpdateTest, APendingDownloadOutsideTheFolderOrALinkInItIsNeverWrittenTo) {
    // The settings name a file of the member's as the partial download: nothing is appended.
    const std::string notes = profile.Path("notes.txt");
    WriteFile(notes, "the member's notes\n");
    TUpdateStatus s;
    s.DownloadPending = 1;
    s.DownloadVersion = Installed + 1;
    s.TempFile = notes;
    stored = WriteStatusRecord(s);
    update = Make();
    update->CheckForUpdate(false);
    // Long enough for a download of the installer to have run and finished.
    Settle([this] { return !downloaded.empty(); }, 3000);
    EXPECT_EQ(ReadFile(notes), "the member's notes\n");
    EXPECT_TRUE(downloaded.empty());
    EXPECT_EQ(update->Status().DownloadPending, 0) << "the pending download is dropped";
    EXPECT_EQ(Requests("/files/"), 0u);

    // A link where the partial file goes would have the download written to its target.
    const std::string link = update->TempPath() + "plotvane-setup.sh.tmp";
    ASSERT_EQ(::symlink(notes.c_str(), link.c_str()), 0);
    update->CheckForUpdate(true);
    ASSERT_TRUE(Settle([this] { return !downloaded.empty(); }));
    EXPECT_EQ(ReadFile(notes), "the member's notes\n") << "the link went, not what it points to";
    EXPECT_TRUE(ReadFile(downloaded[0]) == installer);
    EXPECT_TRUE(platform::IsOwnRegularFile(downloaded[0]));
}

TEST_F(SFUpdateTest, A416ToARequestWithoutARangeIsNoFinishedDownload) {
    {
        std::lock_guard lock(mutex);
        installerStatus = 416;
    }
    const std::string stale = update->TempPath() + "plotvane-setup.sh";
    WriteFile(stale, "an installer of an earlier update", 0755);
    update->CheckForUpdate(true);
    Settle([this] { return !downloaded.empty(); }, 3000);
    EXPECT_GT(Requests("/files/"), 0u);
    EXPECT_TRUE(downloaded.empty()) << "no \"Ready to install\" without a file";
    EXPECT_EQ(ReadFile(stale), "an installer of an earlier update");
}
