#include "core/net/DownloadQueue.h"
#include "platform/Network.h"

#include "support/ChildMode.h"
#include "support/LoopbackServer.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct TDone {
    std::string Url;
    void* Data;
    bool Success;
    std::string FileName;
    bool OnMainThread;
};

class DownloadQueueTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TLoopbackServer server;
    std::string folder = profile.Path("Cache/");

    void SetUp() override {
        profile.SetEnv("http_proxy", server.Url(""));
        profile.SetEnv("no_proxy", "");
        QDir().mkpath(QString::fromStdString(folder));
    }
    void TearDown() override { platform::SetNetworkUpForTests(std::nullopt); }

    void Serve(const std::string& path, const std::string& body, bool chunked = false) {
        server.Get(path, [=](const httplib::Request&, httplib::Response& res) {
            if (chunked) {
                res.set_chunked_content_provider("text/plain", [body](size_t, httplib::DataSink& sink) {
                    sink.write(body.data(), body.size());
                    sink.done();
                    return true;
                });
            } else {
                res.set_content(body, "application/octet-stream");
            }
        });
    }

    std::size_t GetsOf(const std::string& path) const {
        std::size_t n = 0;
        for (const auto& r : server.Requests())
            n += r.Target.find(path) != std::string::npos;
        return n;
    }

    // A queue set up as the owners set it up; Run() starts it and waits for its end.
    struct TRun {
        TDownloadQueue* Queue = new TDownloadQueue;
        std::vector<TDone> Done;
        bool Terminated = false;
        std::vector<std::int32_t> Sizes;

        TRun() {
            Queue->FreeOnTerminate = true;
            Queue->SetOnItemDone(
                [this](TDownloadQueue*, const std::string& url, void* data, bool success, const std::string& fileName) {
                    Done.push_back({url, data, success, fileName, QThread::currentThread() == qApp->thread()});
                });
            Queue->OnTerminate = [this](TDownloadQueue* q) {
                Terminated = QThread::currentThread() == qApp->thread();
                for (int i = 0; i < q->Count(); ++i)
                    Sizes.push_back(q->GetItem(i)->Size);
            };
        }

        void Run() {
            QPointer<TDownloadQueue> alive(Queue);
            QEventLoop loop;
            QTimer::singleShot(20000, &loop, &QEventLoop::quit);
            QObject::connect(Queue, &QObject::destroyed, &loop, &QEventLoop::quit);
            Queue->Start();
            loop.exec();
            EXPECT_TRUE(Terminated) << "the end-of-run notification ran on the main thread";
            EXPECT_TRUE(alive.isNull()) << "the queue freed itself";
        }
    };
};

} // namespace

TEST_F(DownloadQueueTest, EmptyQueueEndsAtOnce) {
    TRun run;
    run.Run();
    EXPECT_TRUE(run.Done.empty());
}

TEST_F(DownloadQueueTest, DownloadsMissingFilesAndReportsOnTheMainThread) {
    Serve("/a.jpg", "AAAA");
    int token = 7;
    TRun run;
    run.Queue->SetFolder(folder);
    run.Queue->Add("http://cdn.test/a.jpg", "a.jpg", false, &token);
    run.Queue->Add("http://cdn.test/missing.jpg", "b.jpg", false, nullptr);
    run.Run();
    ASSERT_EQ(run.Done.size(), 2u);
    EXPECT_EQ(run.Done[0].Url, "http://cdn.test/a.jpg");
    EXPECT_EQ(run.Done[0].Data, &token);
    EXPECT_TRUE(run.Done[0].Success);
    EXPECT_EQ(run.Done[0].FileName, folder + "a.jpg");
    EXPECT_TRUE(run.Done[0].OnMainThread);
    EXPECT_EQ(ReadFile(folder + "a.jpg"), "AAAA") << "no OnDataArrived: every non-empty body is saved";
    EXPECT_EQ(run.Sizes, (std::vector<std::int32_t>{4, -1}));
    // httplib answers 404 with an empty body for an unknown path: nothing to save.
    EXPECT_FALSE(run.Done[1].Success);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder + "b.jpg")));
}

TEST_F(DownloadQueueTest, CachedFilesAreNotFetchedAgain) {
    Serve("/zero.jpg", "new bytes");
    WriteFile(folder + "zero.jpg", "");
    TRun run;
    run.Queue->SetFolder(folder);
    run.Queue->Add("http://cdn.test/zero.jpg", "zero.jpg", false, nullptr);
    run.Run();
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_TRUE(run.Done.at(0).Success);
    EXPECT_EQ(run.Sizes, std::vector<std::int32_t>{0});
}

TEST_F(DownloadQueueTest, CheckSizeWithoutALengthKeepsTheCachedFile) {
    Serve("/feed.xml", "<rss>new and longer</rss>", true);
    WriteFile(folder + "feed.xml", "<rss/>");
    TRun run;
    run.Queue->SetFolder(folder);
    run.Queue->Add("http://rss.test/feed.xml", "feed.xml", true, nullptr);
    run.Run();
    EXPECT_EQ(GetsOf("/feed.xml"), 1u) << "the length query only";
    EXPECT_EQ(ReadFile(folder + "feed.xml"), "<rss/>");
    EXPECT_EQ(run.Sizes, std::vector<std::int32_t>{6});
}

TEST_F(DownloadQueueTest, ChangedLengthFetchesAndTheOwnerDecides) {
    Serve("/feed.xml", "<rss>changed</rss>");
    for (const bool accept : {false, true}) {
        WriteFile(folder + "feed.xml", "<rss/>");
        std::string seenBytes;
        bool acceptArrived = false;
        qint64 positionSeen = -1;
        TRun run;
        run.Queue->SetFolder(folder);
        run.Queue->SetOnDataArrived(
            [&](TDownloadQueue*, const std::string&, void*, bool& acc, QIODevice& stream, const std::string& fileName) {
                acceptArrived = acc;
                positionSeen = stream.pos();
                seenBytes = stream.readAll().toStdString();
                EXPECT_EQ(fileName, folder + "feed.xml");
                acc = accept;
            });
        run.Queue->Add("http://rss.test/feed.xml", "feed.xml", true, nullptr);
        run.Run();
        EXPECT_TRUE(acceptArrived);
        EXPECT_EQ(positionSeen, 0);
        EXPECT_EQ(seenBytes, "<rss>changed</rss>");
        EXPECT_EQ(ReadFile(folder + "feed.xml"), accept ? "<rss>changed</rss>" : "<rss/>");
        EXPECT_EQ(run.Sizes, std::vector<std::int32_t>{accept ? 18 : 6});
        EXPECT_TRUE(run.Done.at(0).Success);
    }
    EXPECT_TRUE(QDir(QString::fromStdString(folder)).entryList(QDir::Files) == QStringList{QStringLiteral("feed.xml")})
        << "no temporary file is left behind";
}

TEST_F(DownloadQueueTest, BrokenHugeOrEndlessDownloadsLeaveTheCacheAlone) {
    server.Get("/feed.xml", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(5000, "text/xml", [](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset > 0)
                return false;
            sink.write("<rss>trunc", 10);
            return true;
        });
    });
    server.Garbage("/huge.xml", 100'000'000);
    server.Garbage("/endless.xml", -1);
    WriteFile(folder + "feed.xml", "<rss/>");
    WriteFile(folder + "huge.xml", "<rss>huge</rss>");
    TRun run;
    run.Queue->SetFolder(folder);
    run.Queue->Add("http://rss.test/feed.xml", "feed.xml", true, nullptr);
    run.Queue->Add("http://rss.test/huge.xml", "huge.xml", true, nullptr);
    run.Queue->Add("http://rss.test/endless.xml", "endless.xml", true, nullptr);
    run.Run();
    EXPECT_EQ(ReadFile(folder + "feed.xml"), "<rss/>");
    EXPECT_EQ(ReadFile(folder + "huge.xml"), "<rss>huge</rss>");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder + "endless.xml")));
    EXPECT_EQ(run.Sizes, (std::vector<std::int32_t>{6, 15, -1}));
    EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::Files).size(), 2) << "no part left behind";
}

TEST_F(DownloadQueueTest, NetworkDownReportsWhatIsCached) {
    platform::SetNetworkUpForTests(false);
    WriteFile(folder + "cached.xml", "12345");
    TRun run;
    run.Queue->SetFolder(folder);
    run.Queue->Add("http://rss.test/cached.xml", "cached.xml", true, nullptr);
    run.Queue->Add("http://rss.test/new.xml", "new.xml", false, nullptr);
    run.Queue->AddSizeQuery("http://rss.test/cached.xml");
    run.Run();
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_EQ(run.Sizes, (std::vector<std::int32_t>{5, -1, -1}));
    ASSERT_EQ(run.Done.size(), 3u);
    EXPECT_TRUE(run.Done[0].Success);
    EXPECT_FALSE(run.Done[1].Success);
    EXPECT_FALSE(run.Done[2].Success);
}

TEST_F(DownloadQueueTest, SizeQueriesReportTheFolderAndTheLength) {
    Serve("/QueueRSS", "0123456789");
    Serve("/TrackingRSS", "abc", true);
    TRun run;
    run.Queue->SetFolder(folder);
    run.Queue->AddSizeQuery("http://rss.test/QueueRSS?id=1");
    run.Queue->AddSizeQuery("http://rss.test/TrackingRSS?id=1");
    run.Run();
    EXPECT_EQ(run.Sizes, (std::vector<std::int32_t>{10, -1}));
    ASSERT_EQ(run.Done.size(), 2u);
    EXPECT_EQ(run.Done[0].FileName, folder);
    EXPECT_TRUE(run.Done[0].Success);
    EXPECT_FALSE(run.Done[1].Success);
    EXPECT_TRUE(QDir(QString::fromStdString(folder)).entryList(QDir::Files).isEmpty());
}

TEST_F(DownloadQueueTest, ItemsAddedByANotificationRunInTheSameRun) {
    Serve("/1", "one");
    Serve("/2", "two");
    Serve("/3", "three");
    TRun run;
    run.Queue->SetFolder(folder);
    run.Queue->Add("http://x.test/1", "1", false, nullptr);
    run.Queue->Add("http://x.test/2", "2", false, nullptr);
    run.Queue->SetOnItemDone([&](TDownloadQueue* q, const std::string& url, void*, bool success, const std::string&) {
        run.Done.push_back({url, nullptr, success, {}, true});
        if (url == "http://x.test/1")
            q->Add("http://x.test/3", "3", false, nullptr);
    });
    run.Run();
    ASSERT_EQ(run.Done.size(), 3u);
    EXPECT_EQ(run.Done[2].Url, "http://x.test/3");
    EXPECT_EQ(ReadFile(folder + "3"), "three");
}

TEST_F(DownloadQueueTest, TerminationStopsBeforeTheNextItem) {
    Serve("/1", "one");
    Serve("/2", "two");
    TRun run;
    run.Queue->SetFolder(folder);
    run.Queue->Add("http://x.test/1", "1", false, nullptr);
    run.Queue->Add("http://x.test/2", "2", false, nullptr);
    run.Queue->SetOnItemDone([&](TDownloadQueue* q, const std::string& url, void*, bool, const std::string&) {
        run.Done.push_back({url, nullptr, true, {}, true});
        q->Terminate();
    });
    run.Run();
    EXPECT_EQ(run.Done.size(), 1u);
    EXPECT_EQ(GetsOf("/2"), 0u);
}

TEST_F(DownloadQueueTest, FailingHandlersDoNotStopTheRun) {
    Serve("/1", "one");
    Serve("/2", "two");
    TRun run;
    run.Queue->SetFolder(folder);
    run.Queue->Add("http://x.test/1", "1", false, nullptr);
    run.Queue->Add("http://x.test/2", "2", false, nullptr);
    int calls = 0;
    run.Queue->SetOnDataArrived([&](TDownloadQueue*, const std::string&, void*, bool&, QIODevice&, const std::string&) {
        ++calls;
        throw std::runtime_error("handler failed");
    });
    run.Queue->SetOnItemDone([&](TDownloadQueue*, const std::string&, void*, bool, const std::string&) {
        throw std::runtime_error("handler failed");
    });
    run.Run();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(ReadFile(folder + "2"), "two") << "Accept stayed true";
}

TEST_F(DownloadQueueTest, FolderRules) {
    TDownloadQueue queue;
    queue.SetFolder(folder.substr(0, folder.size() - 1));
    EXPECT_EQ(queue.Folder(), folder);
    queue.SetFolder(profile.Path("Cache/New"));
    EXPECT_EQ(queue.Folder(), profile.Path("Cache/New/")) << "one level is created";
    queue.SetFolder(profile.Path("no/such/parent"));
    EXPECT_EQ(queue.Folder(), profile.Path("Cache/New/")) << "a failed creation keeps the folder";
    queue.SetFolder("   ");
    EXPECT_EQ(queue.Folder(), "");
    queue.Add("u", "f", false, nullptr);
    EXPECT_EQ(queue.GetItem(-1), nullptr);
    EXPECT_EQ(queue.GetItem(1), nullptr);
    ASSERT_NE(queue.GetItem(0), nullptr);
    EXPECT_EQ(queue.GetItem(0)->Size, 0);
}

TEST_F(DownloadQueueTest, BlankFolderWritesToTheWorkingDirectory) {
    Serve("/bare.xml", "bare");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(folder)));
    TRun run;
    run.Queue->SetFolder(" ");
    run.Queue->Add("http://x.test/bare.xml", "bare.xml", false, nullptr);
    run.Run();
    QDir::setCurrent(before);
    EXPECT_EQ(run.Done.at(0).FileName, "bare.xml");
    EXPECT_EQ(ReadFile(folder + "bare.xml"), "bare");
}

TEST_F(DownloadQueueTest, ReadOnlyCachedFileDoesNotStopTheRun) {
    Serve("/later.jpg", "later");
    Serve("/ro.xml", "a different, longer body");
    WriteFile(folder + "ro.xml", "read-only", 0444);
    WriteFile(folder + "kept.jpg", "kept", 0444);
    TRun run;
    run.Queue->SetFolder(folder);
    run.Queue->Add("http://x.test/kept.jpg", "kept.jpg", false, nullptr);
    run.Queue->Add("http://x.test/ro.xml", "ro.xml", true, nullptr);
    run.Queue->Add("http://x.test/later.jpg", "later.jpg", false, nullptr);
    run.Run();
    ASSERT_EQ(run.Done.size(), 3u);
    EXPECT_EQ(run.Sizes[0], 4);
    // Whether a read-only file may be replaced depends on who runs the test; the report matches the disk.
    EXPECT_EQ(run.Sizes[1], static_cast<std::int32_t>(ReadFile(folder + "ro.xml").size()));
    EXPECT_EQ(ReadFile(folder + "later.jpg"), "later");
}

// In a process of its own: one download over a cached file, whose new body is larger than the
// process may write, as on a full disk. The length is recorded before the write, as it always was.
const bool g_limitedWriter = RegisterChildMode("limited-writer", [] {
    const char* folder = std::getenv("PV_FOLDER");
    if (!folder)
        return 2;
    auto* queue = new TDownloadQueue;
    queue->FreeOnTerminate = true;
    std::vector<std::int32_t> sizes;
    QEventLoop loop;
    queue->OnTerminate = [&](TDownloadQueue* q) {
        sizes.push_back(q->GetItem(0)->Size);
        loop.quit();
    };
    queue->SetFolder(folder);
    queue->Add("http://x.test/feed.xml", "feed.xml", true, nullptr);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    queue->Start();
    loop.exec();
    return sizes == std::vector<std::int32_t>{200000} ? 0 : 3;
});

TEST_F(DownloadQueueTest, FailedWriteLeavesTheOldFileByteIdentical) {
    ASSERT_TRUE(g_limitedWriter);
    const std::string old(3000, 'o');
    WriteFile(folder + "feed.xml", old);
    Serve("/feed.xml", std::string(200000, 'n'));
    profile.SetEnv("PV_FOLDER", folder);
    const pid_t child = StartChildMode("limited-writer", [] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{65536, 65536};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    ASSERT_GT(child, 0);
    EXPECT_EQ(WaitForChild(child), 0);
    EXPECT_EQ(ReadFile(folder + "feed.xml"), old);
    EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::Files), QStringList{QStringLiteral("feed.xml")});
}

TEST_F(DownloadQueueTest, TwoQueuesOnOneFolderDoNotDisturbEachOther) {
    for (int i = 0; i < 20; ++i)
        Serve("/" + std::to_string(i) + ".jpg", std::string(1000 + i, static_cast<char>('a' + i % 26)));
    Serve("/shared.xml", std::string(50000, 's'));
    TRun first;
    TRun second;
    for (TRun* run : {&first, &second}) {
        run->Queue->SetFolder(folder);
        for (int i = 0; i < 20; ++i)
            run->Queue->Add("http://x.test/" + std::to_string(i) + ".jpg", std::to_string(i) + ".jpg", false, nullptr);
        run->Queue->Add("http://x.test/shared.xml", "shared.xml", false, nullptr);
    }
    int ended = 0;
    QEventLoop loop;
    for (TRun* run : {&first, &second})
        QObject::connect(run->Queue, &QObject::destroyed, &loop, [&] {
            if (++ended == 2)
                loop.quit();
        });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    first.Queue->Start();
    second.Queue->Start();
    loop.exec();
    ASSERT_EQ(ended, 2);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(ReadFile(folder + std::to_string(i) + ".jpg"),
                  std::string(1000 + i, static_cast<char>('a' + i % 26)));
    EXPECT_EQ(ReadFile(folder + "shared.xml"), std::string(50000, 's'));
    EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::Files).size(), 21);
}

TEST_F(DownloadQueueTest, DestroyingARunningQueueDoesNotHang) {
    Serve("/1", "one");
    auto* queue = new TDownloadQueue;
    queue->SetFolder(folder);
    for (int i = 0; i < 5; ++i)
        queue->Add("http://x.test/1", "1", false, nullptr);
    queue->SetOnItemDone([](TDownloadQueue*, const std::string&, void*, bool, const std::string&) {});
    queue->Start();
    QThread::msleep(50); // the worker is now waiting for its first notification
    delete queue;
    SUCCEED();
}

TEST_F(DownloadQueueTest, AtTheProgramsEndATricklingDownloadIsGivenUpAndTheCachedFileKept) {
    // Announces another length than the cached file's, then sends a byte now and then.
    server.Get("/trickle", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(100000, "text/plain", [this](size_t, size_t, httplib::DataSink& sink) {
            QThread::msleep(100);
            return !server.Stopping() && sink.write("x", 1);
        });
    });
    WriteFile(folder + "feed.xml", "<rss>cached</rss>");
    TRun run;
    QPointer<TDownloadQueue> alive(run.Queue);
    run.Queue->SetFolder(folder);
    run.Queue->Add("http://x.test/trickle", "feed.xml", true, nullptr);
    int abandonedAt = -1;
    run.Queue->OnAbandon = [&](TDownloadQueue* q) { abandonedAt = q->CurrentIndex(); };
    run.Queue->Start();
    for (int i = 0; i < 500 && GetsOf("/trickle") < 2; ++i) // the length query, then the download
        QThread::msleep(10);
    ASSERT_EQ(GetsOf("/trickle"), 2u);
    QThread::msleep(300);

    EXPECT_TRUE(TDownloadQueue::AbandonAll(5000)) << "the worker stopped in the middle of the transfer";
    QCoreApplication::processEvents();
    EXPECT_TRUE(alive.isNull()) << "a queue that frees itself is freed";
    EXPECT_FALSE(run.Terminated) << "no notification runs once the program is ending";
    EXPECT_EQ(abandonedAt, 0) << "the owner frees what it gave the items never processed, the current one too";
    EXPECT_EQ(ReadFile(folder + "feed.xml"), "<rss>cached</rss>");
    EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::Files).size(), 1) << "no part file left";
    EXPECT_TRUE(TDownloadQueue::AbandonAll(0)) << "nothing left to stop";
}

TEST_F(DownloadQueueTest, OnlyASuccessfulAnswerReplacesACachedFile) {
    // Error answers whose bodies would pass any content check the owner makes.
    for (const auto& [path, status] :
         {std::pair{"/gone.xml", 404}, std::pair{"/error.xml", 500}, std::pair{"/moved.xml", 302}}) {
        const int code = status;
        server.Get(path, [code](const httplib::Request&, httplib::Response& res) {
            res.status = code;
            res.set_content("<rss><channel><title>an error page in XML</title></channel></rss>", "text/xml");
        });
    }
    Serve("/fine.xml", "<rss>fresh</rss>");
    for (const char* name : {"gone.xml", "error.xml", "moved.xml", "fine.xml"})
        WriteFile(folder + name, "<rss>cached and good</rss>");
    TRun run;
    run.Queue->SetFolder(folder);
    for (const char* name : {"gone.xml", "error.xml", "moved.xml", "fine.xml"})
        run.Queue->Add(std::string("http://x.test/") + name, name, true, nullptr);
    run.Queue->SetOnDataArrived([](TDownloadQueue*, const std::string&, void*, bool& accept, QIODevice&,
                                   const std::string&) { accept = true; });
    run.Run();
    for (const char* name : {"gone.xml", "error.xml", "moved.xml"})
        EXPECT_EQ(ReadFile(folder + name), "<rss>cached and good</rss>") << name;
    EXPECT_EQ(ReadFile(folder + "fine.xml"), "<rss>fresh</rss>");
    EXPECT_EQ(run.Sizes, (std::vector<std::int32_t>{26, 26, 26, 16}));
}

TEST_F(DownloadQueueTest, ARunThatEndedAndReportedIsNotAbandonedAgainAtTheProgramsEnd) {
    // Its owner already freed what it gave the items when the end was reported; a second
    // cleanup at the program's end would free it twice.
    Serve("/1", "one");
    TDownloadQueue queue;
    queue.SetFolder(folder);
    queue.Add("http://x.test/1", "1", false, nullptr);
    bool ended = false;
    int abandoned = 0;
    queue.OnTerminate = [&](TDownloadQueue*) { ended = true; };
    queue.OnAbandon = [&](TDownloadQueue*) { ++abandoned; };
    queue.Start();
    for (int i = 0; i < 500 && !ended; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    ASSERT_TRUE(ended);
    EXPECT_TRUE(TDownloadQueue::AbandonAll(1000));
    EXPECT_EQ(abandoned, 0);
}
