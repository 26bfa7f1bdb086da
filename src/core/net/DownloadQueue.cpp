#include "core/net/DownloadQueue.h"

#include "core/net/WebFetch.h"
#include "platform/Paths.h"
#include "platform/TemporaryFiles.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>

#include <set>
#include <string_view>
#include <system_error>

Q_LOGGING_CATEGORY(lcQueue, "plotvane.net.queue", QtWarningMsg)

namespace {

// Every queue alive, so that the program's end can stop them all.
std::mutex g_liveMutex;
std::set<TDownloadQueue*> g_live;

std::int32_t ClampLength(std::int64_t length) {
    return length > INT32_MAX ? -1 : static_cast<std::int32_t>(length);
}

} // namespace

TDownloadQueue::TDownloadQueue() {
    m_buffer.open(QIODevice::ReadWrite);
    connect(this, &QThread::finished, this, &TDownloadQueue::RunFinished, Qt::QueuedConnection);
    std::lock_guard lock(g_liveMutex);
    g_live.insert(this);
}

TDownloadQueue::~TDownloadQueue() {
    {
        std::lock_guard lock(g_liveMutex);
        g_live.erase(this);
    }
    {
        // A worker waiting for a notification must not wait for a main thread that waits for it.
        std::lock_guard lock(m_syncMutex);
        m_abandoned = true;
    }
    m_syncDone.notify_all();
    requestInterruption();
    wait();
    Clear();
}

bool TDownloadQueue::AbandonAll(int waitMs) {
    std::set<TDownloadQueue*> live;
    {
        std::lock_guard lock(g_liveMutex);
        live = g_live;
    }
    for (TDownloadQueue* queue : live) {
        {
            std::lock_guard lock(queue->m_syncMutex);
            queue->m_abandoned = true;
        }
        queue->m_syncDone.notify_all();
        queue->OnTerminate = nullptr;
        queue->requestInterruption();
    }
    const QDeadlineTimer deadline(waitMs);
    bool allEnded = true;
    for (TDownloadQueue* queue : live) {
        if (!queue->wait(deadline)) {
            // Its thread goes down with the process; the cache it writes to is replaced whole or not at all.
            qCWarning(lcQueue) << "a download was still running at the program's end, item" << queue->CurrentIndex();
            allEnded = false;
        } else {
            if (queue->OnAbandon)
                queue->OnAbandon(queue);
            if (queue->FreeOnTerminate)
                delete queue;
        }
    }
    return allEnded;
}

void TDownloadQueue::Add(const std::string& url, const std::string& fileName, bool checkSize, void* data) {
    auto item = std::make_unique<TDownloadItemRec>();
    item->URL = url;
    item->FileName = fileName;
    item->Data = data;
    item->CheckSize = checkSize;
    m_items.push_back(std::move(item));
}

void TDownloadQueue::AddSizeQuery(const std::string& url) {
    Add(url, {}, true, nullptr);
    m_items.back()->SizeOnly = true;
}

void TDownloadQueue::SetFolder(const std::string& value) {
    const std::size_t first = value.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        m_folder.clear();
        return;
    }
    std::string folder = value;
    if (folder.back() != '/')
        folder.push_back('/');
    if (platform::DirectoryExists(folder) || platform::CreateDir(folder.substr(0, folder.size() - 1))) {
        m_folder = folder;
        // Parts of files that a killed process was writing would otherwise stay for good.
        platform::RemoveOrphanedTemporaries(m_folder, ".part-");
    }
}

TDownloadItemRec* TDownloadQueue::GetItem(int index) {
    return index >= 0 && index < Count() ? m_items[static_cast<std::size_t>(index)].get() : nullptr;
}

void TDownloadQueue::Clear() {
    m_items.clear();
}

void TDownloadQueue::run() {
    const webfetch::TConnectionReuse oneConnection;
    m_bytes.clear();
    m_buffer.seek(0);
    m_currentIndex = 0;
    // The count is read afresh on every pass: a notification may have added items.
    while (!isInterruptionRequested() && m_currentIndex < Count()) {
        TDownloadItemRec& item = *m_items[static_cast<std::size_t>(m_currentIndex)];
        ProcessItem(item);
        const bool notified = !m_onItemDone || Synchronize([this] {
            TDownloadItemRec* current = GetItem(m_currentIndex);
            if (current && m_onItemDone)
                m_onItemDone(this, current->URL, current->Data, current->Size != -1, m_folder + current->FileName);
        });
        if (!notified)
            return; // given up: the item stays unprocessed, its owner's data with it
        ++m_currentIndex;
    }
}

void TDownloadQueue::ProcessItem(TDownloadItemRec& item) {
    if (item.SizeOnly) {
        item.Size = GetRemoteFileSize(item.URL);
        return;
    }
    const std::string path = m_folder + item.FileName;
    std::int64_t local = -1;
    std::int64_t remote = 0;
    item.Size = -1;
    if (const std::int64_t cached = platform::FileLength(path); cached >= 0) {
        local = remote = cached;
        if (item.CheckSize) {
            remote = GetRemoteFileSize(item.URL);
            if (remote == -1)
                remote = local;
        }
    }
    if (remote == local) {
        item.Size = ClampLength(local);
        return;
    }
    try {
        int status = 0;
        const bool fetched = DownloadToStream(item.URL, m_buffer, DeadlineMs, &status);
        // Only the server's own content replaces a cached file: an error page never does, even
        // one that happens to be well-formed XML or a picture.
        if (fetched && (status < 200 || status > 299))
            qCInfo(lcQueue) << "answer" << status << "for" << item.URL.c_str() << "keeps the cached copy";
        if (fetched && status >= 200 && status <= 299 && !m_bytes.isEmpty()) {
            m_accept = true;
            if (m_onDataArrived) {
                m_buffer.seek(0);
                Synchronize([this] {
                    TDownloadItemRec* current = GetItem(m_currentIndex);
                    if (current && m_onDataArrived)
                        m_onDataArrived(this, current->URL, current->Data, m_accept, m_buffer,
                                        m_folder + current->FileName);
                });
            }
            if (m_accept) {
                // The length is recorded before the write; only a file that cannot be replaced
                // at all keeps reporting what is cached.
                item.Size = ClampLength(m_bytes.size());
                // The cached file is replaced whole or not at all, never left half written.
                const platform::TReplaceResult saved = platform::ReplaceWhole(
                    path, std::string_view(m_bytes.constData(), static_cast<std::size_t>(m_bytes.size())), ".part-",
                    platform::TDurability::InPlace);
                if (saved.Outcome != platform::TReplaceOutcome::Replaced)
                    qCWarning(lcQueue) << "could not save" << item.URL.c_str() << "as" << path.c_str() << ":"
                                       << std::generic_category().message(saved.Error).c_str();
                if (saved.Outcome == platform::TReplaceOutcome::CannotReplace)
                    item.Size = ClampLength(local);
            } else {
                item.Size = ClampLength(local);
            }
        } else {
            item.Size = ClampLength(local);
        }
    } catch (const std::exception& error) {
        // The item keeps the outcome it had reached; the run goes on.
        qCWarning(lcQueue) << "download of" << item.URL.c_str() << "into" << path.c_str() << "failed:" << error.what();
    } catch (...) {
        qCWarning(lcQueue) << "download of" << item.URL.c_str() << "into" << path.c_str() << "failed";
    }
    m_bytes.clear();
    m_buffer.seek(0);
}

bool TDownloadQueue::Synchronize(const std::function<void()>& call) {
    std::unique_lock lock(m_syncMutex);
    if (m_abandoned)
        return false;
    m_syncCall = &call;
    QMetaObject::invokeMethod(this, &TDownloadQueue::RunSynchronized, Qt::QueuedConnection);
    m_syncDone.wait(lock, [this] { return m_syncCall == nullptr || m_abandoned; });
    const bool ran = m_syncCall == nullptr;
    m_syncCall = nullptr;
    return ran;
}

void TDownloadQueue::RunSynchronized() {
    const std::function<void()>* call = nullptr;
    {
        std::lock_guard lock(m_syncMutex);
        call = m_syncCall;
    }
    if (call) {
        try {
            (*call)();
        } catch (const std::exception& error) {
            // A failing handler never stops the run.
            qCWarning(lcQueue) << "a notification of the download queue failed, the run goes on:" << error.what();
        } catch (...) {
            qCWarning(lcQueue) << "a notification of the download queue failed, the run goes on";
        }
    }
    {
        std::lock_guard lock(m_syncMutex);
        m_syncCall = nullptr;
    }
    m_syncDone.notify_all();
}

void TDownloadQueue::RunFinished() {
    // The end is reported: what the items still hold is the end notification's to free now,
    // and the program's end must not free it a second time.
    OnAbandon = nullptr;
    if (OnTerminate)
        OnTerminate(this);
    if (FreeOnTerminate)
        deleteLater();
}
