#include "core/feeds/RefreshCycle.h"
#include "core/feeds/BoxArt.h"
#include "core/feeds/JpegPicture.h"
#include "core/settings/OptionsUnit.h"

#include "support/FileFaults.h"
#include "support/JpegMaker.h"
#include "support/LoopbackServer.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <atomic>
#include <mutex>

namespace {

// A main window that records what the cycle asks of it.
class TTestView final : public TMainView {
public:
    class TPicture final : public TPictureTarget {
    public:
        bool LoadFromFile(const std::string& path) override {
            ++Loads;
            LoadedFrom = path;
            return DecodeJpegFile(path).has_value();
        }
        int Loads = 0;
        std::string LoadedFrom;
    };
    struct TCard {
        TCardInfo Info;
        std::shared_ptr<TPicture> Picture;
    };

    void ShowBusy() override { Calls.push_back("busy"); }
    void SetBusyText(const std::string& text) override { BusyText = text; }
    void ShowLists() override { Calls.push_back("lists"); }
    void ClearList(TListBox box) override {
        Calls.push_back(box == TListBox::Recent ? "clear recent" : "clear queue");
        auto& cards = box == TListBox::Recent ? Recent : Queue;
        cards.clear(); // the cards, and with them their pictures, are destroyed
    }
    void BeginList(TListBox) override {}
    void EndList(TListBox) override {}
    std::shared_ptr<TPictureTarget> AddCard(const TCardInfo& card) override {
        auto picture = std::make_shared<TPicture>();
        (card.Kind == TCardKind::Queue || card.Kind == TCardKind::Advertisement ? Queue : Recent)
            .push_back({card, picture});
        return picture;
    }
    void ProcessMessages() override {}
    void FocusActiveList() override { Calls.push_back("focus"); }
    void ShowOptions() override { Calls.push_back("options"); }
    void ShowNotification(const std::string& text) override { Notifications.push_back(text); }
    void RestoreApp() override { Calls.push_back("restore"); }

    std::vector<std::string> Calls;
    std::vector<std::string> Notifications;
    std::string BusyText;
    std::vector<TCard> Recent;
    std::vector<TCard> Queue;
};

std::string Feed(const std::string& items) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>t</title>" + items + "</channel></rss>";
}

std::string Item(const std::string& title, const std::string& id, const std::string& description) {
    return "<item><title>" + title + "</title><link>http://www.netflix.com/MovieDisplay?movieid=" + id +
           "&amp;trkid=1</link><description>" + description + "</description></item>";
}

class RefreshCycleTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TTestView view;
    std::unique_ptr<TRefreshCycle> cycle;

    std::mutex mutex;
    std::string queueFeed = Feed(Item("1- First", "101", "&lt;p&gt;One &amp;amp; only&lt;/p&gt;") +
                                 Item("2- Second", "102", "Two") + Item("3- Exif", "103", "Three"));
    std::string trackingFeed = Feed(Item("Shipped: Home", "201", "&lt;p&gt;Shipped on 12/01/26.&lt;/p&gt; At home.") +
                                    Item("Received: Back", "202", "Received on 12/02/26. Go to your Queue."));
    std::string adFile = "Ad text\r\nhttp://www.plotvane.example/\r\nhttp://www.plotvane.example/ad.jpg\r\n";
    int feedStatus = 200;
    bool feedsWithoutLength = false;
    std::atomic<int> pictureDelayMs{0};
    // After what its handlers read, so that it stops, its last request answered, before they go.
    TLoopbackServer server;

    void SetUp() override {
        profile.SetEnv("http_proxy", server.Url(""));
        profile.SetEnv("no_proxy", "");
        SetDefaultConfig();
        Config.NetFlixID = "P123";
        DataFolder = profile.Path("data/");
        CacheFolder = DataFolder + "Cache/";
        QDir().mkpath(QString::fromStdString(CacheFolder));
        const auto serveFeed = [this](std::string* body) {
            return [this, body](const httplib::Request&, httplib::Response& res) {
                std::lock_guard lock(mutex);
                res.status = feedStatus;
                if (feedsWithoutLength) {
                    res.set_chunked_content_provider("text/xml", [text = *body](size_t, httplib::DataSink& sink) {
                        sink.write(text.data(), text.size());
                        sink.done();
                        return true;
                    });
                } else if (feedStatus == 200)
                    res.set_content(*body, "text/xml");
                else
                    res.set_content("<html><body>Service unavailable<br></body></html>", "text/html");
            };
        };
        server.Get("/QueueRSS", serveFeed(&queueFeed));
        server.Get("/TrackingRSS", serveFeed(&trackingFeed));
        server.Get("/cgi-bin/autoupdate/AutoUpdateSrv.dll/GetProjectInfo",
                   [](const httplib::Request&, httplib::Response& res) { res.set_content("info", "text/plain"); });
        server.Get("/adv.txt", [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard lock(mutex);
            res.set_content(adFile, "text/plain");
        });
        server.GetRegex(R"(/us/boxshots/large/(\d+)\.jpg)",
                        [this](const httplib::Request& req, httplib::Response& res) {
                            std::this_thread::sleep_for(std::chrono::milliseconds(pictureDelayMs.load()));
                            std::string jpeg = MakeJpeg(10 + (std::stoi(req.matches[1]) % 50), 14);
                            if (req.matches[1] == "103")
                                jpeg[3] = '\xE1'; // Exif-started
                            res.set_content(jpeg, "image/jpeg");
                        });
        server.Get("/ad.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(MakeJpeg(8, 8), "image/jpeg");
        });
        server.Get("/MovieDisplay", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<img src=\"http://cdn-0.nflximg.com/us/boxshots/large/7103.jpg\">", "text/html");
        });
        cycle = std::make_unique<TRefreshCycle>(view);
    }

    void TearDown() override {
        cycle.reset();
        SetClockForTests({});
        SetDefaultConfig();
        DataFolder.clear();
        CacheFolder.clear();
    }

    bool WaitFor(const std::function<bool()>& done, int ms = 15000) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    // A whole cycle: feeds, lists, pictures; the timer is armed at its end.
    void RunCycle() {
        cycle->Refresh();
        ASSERT_TRUE(WaitFor([this] { return cycle->RefreshTimer().isActive(); }));
    }

    std::vector<std::string> FeedTargets() const {
        std::vector<std::string> targets;
        for (const auto& r : server.Requests())
            if (r.Target.find("/us/boxshots/") == std::string::npos &&
                r.Target.find("MovieDisplay") == std::string::npos && r.Target.find("/ad.jpg") == std::string::npos)
                targets.push_back(r.Target);
        return targets;
    }
};

} // namespace

TEST_F(RefreshCycleTest, FirstRefreshFillsTheCacheInOrderAndBuildsTheLists) {
    RunCycle();
    EXPECT_EQ(FeedTargets(), (std::vector<std::string>{
                                 "http://rss.netflix.com/QueueRSS?id=P123",
                                 "http://rss.netflix.com/TrackingRSS?id=P123",
                                 "http://update.plotvane.example/cgi-bin/autoupdate/AutoUpdateSrv.dll/"
                                 "GetProjectInfo?ProjectID=Plotvane",
                                 "http://www.plotvane.example/adv.txt",
                             }));
    for (const char* file :
         {"QueueRSS.xml", "TrackingRSS.xml", "Update.dat", "Adver.dat", "101.jpg", "201.jpg", "ad.jpg"})
        EXPECT_TRUE(QFile::exists(QString::fromStdString(CacheFolder + file))) << file;

    ASSERT_EQ(view.Recent.size(), 2u);
    EXPECT_EQ(view.Recent[0].Info.Kind, TCardKind::AtHome);
    EXPECT_EQ(view.Recent[0].Info.Description, "At home.");
    EXPECT_EQ(view.Recent[1].Info.Description, "Received on 12/02/26");
    ASSERT_EQ(view.Queue.size(), 4u);
    EXPECT_EQ(view.Queue[0].Info.Kind, TCardKind::Advertisement);
    EXPECT_EQ(view.Queue[0].Info.Description, "Ad text");
    EXPECT_EQ(view.Queue[1].Info.Title, "First");
    EXPECT_EQ(view.Queue[1].Info.Tag, "1");
    EXPECT_EQ(view.Queue[1].Info.Description, "One & only");
    EXPECT_EQ(view.Queue[3].Info.Tag, "3");
    EXPECT_EQ(view.Queue[1].Picture->LoadedFrom, CacheFolder + "101.jpg");
    EXPECT_EQ(view.Queue[0].Picture->LoadedFrom, CacheFolder + "ad.jpg");

    EXPECT_EQ(cycle->RefreshTimer().interval(), 3 * 360000) << "the default row checks every 18 minutes";
    EXPECT_TRUE(cycle->AllowClose);
    EXPECT_FALSE(cycle->FirstCycle);
    EXPECT_GT(Config.NLFA, Now() + 7.9) << "the advertisement file is due again in eight days";
}

TEST_F(RefreshCycleTest, ExifBoxArtIsLookedUpOnTheMoviePage) {
    RunCycle();
    ASSERT_TRUE(WaitFor([this] { return view.Queue.size() == 4 && view.Queue[3].Picture->Loads > 0; }));
    const auto& exif = view.Queue[3];
    EXPECT_EQ(exif.Info.Title, "Exif");
    EXPECT_EQ(exif.Picture->LoadedFrom, CacheFolder + "103.jpg") << "under the movie number";
    const auto decoded = DecodeJpegFile(CacheFolder + "103.jpg");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Width, 10 + 7103 % 50) << "the picture the page pointed at";
}

TEST_F(RefreshCycleTest, SecondRefreshDownloadsNoUnchangedFeed) {
    RunCycle();
    const std::string queueBefore = ReadFile(CacheFolder + "QueueRSS.xml");
    RunCycle();
    std::size_t queueGets = 0;
    std::size_t adGets = 0;
    for (const std::string& t : FeedTargets()) {
        queueGets += t.find("QueueRSS") != std::string::npos;
        adGets += t.find("adv.txt") != std::string::npos;
    }
    EXPECT_EQ(queueGets, 2u) << "one download, then one length query";
    EXPECT_EQ(adGets, 1u) << "the advertisement file is not due again";
    EXPECT_EQ(ReadFile(CacheFolder + "QueueRSS.xml"), queueBefore);
}

TEST_F(RefreshCycleTest, ChangedFeedsRaiseTheNotificationAndRefresh) {
    RunCycle();
    {
        std::lock_guard lock(mutex);
        queueFeed = Feed(Item("1- Only one now", "104", "x"));
    }
    cycle->tmRefreshTimerTimer();
    ASSERT_TRUE(WaitFor([this] { return !view.Notifications.empty() && cycle->RefreshTimer().isActive(); }));
    EXPECT_EQ(view.Notifications, std::vector<std::string>{"Queue DVDs changed!"});
    EXPECT_NE(ReadFile(CacheFolder + "QueueRSS.xml").find("Only one now"), std::string::npos);
    ASSERT_TRUE(WaitFor([this] { return view.Queue.size() == 2; }));

    {
        std::lock_guard lock(mutex);
        queueFeed = Feed(Item("1- Again", "105", "x"));
        trackingFeed = Feed(Item("Shipped: Again", "205", "y"));
    }
    cycle->tmRefreshTimerTimer();
    ASSERT_TRUE(WaitFor([this] { return view.Notifications.size() == 2 && cycle->RefreshTimer().isActive(); }));
    EXPECT_EQ(view.Notifications[1], "Recent DVDs changed!\r\nQueue DVDs changed!");

    cycle->tmRefreshTimerTimer(); // nothing changed this time
    ASSERT_TRUE(WaitFor([this] { return cycle->RefreshTimer().isActive(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(view.Notifications.size(), 2u);
}

TEST_F(RefreshCycleTest, OnlyAMissingFileCountsWhenTheServerGivesNoLength) {
    RunCycle();
    {
        std::lock_guard lock(mutex);
        trackingFeed = Feed(Item("Shipped: Longer now", "209", "a longer body than before"));
        feedsWithoutLength = true;
    }
    QFile::remove(QString::fromStdString(CacheFolder + "QueueRSS.xml"));
    cycle->tmRefreshTimerTimer();
    ASSERT_TRUE(WaitFor([this] { return !view.Notifications.empty(); }));
    EXPECT_EQ(view.Notifications[0], "Queue DVDs changed!");
}

TEST_F(RefreshCycleTest, AnErrorPageNeverReplacesACachedFeed) {
    RunCycle();
    const std::string cached = ReadFile(CacheFolder + "QueueRSS.xml");
    feedStatus = 503;
    RunCycle();
    EXPECT_EQ(ReadFile(CacheFolder + "QueueRSS.xml"), cached);
    EXPECT_EQ(view.Queue.size(), 4u) << "the lists come from the cache";
}

TEST_F(RefreshCycleTest, ReadOnlyCacheFolderStillShowsTheCachedLists) {
    RunCycle();
    const std::string cached = ReadFile(CacheFolder + "QueueRSS.xml");
    const QStringList files = QDir(QString::fromStdString(CacheFolder)).entryList(QDir::Files);
    {
        std::lock_guard lock(mutex);
        queueFeed = Feed(Item("1- New", "150", "n") + Item("2- Newer", "151", "n"));
    }
    {
        const TReadOnlyFolder readOnly(CacheFolder);
        if (!readOnly.Active())
            GTEST_SKIP() << "no way to make a folder read-only here";
        RunCycle();
        EXPECT_EQ(ReadFile(CacheFolder + "QueueRSS.xml"), cached);
        EXPECT_EQ(QDir(QString::fromStdString(CacheFolder)).entryList(QDir::Files), files)
            << "nothing written, nothing left behind";
        ASSERT_EQ(view.Queue.size(), 4u) << "the lists come from the cache";
        EXPECT_EQ(view.Queue[1].Info.Title, "First");
        EXPECT_EQ(view.Recent.size(), 2u);
    }
    RunCycle(); // writable again: the new feed arrives
    ASSERT_EQ(view.Queue.size(), 3u);
    EXPECT_EQ(view.Queue[1].Info.Title, "New");
}

TEST_F(RefreshCycleTest, DataFolderDeletedWhileRunningIsMadeAgain) {
    RunCycle();
    ASSERT_TRUE(QDir(QString::fromStdString(DataFolder)).removeRecursively());
    RunCycle();
    for (const char* file : {"QueueRSS.xml", "TrackingRSS.xml", "Update.dat", "Adver.dat", "101.jpg", "201.jpg"})
        EXPECT_TRUE(QFile::exists(QString::fromStdString(CacheFolder + file))) << file;
    EXPECT_EQ(view.Queue.size(), 4u);
    EXPECT_EQ(view.Recent.size(), 2u);
}

TEST_F(RefreshCycleTest, PicturesForCardsOfAnEarlierRefreshAreDropped) {
    pictureDelayMs = 300;
    cycle->Refresh();
    ASSERT_TRUE(WaitFor([this] { return view.Queue.size() == 4; }));
    std::vector<std::weak_ptr<TTestView::TPicture>> firstCards;
    for (const auto& card : view.Queue)
        firstCards.push_back(card.Picture);
    pictureDelayMs = 0;
    cycle->Refresh(); // clears the cards while the first picture queue is still at work
    for (const auto& card : firstCards)
        EXPECT_TRUE(card.expired());
    ASSERT_TRUE(WaitFor([this] { return cycle->RefreshTimer().isActive(); }));
    ASSERT_EQ(view.Queue.size(), 4u);
    ASSERT_TRUE(WaitFor([this] { return view.Queue[1].Picture->Loads == 1; }));
}

TEST_F(RefreshCycleTest, WithoutAFeedCodeTheOptionsOpenAndTheTimerStaysOff) {
    Config.NetFlixID.clear();
    cycle->Refresh();
    ASSERT_TRUE(
        WaitFor([this] { return std::find(view.Calls.begin(), view.Calls.end(), "options") != view.Calls.end(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_FALSE(cycle->RefreshTimer().isActive());
    EXPECT_TRUE(cycle->AllowClose);
    cycle->tmRefreshTimerTimer();
    QCoreApplication::processEvents();
    EXPECT_EQ(server.RequestCount(), 0u) << "a tick without a code does nothing";
}

TEST_F(RefreshCycleTest, AllowCloseIsFalseWhileFeedsDownload) {
    cycle->Refresh();
    EXPECT_FALSE(cycle->AllowClose);
    EXPECT_EQ(view.BusyText, "Reading movies...");
    EXPECT_EQ(std::vector<std::string>(view.Calls.begin(), view.Calls.begin() + 3),
              (std::vector<std::string>{"busy", "clear recent", "clear queue"}));
    ASSERT_TRUE(WaitFor([this] { return cycle->AllowClose; }));
}

TEST_F(RefreshCycleTest, CheckIntervalAndPopupRestore) {
    for (int row = 0; row < 8; ++row) {
        Config.CheckForNewMovies = row;
        EXPECT_EQ(TRefreshCycle::CheckIntervalMs(), CheckForNewMoviesItems[row].Value * 360000);
    }
    Config.CheckForNewMovies = 0;
    EXPECT_EQ(TRefreshCycle::CheckIntervalMs(), 6 * 60 * 1000) << "the row \"1 hour\" checks every 6 minutes";
    cycle->PopupDblClick();
    EXPECT_TRUE(std::find(view.Calls.begin(), view.Calls.end(), "restore") == view.Calls.end()) << "not at once";
    ASSERT_TRUE(
        WaitFor([this] { return std::find(view.Calls.begin(), view.Calls.end(), "restore") != view.Calls.end(); }));
}

TEST_F(RefreshCycleTest, CachedFileSize) {
    WriteFile(CacheFolder + "five.xml", "12345");
    EXPECT_EQ(TRefreshCycle::CachedFileSize("five.xml"), 5);
    EXPECT_EQ(TRefreshCycle::CachedFileSize(CacheFolder + "five.xml"), 5);
    EXPECT_EQ(TRefreshCycle::CachedFileSize("missing.xml"), -1);
}

TEST_F(RefreshCycleTest, AdvertisementFileIsFetchedWhenDueOrMissing) {
    const TDateTime day = 46365.0;
    TDateTime clock = day + (23 * 60 + 59) / 1440.0;
    SetClockForTests([&clock] { return clock; });
    RunCycle();
    EXPECT_TRUE(cycle->AdsFetched);
    EXPECT_DOUBLE_EQ(Config.NLFA, day + 8 + (23 * 60 + 59) / 1440.0) << "a fetch at 23:59 on day d: d + 8 at 23:59";
    const auto adRequests = [this] {
        const auto targets = FeedTargets();
        return std::count(targets.begin(), targets.end(), "http://www.plotvane.example/adv.txt");
    };
    ASSERT_EQ(adRequests(), 1);

    clock = day + 8 + 0.9995; // late on day d + 8: not yet due
    RunCycle();
    EXPECT_FALSE(cycle->AdsFetched);
    EXPECT_EQ(adRequests(), 1);
    EXPECT_DOUBLE_EQ(Config.NLFA, day + 8 + (23 * 60 + 59) / 1440.0);
    ASSERT_EQ(view.Queue.front().Info.Kind, TCardKind::Advertisement) << "the cached file still gives the card";

    // Not due, but the cached file is gone: fetched at once.
    QFile::remove(QString::fromStdString(CacheFolder + "Adver.dat"));
    RunCycle();
    EXPECT_EQ(adRequests(), 2);
    EXPECT_TRUE(cycle->AdsFetched);

    EXPECT_DOUBLE_EQ(Config.NLFA, day + 16 + 0.9995);

    clock = day + 16.5; // not yet
    RunCycle();
    EXPECT_EQ(adRequests(), 2);
    clock = day + 17; // the next day: due again
    RunCycle();
    EXPECT_EQ(adRequests(), 3);
    EXPECT_DOUBLE_EQ(Config.NLFA, day + 25);
}

TEST_F(RefreshCycleTest, AdvertisementPictureNamesFromTheServerStayInTheCache) {
    for (const char* address :
         {"http://www.plotvane.example/ad/..", "http://www.plotvane.example/ad/.", "http://www.plotvane.example/"}) {
        {
            std::lock_guard lock(mutex);
            adFile = std::string("Ad text\r\nhttp://www.plotvane.example/\r\n") + address + "\r\n";
        }
        QFile::remove(QString::fromStdString(CacheFolder + "Adver.dat"));
        const std::size_t before = server.RequestCount();
        RunCycle();
        ASSERT_FALSE(view.Queue.empty());
        EXPECT_EQ(view.Queue.front().Info.Kind, TCardKind::Advertisement) << "the card shows, without picture";
        EXPECT_EQ(view.Queue.front().Picture->Loads, 0) << address;
        const auto requests = server.Requests();
        for (std::size_t i = before; i < requests.size(); ++i)
            EXPECT_NE(requests[i].Target, address) << "never fetched";
    }
    // Nothing was written beside the cache folder.
    EXPECT_EQ(QDir(QString::fromStdString(DataFolder)).entryList(QDir::Files), QStringList());
}

TEST_F(RefreshCycleTest, NoAdvertisementCardWithoutTextOrAddress) {
    {
        std::lock_guard lock(mutex);
        adFile = "Ad text\r\nhttp://www.plotvane.example/\r\n\r\n"; // a blank last line empties the text
    }
    RunCycle();
    ASSERT_FALSE(view.Queue.empty());
    EXPECT_EQ(view.Queue.front().Info.Kind, TCardKind::Queue);
    EXPECT_EQ(view.Queue.front().Info.Tag, "1");
}

TEST(FeedAddresses, TheCodeGoesAsStoredWithOnlyWhatBreaksAQueryEscaped) {
    SetDefaultConfig();
    Config.NetFlixID = "AB%2FC";
    EXPECT_EQ(TRefreshCycle::QueueFeedUrl(), "http://rss.netflix.com/QueueRSS?id=AB%2FC") << "not encoded twice";
    Config.NetFlixID = "P1/x+y=z~";
    EXPECT_EQ(TRefreshCycle::TrackingFeedUrl(), "http://rss.netflix.com/TrackingRSS?id=P1/x+y=z~");
    Config.NetFlixID = "a b#c&d\x01\xC3\xA9";
    EXPECT_EQ(TRefreshCycle::QueueFeedUrl(), "http://rss.netflix.com/QueueRSS?id=a%20b%23c%26d%01%C3%A9");
    SetDefaultConfig();
}
