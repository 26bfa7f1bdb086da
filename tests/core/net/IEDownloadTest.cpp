#include "core/net/IEDownload.h"
#include "core/net/BSCB.h"
#include "core/net/Limits.h"

#include "support/LoopbackServer.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>

#include <mutex>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Answers one request with a canned response, whatever it asks for: a server that ignores ranges.
class TOneShotServer {
public:
    explicit TOneShotServer(std::string response)
        : m_response(std::move(response)) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 1);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            const int client = ::accept(m_listener, nullptr, nullptr);
            if (client < 0)
                return;
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                request.append(buffer, static_cast<std::size_t>(n));
            }
            ::send(client, m_response.data(), m_response.size(), MSG_NOSIGNAL);
            ::close(client);
        });
    }
    ~TOneShotServer() {
        ::shutdown(m_listener, SHUT_RDWR);
        ::close(m_listener);
        m_thread.join();
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

private:
    std::string m_response;
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
};

struct TReport {
    HRESULT Result = 1;
    bool HadStream = false;
    std::string Bytes;
    qint64 Position = -1;
    std::uint32_t ResponseCode = 0;
    std::string RequestHeaders;
};

class IEDownloadTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TIEDownload download;
    std::vector<TReport> reports;
    std::string body = std::string(3000, 'x');
    std::mutex mutex;
    std::string postBody;
    // After what its handlers read, so that it stops, its last request answered, before they go.
    TLoopbackServer server;

    void SetUp() override {
        profile.SetEnv("http_proxy", server.Url(""));
        profile.SetEnv("no_proxy", "");
        download.OnComplete = [this](TBSCB* sender, QIODevice* stream, HRESULT result) {
            TReport r{result, stream != nullptr, {}, -1, sender->ResponseCode(), sender->RequestHeaders()};
            if (stream) {
                r.Position = stream->pos();
                stream->seek(0);
                r.Bytes = stream->readAll().toStdString();
            }
            reports.push_back(r);
        };
        // A file with range support, as a web server serves one (the server applies the range).
        server.Get("/files/setup.sh", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(body, "application/octet-stream");
        });
        server.Get("/plain", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/octet-stream", [this](size_t, httplib::DataSink& sink) {
                sink.write(body.data(), body.size());
                sink.done();
                return true;
            });
        });
        server.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("<html>not here</html>", "text/html");
        });
        server.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("<html>server error</html>", "text/html");
        });
        server.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/octet-stream",
                                             [this](size_t offset, httplib::DataSink& sink) {
                                                 if (offset == 0) {
                                                     sink.write("first", 5);
                                                     return true;
                                                 }
                                                 for (int i = 0; i < 300 && !server.Stopping(); ++i)
                                                     std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                                 sink.done();
                                                 return true;
                                             });
        });
        server.Post("/post", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex);
            postBody = req.body;
            res.set_content("ok", "text/plain");
        });
    }

    bool WaitForReports(std::size_t n, int ms = 10000) {
        QElapsedTimer timer;
        timer.start();
        while (reports.size() < n && timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // A second report would come on the heels of the first.
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return reports.size() == n;
    }
    std::string LastRange() const {
        const auto requests = server.Requests();
        const auto& headers = requests.back().Headers;
        const auto it = headers.find("Range");
        return it == headers.end() ? std::string("(none)") : it->second;
    }
    std::string Target() const { return profile.Path("tmp/setup.sh.tmp"); }
};

} // namespace

TEST_F(IEDownloadTest, ANewFileIsCreatedWithoutARange) {
    download.Go("http://update.plotvane.example/files/setup.sh", Target());
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(reports[0].Result, hresult::S_OK);
    EXPECT_EQ(reports[0].Position, 0) << "the file comes rewound";
    EXPECT_TRUE(reports[0].Bytes == body) << reports[0].Bytes.size();
    EXPECT_TRUE(ReadFile(Target()) == body) << ReadFile(Target()).size();
    EXPECT_EQ(LastRange(), "(none)");
    EXPECT_EQ(reports[0].ResponseCode, 200u);
}

TEST_F(IEDownloadTest, AnExistingFileIsContinuedOrStartedOver) {
    WriteFile(Target(), body.substr(0, 1000));
    download.Go("http://update.plotvane.example/files/setup.sh", Target());
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(LastRange(), "bytes=1000-");
    EXPECT_EQ(reports[0].Result, hresult::S_OK);
    EXPECT_EQ(reports[0].ResponseCode, 206u);
    EXPECT_TRUE(ReadFile(Target()) == body) << "206 appends: " << ReadFile(Target()).size();

    // Complete already: 416 ends the transfer, the file as it was.
    download.Go("http://update.plotvane.example/files/setup.sh", Target());
    ASSERT_TRUE(WaitForReports(2));
    EXPECT_EQ(reports[1].Result, hresult::E_ABORT);
    EXPECT_EQ(reports[1].ResponseCode, 416u);
    EXPECT_FALSE(reports[1].HadStream);
    EXPECT_TRUE(ReadFile(Target()) == body) << ReadFile(Target()).size();

    // A server that ignores the range answers 200: the file starts over.
    WriteFile(Target(), "stale bytes");
    TOneShotServer whole("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                         "\r\nConnection: close\r\n\r\n" + body);
    profile.SetEnv("no_proxy", "127.0.0.1");
    download.Go(whole.Url("/files/setup.sh"), Target());
    ASSERT_TRUE(WaitForReports(3));
    EXPECT_EQ(reports[2].RequestHeaders, "Range: bytes=11-\r\nContent-Type: application/x-www-form-urlencoded\r\n");
    EXPECT_EQ(reports[2].ResponseCode, 200u);
    EXPECT_EQ(reports[2].Result, hresult::S_OK);
    EXPECT_TRUE(ReadFile(Target()) == body) << ReadFile(Target()).size();
}

TEST_F(IEDownloadTest, ResumeDecisions) {
    WriteFile(Target(), body.substr(0, 500));
    std::uint32_t answer = 1;
    download.OnResume = [&](TBSCB*, const std::string& name, std::uint32_t& action) {
        EXPECT_EQ(name, Target());
        EXPECT_EQ(action, 0u);
        action = answer;
    };
    download.Go("http://update.plotvane.example/files/setup.sh", Target());
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(LastRange(), "(none)") << "action 1 starts over";
    EXPECT_TRUE(ReadFile(Target()) == body) << ReadFile(Target()).size();

    answer = 2;
    const std::size_t requests = server.RequestCount();
    download.Go("http://update.plotvane.example/files/setup.sh", Target());
    ASSERT_TRUE(WaitForReports(2));
    EXPECT_EQ(reports[1].Result, hresult::E_ABORT) << "action 2 refuses the transfer";
    EXPECT_FALSE(reports[1].HadStream);
    EXPECT_EQ(server.RequestCount(), requests);
}

TEST_F(IEDownloadTest, MemoryTransfersRangesAndHeaders) {
    download.UserAgent = "Plotvane test agent";
    download.RangeBegin = 100;
    download.RangeEnd = 199;
    download.Go("http://update.plotvane.example/plain", "");
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(reports[0].Result, hresult::S_OK);
    EXPECT_EQ(reports[0].Bytes.size(), body.size()) << "this server ignores ranges";
    EXPECT_EQ(reports[0].Position, static_cast<qint64>(body.size())) << "the memory stream is not rewound";
    EXPECT_EQ(LastRange(), "bytes=100-199");
    EXPECT_EQ(reports[0].RequestHeaders, "User-agent: Plotvane test agent\r\nRange: bytes=100-199\r\n"
                                         "Content-Type: application/x-www-form-urlencoded\r\n");
    const auto headers = server.Requests().back().Headers;
    EXPECT_EQ(headers.find("User-Agent")->second, "Plotvane test agent");
    EXPECT_EQ(headers.find("Content-Type")->second, "application/x-www-form-urlencoded") << "even for a GET";
}

TEST_F(IEDownloadTest, PostSendsItsDataWithATrailingZero) {
    download.Method = TBindVerbOption::Post;
    download.PostData = "a=b";
    download.Go("http://update.plotvane.example/post", "");
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(reports[0].Result, hresult::S_OK);
    std::lock_guard lock(mutex);
    EXPECT_EQ(postBody, std::string("a=b\0", 4));
}

TEST_F(IEDownloadTest, FailuresEndOnceWithTheirCodes) {
    download.Go("not a url at all", "");
    EXPECT_EQ(reports.size(), 1u) << "reported at once, inside Go";
    download.Go("http://update.plotvane.example/missing", "");
    download.Go("http://update.plotvane.example/broken", Target());
    ASSERT_TRUE(WaitForReports(3));
    EXPECT_EQ(reports[0].Result, hresult::MK_E_SYNTAX);
    EXPECT_FALSE(reports[0].HadStream);
    // The two network ones may end in either order.
    for (std::size_t i = 1; i < 3; ++i) {
        if (reports[i].ResponseCode == 404) {
            EXPECT_EQ(reports[i].Result, hresult::E_ABORT);
            EXPECT_FALSE(reports[i].HadStream);
        } else {
            EXPECT_EQ(reports[i].ResponseCode, 500u);
            EXPECT_EQ(reports[i].Result, hresult::INET_E_DOWNLOAD_FAILURE) << "an error page is no download";
        }
    }
    EXPECT_EQ(download.Running(), 0u);
}

TEST_F(IEDownloadTest, HugeOrEndlessAnswersStopAtTheBound) {
    server.Garbage("/endless", -1);
    server.Garbage("/too-big", netlimits::MaxBodyToFile + 1);
    server.Garbage("/rest", netlimits::MaxBodyToFile + 1000); // its rest alone would fit
    download.Go("http://update.plotvane.example/endless", "");
    ASSERT_TRUE(WaitForReports(1, 30000));
    EXPECT_EQ(reports[0].Result, hresult::INET_E_DOWNLOAD_FAILURE);
    EXPECT_LE(static_cast<std::int64_t>(reports[0].Bytes.size()), netlimits::MaxBodyInMemory);
    EXPECT_GT(static_cast<std::int64_t>(reports[0].Bytes.size()), netlimits::MaxBodyInMemory - 65536);

    // A file: refused as soon as the length is announced, before the file is made.
    download.Go("http://update.plotvane.example/too-big", Target());
    ASSERT_TRUE(WaitForReports(2));
    EXPECT_EQ(reports[1].Result, hresult::INET_E_DOWNLOAD_FAILURE);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Target())));
    // A continued file counts with what it already holds.
    WriteFile(Target(), std::string(2000, 'p'));
    download.Go("http://update.plotvane.example/rest", Target());
    ASSERT_TRUE(WaitForReports(3));
    EXPECT_EQ(LastRange(), "bytes=2000-");
    EXPECT_EQ(reports[2].Result, hresult::INET_E_DOWNLOAD_FAILURE);
    EXPECT_EQ(ReadFile(Target()), std::string(2000, 'p'));
}

TEST_F(IEDownloadTest, SilenceLongerThanTheTimeOutEndsTheTransfer) {
    download.TimeOut = 400;
    QElapsedTimer timer;
    timer.start();
    download.Go("http://update.plotvane.example/stall", "");
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(reports[0].Result, hresult::INET_E_CONNECTION_TIMEOUT);
    EXPECT_TRUE(reports[0].HadStream);
    EXPECT_EQ(reports[0].Bytes, "first") << "what arrived before the silence";
    EXPECT_LT(timer.elapsed(), 2500);
}

TEST_F(IEDownloadTest, ATricklingServerEndsAtTheDeadlineUnlessItsLengthEarnsMoreTime) {
    // A byte every 50 ms: never silent long enough for the inactivity time-out.
    const auto trickle = [this](std::size_t length, bool announce) {
        return [this, length, announce](const httplib::Request&, httplib::Response& res) {
            const auto next = [this](httplib::DataSink& sink) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                return !server.Stopping() && sink.write("t", 1);
            };
            if (announce)
                res.set_content_provider(length, "application/octet-stream",
                                         [next](size_t, size_t, httplib::DataSink& sink) { return next(sink); });
            else
                res.set_chunked_content_provider("application/octet-stream",
                                                 [next](size_t, httplib::DataSink& sink) { return next(sink); });
        };
    };
    server.Get("/endless-trickle", trickle(1000000, false));
    server.Get("/announced-trickle", trickle(20, true));
    download.TimeOut = 400;
    download.Deadline = 600;

    download.Go("http://update.plotvane.example/endless-trickle", Target());
    ASSERT_TRUE(WaitForReports(1, 10000));
    EXPECT_EQ(reports[0].Result, hresult::INET_E_CONNECTION_TIMEOUT);
    EXPECT_GT(reports[0].Bytes.size(), 3u) << "the server did send, slowly";
    EXPECT_LT(reports[0].Bytes.size(), 40u);

    // 20 bytes at the least rate of 10 per second earn 2 s more: the file arrives whole.
    download.MinimumRate = 10;
    download.Go("http://update.plotvane.example/announced-trickle", Target());
    ASSERT_TRUE(WaitForReports(2, 10000));
    EXPECT_EQ(reports[1].Result, hresult::S_OK);
    EXPECT_EQ(ReadFile(Target()), std::string(20, 't'));
}

TEST_F(IEDownloadTest, AProxysConnectAnswerNeverTouchesThePartialFile) {
    // The proxy agrees to the tunnel and then fails; its "200" is not the server's answer.
    TOneShotServer proxy("HTTP/1.1 200 Connection established\r\n\r\nnot TLS at all");
    profile.SetEnv("https_proxy", proxy.Url(""));
    WriteFile(Target(), "first half of the installer");
    download.Go("https://update.plotvane.example/files/setup.sh", Target());
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_NE(reports[0].Result, hresult::S_OK);
    EXPECT_EQ(reports[0].ResponseCode, 0u) << "the origin server never answered";
    EXPECT_EQ(ReadFile(Target()), "first half of the installer");
}

TEST_F(IEDownloadTest, RedirectionsAreFollowedWithoutTheirPages) {
    server.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "/files/setup.sh");
        res.set_content("<html>moved</html>", "text/html");
    });
    server.Get("/loop", [](const httplib::Request&, httplib::Response& res) {
        res.status = 301;
        res.set_header("Location", "http://update.plotvane.example/loop");
    });
    server.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "file:///etc/passwd");
    });
    download.Go("http://update.plotvane.example/moved", Target());
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(reports[0].Result, hresult::S_OK);
    EXPECT_EQ(reports[0].ResponseCode, 200u);
    EXPECT_TRUE(ReadFile(Target()) == body) << "the redirection's own page is not part of the file";

    for (const char* path : {"/loop", "/to-file"}) {
        const std::size_t before = server.RequestCount();
        download.Go(std::string("http://update.plotvane.example") + path, "");
        ASSERT_TRUE(WaitForReports(reports.size() + 1)) << path;
        EXPECT_EQ(reports.back().Result, hresult::INET_E_REDIRECT_FAILED) << path;
        EXPECT_LE(server.RequestCount() - before, 11u) << path;
    }
}

TEST_F(IEDownloadTest, CancelStopsTheRunningTransferAndTheNextGoRuns) {
    download.Go("http://update.plotvane.example/stall", Target());
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(QString::fromStdString(Target())) && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    download.Cancel();
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(reports[0].Result, hresult::E_ABORT);
    download.Go("http://update.plotvane.example/plain", "");
    ASSERT_TRUE(WaitForReports(2));
    EXPECT_EQ(reports[1].Result, hresult::S_OK);
    EXPECT_TRUE(reports[1].Bytes == body) << reports[1].Bytes.size();
}

TEST_F(IEDownloadTest, DataAndProgressEvents) {
    std::uint64_t offered = 0;
    download.OnData = [&](TBSCB*, std::string& block) {
        offered += block.size();
        block.clear(); // nothing of it is stored
    };
    std::vector<std::uint32_t> statuses;
    std::vector<std::string> speeds;
    std::uint32_t lastProgress = 0, lastMax = 0;
    download.OnProgress = [&](TBSCB*, std::uint32_t progress, std::uint32_t max, std::uint32_t status,
                              const std::string&, const std::string& elapsed, const std::string& speed,
                              const std::string& estimated) {
        statuses.push_back(status);
        if (status != bindstatus::DOWNLOADINGDATA) {
            EXPECT_TRUE(elapsed.empty() && speed.empty() && estimated.empty()) << status;
        } else {
            speeds.push_back(speed);
            lastProgress = progress;
            lastMax = max;
        }
    };
    WriteFile(Target(), body.substr(0, 1000));
    download.Go("http://update.plotvane.example/files/setup.sh", Target());
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(reports[0].Result, hresult::S_OK);
    EXPECT_EQ(offered, body.size() - 1000);
    EXPECT_EQ(ReadFile(Target()), body.substr(0, 1000)) << "emptied blocks store nothing";
    EXPECT_EQ(lastProgress, body.size()) << "a continued file counts from its start";
    EXPECT_EQ(lastMax, body.size());
    ASSERT_FALSE(speeds.empty());
    EXPECT_TRUE(speeds.back().ends_with(" kb/sec"));
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), bindstatus::BEGINDOWNLOADDATA), statuses.end());
    EXPECT_EQ(statuses.back(), bindstatus::ENDDOWNLOADDATA);
}

TEST(IEDownloadProgress, TextsForSpeedAndTime) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const TProgressTexts half = ProgressTexts(500000, 1000000, 2000);
    EXPECT_EQ(half.Speed, "250 kb/sec");
    EXPECT_EQ(half.ElapsedTime, "12:00:02 AM");
    EXPECT_EQ(half.EstimatedTime, "12:00:02 AM");
    EXPECT_EQ(ProgressTexts(1000, 0, 3000).Speed, "0.33 kb/sec") << "cut after two decimals, not rounded";
    EXPECT_EQ(ProgressTexts(2000, 0, 3000).Speed, "0.66 kb/sec");
    EXPECT_TRUE(ProgressTexts(1000, 0, 3000).EstimatedTime.empty()) << "no total";
    EXPECT_EQ(ProgressTexts(1000, 5000, 0).Speed, "0 kb/sec");
    EXPECT_TRUE(ProgressTexts(1000, 5000, 0).EstimatedTime.empty()) << "no speed yet";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ProgressTexts(2000, 0, 3000).Speed, "0,66 kb/sec") << "the locale's decimal separator";
    QLocale::setDefault(QLocale::c());
}

TEST_F(IEDownloadTest, AnErrorAnswerLeavesAPartialFileExactlyAsItWas) {
    WriteFile(Target(), std::string(1000, 'p'));
    // A server that ignores the range and answers with its error page.
    const std::string page = "<html><body>500 Internal Server Error";
    TOneShotServer failing("HTTP/1.1 500 Internal Server Error\r\nContent-Length: " + std::to_string(page.size()) +
                           "\r\nConnection: close\r\n\r\n" + page);
    profile.SetEnv("no_proxy", "127.0.0.1");
    download.Go(failing.Url("/files/setup.sh"), Target());
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(reports[0].ResponseCode, 500u);
    EXPECT_NE(reports[0].Result, hresult::S_OK);
    EXPECT_EQ(ReadFile(Target()), std::string(1000, 'p')) << "the error page is not in the file";

    // The next run continues from where the file really ends and gets the installer whole.
    profile.SetEnv("no_proxy", "");
    body = std::string(1000, 'p') + std::string(2000, 'q');
    download.Go("http://update.plotvane.example/files/setup.sh", Target());
    ASSERT_TRUE(WaitForReports(2));
    EXPECT_EQ(LastRange(), "bytes=1000-");
    EXPECT_EQ(reports.back().Result, hresult::S_OK);
    EXPECT_TRUE(ReadFile(Target()) == body);
}
