#pragma once

#include <httplib.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

/**
 * An HTTP server on 127.0.0.1 inside the test process, reached directly or as the proxy
 * (http_proxy), so that requests for the program's real host names land here too.
 */
class TLoopbackServer final {
public:
    struct TSeenRequest {
        std::string Method;
        std::string Target; // as sent: absolute-form through a proxy
        std::multimap<std::string, std::string, httplib::detail::ci> Headers;
        int RemotePort = 0; // the client's side of the connection: one per connection
    };

    TLoopbackServer();
    ~TLoopbackServer();
    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path = "/") const;

    /** Answers GET path, whether it arrives as "/path" or "http://any.host/path". */
    void Get(const std::string& path, httplib::Server::Handler handler);
    /** The same for a regular expression over the path; its groups are the request's matches. */
    void GetRegex(const std::string& pattern, httplib::Server::Handler handler);

    /**
     * Answers GET path with random bytes: length of them under a Content-Length, or, when length
     * is negative, a chunked body that never ends.
     */
    void Garbage(const std::string& path, std::int64_t length);

    /** POST requests to a path pattern (a regular expression). */
    void Post(const std::string& pattern, httplib::Server::Handler handler);
    std::vector<TSeenRequest> Requests() const;
    std::size_t RequestCount() const;
    /** Set when the test ends, so that handlers that stall can give up. */
    const std::atomic<bool>& Stopping() const { return m_stopping; }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::vector<TSeenRequest> m_requests;
};
