#pragma once

#include "core/feeds/Advertisements.h"
#include "core/feeds/MainView.h"
#include "core/feeds/RSS_Reader.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>

class QIODevice;
class TDownloadQueue;

inline constexpr const char* RecentChangedText = "Recent DVDs changed!";
inline constexpr const char* QueueChangedText = "Queue DVDs changed!";

/**
 * Keeps the lists in step with the service: a refresh fetches the feeds into the cache and
 * rebuilds the lists; between refreshes a timer asks only for the feeds' lengths and
 * refreshes, with a notification, when one changed.
 */
class TRefreshCycle final : public QObject {
    Q_OBJECT
public:
    explicit TRefreshCycle(TMainView& view, QObject* parent = nullptr);
    ~TRefreshCycle() override;

    void Refresh();
    void tmRefreshTimerTimer();
    void PopupDblClick();

    /** The size in bytes of a cached file (a bare name is looked for in the cache folder), or -1. */
    static std::int32_t CachedFileSize(const std::string& name);
    /** The timer's period: the chosen row's value times 360000 ms. */
    static int CheckIntervalMs();

    static std::string QueueFeedUrl();
    static std::string TrackingFeedUrl();
    static std::string ProjectInfoUrl();
    static std::string AdvertisementUrl();

    QTimer& RefreshTimer() { return m_timer; }
    bool AllowClose = true;
    bool FirstCycle = true;
    bool AdsFetched = false;
    const TAdvertisement& Advertisement() const { return m_ad; }

    /** Runs once, after the first cycle's lists are built: the update check. */
    std::function<void()> OnFirstCycle;

private:
    void AcceptFeed(TDownloadQueue* sender, const std::string& url, void* data, bool& accept, QIODevice& stream,
                    const std::string& fileName);
    void AfterFeeds(TDownloadQueue* sender);
    /** Reads and prepares both cached feeds into the cycle's own, off the main thread. */
    void ReadCachedFeeds();
    void BuildLists();
    void UpdateAdvertisement();
    void FillRecent();
    void FillQueue();
    void RequestPicture(const std::shared_ptr<TPictureTarget>& picture, const std::string& url,
                        const std::string& fileName, const std::string& movieId, const std::string& pageUrl);
    void AfterPictures(TDownloadQueue* sender);
    void AfterCheck(TDownloadQueue* sender);

    TMainView& m_view;
    QTimer m_timer;
    QPointer<TDownloadQueue> m_pictureQueue;
    TRssFeed m_trackingFeed;
    TRssFeed m_queueFeed;
    TAdvertisement m_ad;
};
