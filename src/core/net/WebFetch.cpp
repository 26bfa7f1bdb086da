#include "core/net/WebFetch.h"

#include "core/net/HttpText.h"
#include "core/net/Limits.h"

#include "platform/BrowserCookies.h"
#include "platform/Network.h"

#include <QIODevice>
#include <QLoggingCategory>
#include <QThread>

#include <curl/curl.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <string_view>

Q_LOGGING_CATEGORY(lcWebFetch, "plotvane.net", QtWarningMsg)

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> g_connectMs{webfetch::ConnectTimeoutMs};
std::atomic<int> g_receiveMs{webfetch::ReceiveTimeoutMs};
std::atomic<int> g_deadlinePercent{100};
thread_local std::int64_t t_lastSizeQueryBytes = 0;

struct TTransfer {
    QIODevice* Stream = nullptr; // null for a length query
    bool WriteFailed = false;
    Clock::time_point LastData = Clock::now();
    std::chrono::milliseconds ReceiveTimeout{webfetch::ReceiveTimeoutMs};
    int Status = 0;
    std::int64_t ContentLength = -1;
    bool HeadersDone = false;
    std::int64_t BytesSeen = 0;
    std::int64_t BodyBytes = 0;
};

void InitCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<TTransfer*>(user);
    const std::size_t n = size * count;
    const std::string_view line(data, n);
    t->LastData = Clock::now();
    t->BytesSeen += static_cast<std::int64_t>(n);
    if (line.starts_with("HTTP/")) {
        // Each answer starts a block of its own (a "100 Continue" comes before the real one).
        const std::size_t space = line.find(' ');
        t->Status =
            space == std::string_view::npos ? 0 : static_cast<int>(httptext::LeadingNumber(line.substr(space + 1)));
        t->ContentLength = -1;
    } else if (httptext::StartsWithNoCase(line, "content-length:")) {
        if (t->ContentLength < 0)
            t->ContentLength = httptext::LeadingNumber(line.substr(15));
    } else if (line == "\r\n" || line == "\n") {
        if (t->Status >= 200 || t->Status <= 0) {
            t->HeadersDone = true;
            if (!t->Stream)
                return 0; // a length query has all it needs: drop the body unread
            if (t->ContentLength > netlimits::MaxBodyInMemory)
                return 0; // announced too large: not a byte of it is kept
        }
    }
    return n;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<TTransfer*>(user);
    const std::size_t n = size * count;
    t->LastData = Clock::now();
    t->BytesSeen += static_cast<std::int64_t>(n);
    if (!t->Stream)
        return 0;
    // A server that never stops sending ends the transfer here, not in the member's memory.
    t->BodyBytes += static_cast<std::int64_t>(n);
    if (t->BodyBytes > netlimits::MaxBodyInMemory)
        return 0;
    if (t->Stream->write(data, static_cast<qint64>(n)) != static_cast<qint64>(n)) {
        t->WriteFailed = true;
        return 0;
    }
    return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<TTransfer*>(user);
    // A worker told to stop (the program is ending) does not wait for the server.
    const QThread* thread = QThread::currentThread();
    if (thread && thread->isInterruptionRequested())
        return 1;
    return Clock::now() - t->LastData > t->ReceiveTimeout ? 1 : 0;
}

struct TCurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct TSlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// The handle of this thread's TConnectionReuse, when one lives.
thread_local CURL* t_shared = nullptr;

// One GET as the service expects it: a browser's user agent, Pragma: no-cache, no redirections
// followed, no prompts, the system's proxy (libcurl reads http_proxy and no_proxy).
CURLcode Perform(const std::string& url, TTransfer& t, int deadlineMs) {
    InitCurl();
    std::unique_ptr<CURL, TCurlDeleter> own;
    CURL* c = t_shared;
    if (c) {
        curl_easy_reset(c); // the options go; the open connection stays for this request
    } else {
        own.reset(curl_easy_init());
        c = own.get();
        if (!c)
            return CURLE_FAILED_INIT;
        // A request on its own closes its connection as it ends.
        curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
    }
    std::unique_ptr<curl_slist, TSlistDeleter> headers(curl_slist_append(nullptr, "Pragma: no-cache"));
    t.ReceiveTimeout = std::chrono::milliseconds(g_receiveMs.load());
    t.LastData = Clock::now();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Microsoft Internet Explorer");
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    // The browser's cookies travel along, so a page fetched here is the member's own.
    const std::string cookies = platform::BrowserCookieHeader(url);
    if (!cookies.empty())
        curl_easy_setopt(c, CURLOPT_COOKIE, cookies.c_str());
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    // A connection that was idle a while may have been closed by the server meanwhile; libcurl
    // checks a reused one before sending, and this bounds how stale one may be.
    curl_easy_setopt(c, CURLOPT_MAXAGE_CONN, 60L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(g_connectMs.load()));
    // The no-data watchdog does not end a server that sends a byte now and then.
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(deadlineMs) * g_deadlinePercent.load() / 100);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
    const CURLcode code = curl_easy_perform(c);
    // The handle outlives this request: nothing of it may point at the stack any more.
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
    return code;
}

} // namespace

bool IsInternetConnected() {
    return platform::IsNetworkUp();
}

bool DownloadToStream(const std::string& url, QIODevice& stream) {
    return DownloadToStream(url, stream, webfetch::FeedDeadlineMs);
}

bool DownloadToStream(const std::string& url, QIODevice& stream, int deadlineMs, int* status) {
    if (!IsInternetConnected() || !stream.isWritable())
        return false;
    TTransfer t;
    t.Stream = &stream;
    const qint64 before = stream.pos();
    const CURLcode code = Perform(url, t, deadlineMs);
    if (status)
        *status = t.Status;
    if (code == CURLE_OPERATION_TIMEDOUT)
        qCWarning(lcWebFetch) << "gave up on" << url.c_str() << "after its deadline or its silence";
    const qint64 written = stream.pos() - before;
    if (code != CURLE_OK || t.WriteFailed)
        return false;
    // A body shorter than announced is a broken transfer, whatever the connection said.
    const bool bodyless = t.Status == 204 || t.Status == 304 || (t.Status >= 100 && t.Status < 200);
    return bodyless || t.ContentLength < 0 || written >= t.ContentLength;
}

std::int32_t GetRemoteFileSize(const std::string& url) {
    t_lastSizeQueryBytes = 0;
    if (!IsInternetConnected())
        return -1;
    TTransfer t;
    Perform(url, t, webfetch::FeedDeadlineMs);
    t_lastSizeQueryBytes = t.BytesSeen;
    if (!t.HeadersDone || t.ContentLength < 0 || t.ContentLength > std::numeric_limits<std::int32_t>::max())
        return -1;
    return static_cast<std::int32_t>(t.ContentLength);
}

namespace webfetch {

TConnectionReuse::TConnectionReuse() {
    if (t_shared)
        return; // an outer one already shares its handle
    InitCurl();
    t_shared = curl_easy_init();
    m_owner = t_shared != nullptr;
}

TConnectionReuse::~TConnectionReuse() {
    if (!m_owner)
        return;
    curl_easy_cleanup(t_shared); // closes the connections it kept
    t_shared = nullptr;
}

void SetTimeoutsForTests(int connectMs, int receiveMs, int deadlineScalePercent) {
    g_connectMs = connectMs > 0 ? connectMs : ConnectTimeoutMs;
    g_receiveMs = receiveMs > 0 ? receiveMs : ReceiveTimeoutMs;
    g_deadlinePercent = deadlineScalePercent > 0 ? deadlineScalePercent : 100;
}

std::int64_t LastSizeQueryBytes() {
    return t_lastSizeQueryBytes;
}

} // namespace webfetch
