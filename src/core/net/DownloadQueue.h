#pragma once

#include "core/net/WebFetch.h"

#include <QBuffer>
#include <QByteArray>
#include <QThread>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

/** One item of a download queue. */
struct TDownloadItemRec {
    std::string URL;
    std::string FileName;
    void* Data = nullptr; // the owner's; handed back, never touched
    bool CheckSize = false;
    std::int32_t Size = 0; // after processing: the cached length, the announced one, or -1
    bool SizeOnly = false;
};

class TDownloadQueue;

using TItemDoneEvent = std::function<void(TDownloadQueue* sender, const std::string& url, void* data, bool success,
                                          const std::string& fileName)>;
using TDataArrivedEvent = std::function<void(TDownloadQueue* sender, const std::string& url, void* data, bool& accept,
                                             QIODevice& stream, const std::string& fileName)>;

/**
 * Works once through a list of addresses on a worker thread, keeping a copy of each in one
 * folder. A cached file is fetched again only when it is missing or, if the item asks, when
 * the server announces another length. Downloaded bytes are shown to the owner before they
 * replace the cached file, and only accepted bytes do; the cached file is replaced whole or
 * not at all.
 *
 * Both notifications run on the main thread while the worker waits, so a handler may add
 * items (processed in the same run) and touch windows. The end-of-run notification runs on
 * the main thread too; with FreeOnTerminate the queue deletes itself right after it.
 */
class TDownloadQueue final : public QThread {
    Q_OBJECT
public:
    TDownloadQueue();
    ~TDownloadQueue() override;

    void Add(const std::string& url, const std::string& fileName, bool checkSize, void* data);
    void AddSizeQuery(const std::string& url);
    void SetFolder(const std::string& value);
    const std::string& Folder() const { return m_folder; }
    void SetOnItemDone(TItemDoneEvent handler) { m_onItemDone = std::move(handler); }
    void SetOnDataArrived(TDataArrivedEvent handler) { m_onDataArrived = std::move(handler); }
    TDownloadItemRec* GetItem(int index);
    int Count() const { return static_cast<int>(m_items.size()); }
    int CurrentIndex() const { return m_currentIndex; }
    void Clear();

    /** Begins the run. A queue runs once. */
    void Start() { start(); }
    /** Asks the run to stop: the download under way is given up within a second, no item follows. */
    void Terminate() { requestInterruption(); }

    /**
     * For the program's end: every queue still running stops at once, no notification of
     * theirs runs any more, and those that free themselves are freed. Waits at most waitMs for
     * all of them together; false when one was still running then.
     */
    static bool AbandonAll(int waitMs);

    bool FreeOnTerminate = false;
    /** How long one item's download may take in all, however slowly its bytes come. */
    int DeadlineMs = webfetch::FeedDeadlineMs;
    std::function<void(TDownloadQueue* sender)> OnTerminate;
    /**
     * Runs instead of OnTerminate for a run given up at the program's end, once its worker has
     * stopped: the owner frees what it handed to the items not processed (from CurrentIndex on).
     */
    std::function<void(TDownloadQueue* sender)> OnAbandon;

protected:
    void run() override;

private:
    void ProcessItem(TDownloadItemRec& item);
    /** Runs call on the main thread and waits for it; false when the queue is being destroyed. */
    bool Synchronize(const std::function<void()>& call);
    void RunSynchronized();
    void RunFinished();

    std::vector<std::unique_ptr<TDownloadItemRec>> m_items;
    std::string m_folder;
    TItemDoneEvent m_onItemDone;
    TDataArrivedEvent m_onDataArrived;
    int m_currentIndex = 0;
    QByteArray m_bytes;
    QBuffer m_buffer{&m_bytes};
    bool m_accept = true;

    std::mutex m_syncMutex;
    std::condition_variable m_syncDone;
    const std::function<void()>* m_syncCall = nullptr;
    bool m_abandoned = false;
};
