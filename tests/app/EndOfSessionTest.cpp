#include "support/LoopbackServer.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <csignal>

namespace {

// Every address the program asks for answers one byte at a time, never silent for long and
// never done: the server a logout must not wait for.
class EndOfSessionTest : public ::testing::TestWithParam<int> {
protected:
    TTempProfile profile;
    TLoopbackServer server;
    QProcess program;

    void SetUp() override {
        profile.SetEnv("QT_QPA_PLATFORM", "offscreen");
        profile.SetEnv("http_proxy", server.Url(""));
        profile.SetEnv("https_proxy", server.Url(""));
        profile.SetEnv("no_proxy", "");
        profile.WriteMemberSettings("TRICKLE");
        server.GetRegex(".*", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/rss+xml", [this](size_t, httplib::DataSink& sink) {
                QThread::msleep(200);
                return !server.Stopping() && sink.write("<", 1);
            });
        });
    }

    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(3000);
        }
    }
};

} // namespace

TEST_P(EndOfSessionTest, TheSessionsEndIsObeyedWithinTwoSecondsWhileADownloadTrickles) {
    program.start(QStringLiteral(PLOTVANE_EXE), {});
    ASSERT_TRUE(program.waitForStarted(5000));
    QElapsedTimer waiting;
    waiting.start();
    while (server.RequestCount() == 0 && waiting.elapsed() < 15000)
        QThread::msleep(20);
    ASSERT_GT(server.RequestCount(), 0u) << "the program never asked for its feeds";
    QThread::msleep(600); // a few bytes in: the transfer is under way

    QElapsedTimer ending;
    ending.start();
    ::kill(static_cast<pid_t>(program.processId()), GetParam());
    const bool ended = program.waitForFinished(4000);
    const qint64 took = ending.elapsed();
    ASSERT_TRUE(ended) << "still running 4 s after the signal";
    EXPECT_LT(took, 2000);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    const std::string settings = ReadFile(profile.RegistryFile());
    EXPECT_NE(settings.find("\"NetFlixID\"=\"TRICKLE\""), std::string::npos) << settings;
}

INSTANTIATE_TEST_SUITE_P(Signals, EndOfSessionTest, ::testing::Values(SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "Term" : "Hangup");
                         });
