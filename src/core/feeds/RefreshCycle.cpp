#include "core/feeds/RefreshCycle.h"

#include "core/feeds/BoxArt.h"
#include "core/feeds/RentalLists.h"
#include "core/net/DownloadQueue.h"
#include "core/net/Hosts.h"
#include "core/settings/OptionsUnit.h"
#include "platform/Paths.h"

#include <QLoggingCategory>

#include <array>
#include <chrono>
#include <future>

Q_LOGGING_CATEGORY(lcRefresh, "plotvane.feeds", QtWarningMsg)

namespace {

constexpr const char* QueueFile = "QueueRSS.xml";
constexpr const char* TrackingFile = "TrackingRSS.xml";
constexpr const char* UpdateFile = "Update.dat";
constexpr const char* AdsFile = "Adver.dat";

// The feed code goes into the query as the member stored it: it may be percent-encoded already
// (the service's own codes hold "%2F"). Only what would end or break the query is escaped.
std::string EncodeQueryValue(const std::string& value) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : value) {
        if (c > 0x20 && c < 0x7F && c != '#' && c != '&') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(Hex[c >> 4]);
            out.push_back(Hex[c & 15]);
        }
    }
    return out;
}

// A picture queue that was stopped before its end leaves requests that nobody else will free.
void DisposeUnprocessedRequests(TDownloadQueue* queue) {
    for (int i = queue->CurrentIndex(); i < queue->Count(); ++i)
        delete static_cast<TPassMovieDataRec*>(queue->GetItem(i)->Data);
}

} // namespace

TRefreshCycle::TRefreshCycle(TMainView& view, QObject* parent)
    : QObject(parent)
    , m_view(view) {
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, &TRefreshCycle::tmRefreshTimerTimer);
}

TRefreshCycle::~TRefreshCycle() {
    if (m_trackingFeed.Items)
        m_trackingFeed.Items->Clear();
    if (m_queueFeed.Items)
        m_queueFeed.Items->Clear();
}

std::string TRefreshCycle::QueueFeedUrl() {
    return std::string(hosts::ServiceRss) + "/QueueRSS?id=" + EncodeQueryValue(Config.NetFlixID);
}

std::string TRefreshCycle::TrackingFeedUrl() {
    return std::string(hosts::ServiceRss) + "/TrackingRSS?id=" + EncodeQueryValue(Config.NetFlixID);
}

std::string TRefreshCycle::ProjectInfoUrl() {
    return std::string(hosts::VendorUpdate) + "/cgi-bin/autoupdate/AutoUpdateSrv.dll/GetProjectInfo?ProjectID=Plotvane";
}

std::string TRefreshCycle::AdvertisementUrl() {
    return std::string(hosts::VendorWeb) + "/adv.txt";
}

int TRefreshCycle::CheckIntervalMs() {
    const int index = std::clamp(Config.CheckForNewMovies, 0, static_cast<int>(CheckForNewMoviesItems.size()) - 1);
    return CheckForNewMoviesItems[static_cast<std::size_t>(index)].Value * 360000;
}

std::int32_t TRefreshCycle::CachedFileSize(const std::string& name) {
    const std::string path = name.find(CacheFolder) != std::string::npos ? name : CacheFolder + name;
    const std::int64_t length = platform::FileLength(path);
    return length > INT32_MAX ? -1 : static_cast<std::int32_t>(length);
}

void TRefreshCycle::Refresh() {
    m_timer.stop();
    // The previous cycle's pictures are for cards about to go: stop fetching them.
    if (m_pictureQueue) {
        m_pictureQueue->Terminate();
        m_pictureQueue = nullptr;
    }
    m_view.ShowBusy();
    m_view.ClearList(TListBox::Recent);
    m_view.ClearList(TListBox::Queue);
    m_view.SetBusyText("Reading movies...");
    m_view.ProcessMessages();
    AllowClose = false;
    // The folders made at start-up may have been deleted since (a cleaning tool, the member):
    // the queue would only make the last level, and the cache would land in the working folder.
    if (!CacheFolder.empty())
        platform::ForceDirectories(CacheFolder); // at once when the folder is there

    auto* queue = new TDownloadQueue;
    queue->FreeOnTerminate = true;
    // Queues may outlive the cycle (the program ends during a download): every handler checks.
    const QPointer<TRefreshCycle> self(this);
    queue->SetOnItemDone([self](TDownloadQueue*, const std::string&, void*, bool, const std::string&) {
        if (self)
            self->m_view.ProcessMessages();
    });
    queue->OnTerminate = [self](TDownloadQueue* sender) {
        if (self)
            self->AfterFeeds(sender);
    };
    queue->SetFolder(CacheFolder);
    queue->SetOnDataArrived([self](TDownloadQueue* sender, const std::string& url, void* data, bool& accept,
                                   QIODevice& stream, const std::string& fileName) {
        if (self)
            self->AcceptFeed(sender, url, data, accept, stream, fileName);
    });
    if (!Config.NetFlixID.empty()) {
        queue->Add(QueueFeedUrl(), QueueFile, true, nullptr);
        queue->Add(TrackingFeedUrl(), TrackingFile, true, nullptr);
        queue->Add(ProjectInfoUrl(), UpdateFile, true, nullptr);
        AdsFetched = AdsDue(Config.NLFA, Now()) || CachedFileSize(AdsFile) < 0;
        if (AdsFetched)
            queue->Add(AdvertisementUrl(), AdsFile, true, nullptr);
    }
    queue->Start();
}

void TRefreshCycle::AcceptFeed(TDownloadQueue*, const std::string&, void*, bool& accept, QIODevice& stream,
                               const std::string& fileName) {
    if (fileName.find(".xml") == std::string::npos)
        return;
    TRSSReader reader;
    accept = reader.IsXmlStream(stream);
}

void TRefreshCycle::AfterFeeds(TDownloadQueue*) {
    BuildLists();
    m_view.FocusActiveList();
}

void TRefreshCycle::UpdateAdvertisement() {
    if (!ReadAds(CacheFolder + AdsFile, m_ad)) {
        AdsFetched = false;
        Config.NLFA = Today(Now());
        TrySaveConfig(); // nothing is shown for a settings write; the next cycle tries again
    }
    if (AdsFetched) {
        Config.NLFA = NextAdsDue(Now());
        TrySaveConfig();
    }
}

void TRefreshCycle::ReadCachedFeeds() {
    // A feed as large as the size bounds let through takes a few hundred milliseconds to read:
    // a worker reads both while the window goes on answering.
    const std::string tracking = CacheFolder + TrackingFile, queue = CacheFolder + QueueFile;
    auto reading = std::async(std::launch::async, [tracking, queue] {
        std::array<TRssFeed, 2> feeds;
        TRSSReader reader;
        for (std::size_t i = 0; i < feeds.size(); ++i) {
            const std::string& path = i == 0 ? tracking : queue;
            try {
                reader.ReadFeedFile(path, feeds[i]);
                PrepareMovies(feeds[i]);
            } catch (const std::exception& error) {
                // One unreadable feed does not keep the other from the lists.
                qCWarning(lcRefresh) << "cached feed" << path.c_str() << "not shown:" << error.what();
                feeds[i] = TRssFeed{};
            } catch (...) {
                qCWarning(lcRefresh) << "cached feed" << path.c_str() << "not shown: an unknown failure";
                feeds[i] = TRssFeed{};
            }
        }
        return feeds;
    });
    while (reading.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        m_view.ProcessMessages();
    auto feeds = reading.get();
    m_trackingFeed = std::move(feeds[0]);
    m_queueFeed = std::move(feeds[1]);
}

void TRefreshCycle::BuildLists() {
    if (!Config.NetFlixID.empty()) {
        m_view.SetBusyText("Prepare DVDs ...");
        UpdateAdvertisement();
        ReadCachedFeeds();
        auto* queue = new TDownloadQueue;
        m_pictureQueue = queue;
        queue->FreeOnTerminate = true;
        queue->DeadlineMs = webfetch::PictureDeadlineMs;
        queue->SetOnItemDone(PictureArrived);
        queue->OnTerminate = [self = QPointer<TRefreshCycle>(this)](TDownloadQueue* sender) {
            if (self)
                self->AfterPictures(sender);
            else
                DisposeUnprocessedRequests(sender);
        };
        queue->OnAbandon = DisposeUnprocessedRequests;
        queue->SetFolder(CacheFolder);
        queue->SetOnDataArrived(AcceptPicture);
        try {
            FillRecent();
            FillQueue();
        } catch (const std::exception& error) {
            qCWarning(lcRefresh) << "the lists were built only in part:" << error.what();
        } catch (...) {
            qCWarning(lcRefresh) << "the lists were built only in part";
        }
        queue->Start();
        for (TRssFeed* feed : {&m_trackingFeed, &m_queueFeed}) {
            if (feed->Items)
                feed->Items->Clear();
            feed->Items.reset();
        }
    }
    m_view.ShowLists();
    AllowClose = true;
    if (Config.NetFlixID.empty())
        m_view.ShowOptions();
    if (FirstCycle) {
        FirstCycle = false;
        if (OnFirstCycle)
            OnFirstCycle();
    }
}

void TRefreshCycle::RequestPicture(const std::shared_ptr<TPictureTarget>& picture, const std::string& url,
                                   const std::string& fileName, const std::string& movieId,
                                   const std::string& pageUrl) {
    if (!m_pictureQueue || !picture)
        return;
    auto* request = new TPassMovieDataRec{movieId, pageUrl, picture, 0};
    m_pictureQueue->Add(url, fileName, false, request);
}

void TRefreshCycle::FillRecent() {
    const TMovieList atHome = RecentAtHome(m_trackingFeed);
    const TMovieList returns = RecentReturns(m_trackingFeed);
    m_view.BeginList(TListBox::Recent);
    for (auto [list, kind] : {std::pair{&atHome, TCardKind::AtHome}, std::pair{&returns, TCardKind::Returns}}) {
        for (const TRssItemRec* entry : *list) {
            const auto picture = m_view.AddCard({kind, entry->Title, entry->Description, entry->Link, {}});
            RequestPicture(picture, entry->BoxArtUrl, entry->MovieId + ".jpg", entry->MovieId, entry->Link);
            m_view.ProcessMessages();
        }
    }
    m_view.EndList(TListBox::Recent);
}

void TRefreshCycle::FillQueue() {
    m_view.BeginList(TListBox::Queue);
    if (m_ad.HasCard()) {
        const auto picture = m_view.AddCard({TCardKind::Advertisement, {}, m_ad.AdText, m_ad.AdUrl, {}});
        const std::string name = UrlFileName(m_ad.AdImageUrl);
        if (!m_ad.AdImageUrl.empty() && IsAdPictureName(name))
            RequestPicture(picture, m_ad.AdImageUrl, name, {}, {});
        else if (!m_ad.AdImageUrl.empty())
            qCWarning(lcRefresh) << "advertisement picture refused, its name is none of a picture's:" << name.c_str();
    }
    const TMovieList queue = QueueMovies(m_queueFeed, ConfiguredQueueLength());
    for (std::size_t i = 0; i < queue.size(); ++i) {
        const TRssItemRec* entry = queue[i];
        const auto picture =
            m_view.AddCard({TCardKind::Queue, entry->Title, entry->Description, entry->Link, std::to_string(i + 1)});
        RequestPicture(picture, entry->BoxArtUrl, entry->MovieId + ".jpg", entry->MovieId, entry->Link);
        m_view.ProcessMessages();
    }
    m_view.EndList(TListBox::Queue);
}

void TRefreshCycle::AfterPictures(TDownloadQueue* sender) {
    if (sender != m_pictureQueue) {
        // A queue stopped by a newer refresh must not re-arm the timer or allow closing in the
        // middle of that refresh.
        DisposeUnprocessedRequests(sender);
        return;
    }
    AllowClose = true;
    m_timer.setInterval(CheckIntervalMs());
    m_timer.start();
}

void TRefreshCycle::tmRefreshTimerTimer() {
    if (Config.NetFlixID.empty())
        return;
    m_timer.stop();
    auto* queue = new TDownloadQueue;
    queue->FreeOnTerminate = true;
    queue->OnTerminate = [self = QPointer<TRefreshCycle>(this)](TDownloadQueue* sender) {
        if (self)
            self->AfterCheck(sender);
    };
    queue->AddSizeQuery(TrackingFeedUrl());
    queue->AddSizeQuery(QueueFeedUrl());
    queue->Start();
}

void TRefreshCycle::AfterCheck(TDownloadQueue* sender) {
    bool trackingChanged = false;
    bool queueChanged = false;
    try {
        const auto changed = [](std::int32_t local, std::int32_t remote) {
            return local == -1 || (remote > 0 && remote != local);
        };
        const TDownloadItemRec* tracking = sender->GetItem(0);
        const TDownloadItemRec* queue = sender->GetItem(1);
        trackingChanged = tracking && changed(CachedFileSize(TrackingFile), tracking->Size);
        queueChanged = queue && changed(CachedFileSize(QueueFile), queue->Size);
    } catch (...) {
        qCWarning(lcRefresh) << "the length check could not be judged; the lists stay until the next one";
    }
    m_timer.start();
    if (!trackingChanged && !queueChanged)
        return;
    std::string text;
    if (trackingChanged)
        text += std::string(RecentChangedText) + "\r\n";
    if (queueChanged)
        text += QueueChangedText;
    m_view.ShowNotification(text);
    Refresh();
}

void TRefreshCycle::PopupDblClick() {
    // The restore runs after the popup's own double-click handling has finished.
    auto* queue = new TDownloadQueue;
    queue->FreeOnTerminate = true;
    queue->OnTerminate = [self = QPointer<TRefreshCycle>(this)](TDownloadQueue*) {
        if (self)
            self->m_view.RestoreApp();
    };
    queue->Start();
}
