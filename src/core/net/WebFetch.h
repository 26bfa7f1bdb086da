#pragma once

#include <cstdint>
#include <string>

class QIODevice;

/** Whether the machine reports a way to the network. */
bool IsInternetConnected();

/**
 * Fetches url with one blocking GET (redirections not followed, the status code not examined)
 * and appends the body at the stream's position. True only when the whole body arrived and
 * was written; on a failure the bytes that did arrive stay in the stream. A body larger than
 * netlimits::MaxBodyInMemory is a failure, announced or not. Never throws. The answer's HTTP
 * status goes to status when given (0 when none arrived), for callers to whom an error page
 * is no content.
 */
bool DownloadToStream(const std::string& url, QIODevice& stream, int deadlineMs, int* status = nullptr);
bool DownloadToStream(const std::string& url, QIODevice& stream);

/**
 * The Content-Length of url's answer, or -1 when there is none or no answer. Makes a GET and
 * drops the connection as soon as the headers are in, so the body is never transferred.
 */
std::int32_t GetRemoteFileSize(const std::string& url);

namespace webfetch {

/**
 * While one lives on a thread, the requests made on that thread share one libcurl handle and with
 * it their connections: a queue's pictures travel over one kept-alive connection instead of
 * paying a connect (on a real network a round trip) each. Every request still sets all its own
 * options. The connections close when it goes; without one, each request has a connection of
 * its own. A download queue holds one for its run.
 */
class TConnectionReuse final {
public:
    TConnectionReuse();
    ~TConnectionReuse();
    TConnectionReuse(const TConnectionReuse&) = delete;
    TConnectionReuse& operator=(const TConnectionReuse&) = delete;

private:
    bool m_owner = false;
};

inline constexpr int ConnectTimeoutMs = 5000;
inline constexpr int ReceiveTimeoutMs = 50000;
/**
 * Whole requests end by these, however the bytes trickle in: a feed or a page in a minute, a
 * picture in half of one.
 */
inline constexpr int FeedDeadlineMs = 60000;
inline constexpr int PictureDeadlineMs = 30000;

/**
 * Shortens the connect and the no-data timeouts, and scales every deadline to scalePercent;
 * zero or less restores the defaults. For tests.
 */
void SetTimeoutsForTests(int connectMs, int receiveMs, int deadlineScalePercent = 0);

/** What the last GetRemoteFileSize on this thread received, headers and body bytes. For measurements. */
std::int64_t LastSizeQueryBytes();

} // namespace webfetch
