#include "core/net/WebFetch.h"
#include "core/net/Limits.h"
#include "platform/Network.h"

#include "core/net/CurlLoop.h"
#include "platform/SharedLibrary.h"

#include "support/ChildMode.h"
#include "support/LoopbackServer.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QElapsedTimer>

#include <set>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A fresh process, as a start is: libcurl comes in with the first transfer, not before.
const bool g_lazyCurl = RegisterChildMode("lazy-curl", [] {
    if (platform::IsLibraryLoaded("libcurl"))
        return 10; // loaded with the program
    {
        TCurlLoop loop; // the update checker makes one as the window is built
    }
    if (platform::IsLibraryLoaded("libcurl"))
        return 11;
    TLoopbackServer server;
    server.Get("/p", [](const httplib::Request&, httplib::Response& res) { res.set_content("picture", "image/jpeg"); });
    setenv("http_proxy", server.Url("").c_str(), 1);
    QByteArray body;
    QBuffer stream(&body);
    stream.open(QIODevice::WriteOnly);
    if (!DownloadToStream("http://cdn-0.nflximg.com/p", stream) || body != "picture")
        return 12;
    return platform::IsLibraryLoaded("libcurl") ? 0 : 13;
});

// Waits in small steps so that a stalling handler ends with the test.
void Pause(const TLoopbackServer& server, int ms) {
    for (int waited = 0; waited < ms && !server.Stopping(); waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

class WebFetchTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TLoopbackServer server;
    QByteArray bytes;
    QBuffer stream{&bytes};

    void SetUp() override {
        profile.SetEnv("http_proxy", server.Url(""));
        profile.SetEnv("no_proxy", "");
        stream.open(QIODevice::ReadWrite);
    }
    void TearDown() override {
        platform::SetNetworkUpForTests(std::nullopt);
        webfetch::SetTimeoutsForTests(0, 0);
    }

    void Serve(const std::string& path, const std::string& body, int status = 200, const char* type = "text/html") {
        server.Get(path, [=](const httplib::Request&, httplib::Response& res) {
            res.status = status;
            res.set_content(body, type);
        });
    }
};

} // namespace

TEST_F(WebFetchTest, NetworkDownSendsNothing) {
    Serve("/QueueRSS", "<rss/>");
    platform::SetNetworkUpForTests(false);
    EXPECT_FALSE(DownloadToStream("http://rss.netflix.com/QueueRSS?id=X", stream));
    EXPECT_EQ(GetRemoteFileSize("http://rss.netflix.com/QueueRSS?id=X"), -1);
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_TRUE(bytes.isEmpty());
}

TEST_F(WebFetchTest, MakesTheServicesRequest) {
    Serve("/QueueRSS", "<rss/>", 200, "text/xml");
    ASSERT_TRUE(DownloadToStream("http://rss.netflix.com/QueueRSS?id=P123", stream));
    EXPECT_EQ(bytes, "<rss/>");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& seen = requests[0];
    EXPECT_EQ(seen.Method, "GET");
    EXPECT_EQ(seen.Target, "http://rss.netflix.com/QueueRSS?id=P123") << "through the proxy";
    EXPECT_EQ(seen.Headers.find("User-Agent")->second, "Microsoft Internet Explorer");
    ASSERT_NE(seen.Headers.find("Pragma"), seen.Headers.end());
    EXPECT_EQ(seen.Headers.find("Pragma")->second, "no-cache");
}

TEST_F(WebFetchTest, StatusIsNeverExamined) {
    Serve("/missing", "<html><body>404 Not Found</body></html>", 404);
    server.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "http://www.netflix.com/elsewhere");
        res.set_content("<p>moved</p>", "text/html");
    });
    Serve("/elsewhere", "followed");

    EXPECT_TRUE(DownloadToStream("http://www.netflix.com/missing", stream));
    EXPECT_EQ(bytes, "<html><body>404 Not Found</body></html>");
    EXPECT_EQ(GetRemoteFileSize("http://www.netflix.com/missing"), 39);

    bytes.clear();
    stream.seek(0);
    EXPECT_TRUE(DownloadToStream("http://www.netflix.com/moved", stream));
    EXPECT_EQ(bytes, "<p>moved</p>") << "a redirection is read, not followed";
    EXPECT_EQ(server.RequestCount(), 3u);
}

TEST_F(WebFetchTest, BodySizes) {
    Serve("/k", std::string(1024, 'k'));
    Serve("/empty", "");
    server.Get("/chunked", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/plain", [](size_t, httplib::DataSink& sink) {
            sink.write("part one,", 9);
            sink.write("part two", 8);
            sink.done();
            return true;
        });
    });

    EXPECT_TRUE(DownloadToStream("http://x.test/k", stream));
    EXPECT_EQ(bytes.size(), 1024);
    EXPECT_EQ(GetRemoteFileSize("http://x.test/k"), 1024);

    bytes.clear();
    stream.seek(0);
    EXPECT_TRUE(DownloadToStream("http://x.test/empty", stream));
    EXPECT_TRUE(bytes.isEmpty());
    EXPECT_EQ(GetRemoteFileSize("http://x.test/empty"), 0);

    EXPECT_TRUE(DownloadToStream("http://x.test/chunked", stream));
    EXPECT_EQ(bytes, "part one,part two");
    EXPECT_EQ(GetRemoteFileSize("http://x.test/chunked"), -1);
}

TEST_F(WebFetchTest, AppendsAtTheStreamsPosition) {
    Serve("/body", "BODY");
    stream.write("HEAD");
    ASSERT_TRUE(DownloadToStream("http://x.test/body", stream));
    EXPECT_EQ(bytes, "HEADBODY");
    EXPECT_EQ(stream.pos(), 8) << "the stream is not rewound";
}

TEST_F(WebFetchTest, BodyCutShortIsAFailureWithThePartKept) {
    server.Get("/cut", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(10000, "application/octet-stream", [](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset >= 4000)
                return false; // the connection drops
            sink.write(std::string(4000, 'c').data(), 4000);
            return true;
        });
    });
    EXPECT_FALSE(DownloadToStream("http://x.test/cut", stream));
    EXPECT_EQ(bytes, QByteArray(4000, 'c'));
}

TEST_F(WebFetchTest, HugeOrEndlessBodiesStopAtTheBound) {
    constexpr auto bound = netlimits::MaxBodyInMemory;
    server.Garbage("/100MB", 100'000'000);
    server.Garbage("/endless", -1);
    server.Garbage("/at-the-bound", bound);
    EXPECT_FALSE(DownloadToStream("http://x.test/100MB", stream));
    EXPECT_EQ(bytes.size(), 0) << "announced too large: refused before the body";
    EXPECT_FALSE(DownloadToStream("http://x.test/endless", stream));
    EXPECT_LE(bytes.size(), bound);
    EXPECT_GT(bytes.size(), bound - 65536) << "read on up to the bound";
    bytes.clear();
    stream.seek(0);
    EXPECT_TRUE(DownloadToStream("http://x.test/at-the-bound", stream));
    EXPECT_EQ(bytes.size(), bound);
}

TEST_F(WebFetchTest, SilenceLongerThanTheReceiveTimeoutEndsTheRead) {
    webfetch::SetTimeoutsForTests(0, 400);
    server.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(200, "text/plain", [this](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset == 0) {
                sink.write(std::string(100, 's').data(), 100);
                return true;
            }
            Pause(server, 5000);
            return false;
        });
    });
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(DownloadToStream("http://x.test/stall", stream));
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_EQ(bytes, QByteArray(100, 's'));
}

TEST_F(WebFetchTest, ListenerThatNeverAcceptsTimesOutConnecting) {
    // A listener whose one-place backlog is already taken: further connection attempts go unanswered.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fillers.push_back(s);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    profile.SetEnv("http_proxy", "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)));
    webfetch::SetTimeoutsForTests(300, 0);

    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(DownloadToStream("http://rss.netflix.com/QueueRSS?id=X", stream));
    EXPECT_EQ(GetRemoteFileSize("http://rss.netflix.com/QueueRSS?id=X"), -1);
    EXPECT_LT(timer.elapsed(), 4000);
    EXPECT_TRUE(bytes.isEmpty()) << "the stream is untouched";
    for (int s : fillers)
        ::close(s);
    ::close(listener);
}

TEST_F(WebFetchTest, LengthQueryOfALargeFileMovesOnlyTheHeaders) {
    constexpr std::size_t Size = 10'000'000;
    std::atomic<std::size_t> sent{0};
    server.Get("/big.bin", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(Size, "application/octet-stream",
                                 [&](size_t offset, size_t length, httplib::DataSink& sink) {
                                     const std::string chunk(std::min<std::size_t>(length, 65536), 'b');
                                     if (!sink.write(chunk.data(), chunk.size()))
                                         return false;
                                     sent = offset + chunk.size();
                                     return true;
                                 });
    });
    EXPECT_EQ(GetRemoteFileSize("http://x.test/big.bin"), static_cast<std::int32_t>(Size));
    EXPECT_LT(webfetch::LastSizeQueryBytes(), 64 * 1024) << "bytes the client took in";
    EXPECT_LT(sent.load(), Size) << "the server could not send the whole body";
}

TEST_F(WebFetchTest, UnwritableStreamIsAFailure) {
    Serve("/body", "BODY");
    QByteArray fixed("x");
    QBuffer readOnly(&fixed);
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(DownloadToStream("http://x.test/body", readOnly));
    EXPECT_EQ(fixed, "x");
}

TEST_F(WebFetchTest, AServerThatTricklesIsCutOffAtTheRequestsDeadline) {
    // A byte every 150 ms never trips the no-data watchdog; the whole answer would take 6 s.
    webfetch::SetTimeoutsForTests(0, 1000, 2); // deadlines at 2 %: a feed's 1.2 s, a picture's 0.6 s
    server.Get("/trickle", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(40, "text/plain", [this](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset > 0)
                Pause(server, 150);
            sink.write("t", 1);
            return true;
        });
    });
    for (const auto& [deadline, limit] :
         {std::pair{webfetch::FeedDeadlineMs, 3000}, std::pair{webfetch::PictureDeadlineMs, 2400}}) {
        bytes.clear();
        stream.seek(0);
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(DownloadToStream("http://x.test/trickle", stream, deadline));
        EXPECT_LT(timer.elapsed(), limit) << deadline;
        EXPECT_LT(bytes.size(), 40) << "cut off before the end";
    }
}

TEST_F(WebFetchTest, RequestsOneAfterAnotherShareAConnectionYetEachKeepsItsOwnRules) {
    Serve("/small.jpg", std::string(2048, 'p'), 200, "image/jpeg");
    server.Garbage("/endless", -1);
    std::set<int> connections;
    const webfetch::TConnectionReuse oneConnection; // as a download queue holds for its run
    const auto fetch = [&](const std::string& url) {
        QByteArray body;
        QBuffer to(&body);
        to.open(QIODevice::WriteOnly);
        const bool ok = DownloadToStream(url, to);
        return ok ? body.size() : -1;
    };
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(fetch("http://cdn-0.nflximg.com/small.jpg?n=" + std::to_string(i)), 2048);
    for (const auto& request : server.Requests())
        connections.insert(request.RemotePort);
    EXPECT_EQ(connections.size(), 1u) << "five pictures, one connection";

    // A transfer ended early (a length query, a body past its bound) closes its connection;
    // the next request gets a fresh one and a whole answer.
    EXPECT_EQ(GetRemoteFileSize("http://cdn-0.nflximg.com/small.jpg"), 2048);
    EXPECT_EQ(fetch("http://cdn-0.nflximg.com/endless"), -1);
    EXPECT_EQ(fetch("http://cdn-0.nflximg.com/small.jpg?n=again"), 2048);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 8u);
    EXPECT_EQ(requests.back().Headers.count("Pragma"), 1u) << "the service's headers on a reused handle too";
    EXPECT_EQ(requests.back().Headers.find("User-Agent")->second, "Microsoft Internet Explorer");
}

TEST(NetworkLibrary, IsLoadedByTheFirstTransferNotByTheStart) {
    // 10: loaded at the start; 11: by making the transfer loop; 12: the transfer failed.
    EXPECT_EQ(WaitForChild(StartChildMode("lazy-curl")), 0);
}
