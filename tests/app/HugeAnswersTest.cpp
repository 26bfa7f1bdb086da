#include "support/JpegMaker.h"
#include "support/LoopbackServer.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

namespace {

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's shadow memory and its quarantine of freed blocks come on top.
constexpr qint64 PeakBoundMiB = 1024;
#else
constexpr qint64 PeakBoundMiB = 400;
#endif

// The highest resident size the process has had, from the kernel's own record.
qint64 PeakResidentKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

std::string TrackingFeed(int entries) {
    std::string feed = "<?xml version=\"1.0\"?>\n<rss version=\"2.0\"><channel><title>Tracking</title>\n";
    for (int i = 0; i < entries; ++i) {
        const std::string id = std::to_string(60000000 + i);
        feed += std::string("<item><title>") + (i % 2 ? "Received: Film " : "Shipped: Film ") + id +
                "</title><link>http://www.netflix.com/MovieDisplay?movieid=" + id +
                "</link><description>A film.</description></item>\n";
    }
    return feed + "</channel></rss>\n";
}

} // namespace

// An ordinary-sized answer that is hostile in what it holds: 20,000 rentals, and box art of
// 4096 x 4096 pixels in a 100 KB JPEG for every one of them.
TEST(HugeAnswers, TensOfThousandsOfRentalsWithGiantBoxArtStayWithinAFewHundredMegabytes) {
    TTempProfile profile;
    TLoopbackServer server;
    profile.SetEnv("QT_QPA_PLATFORM", "offscreen");
    profile.SetEnv("http_proxy", server.Url(""));
    profile.SetEnv("no_proxy", "");
    profile.WriteMemberSettings("HUGE");
    const std::string tracking = TrackingFeed(20000);
    const std::string picture = MakeJpeg(4096, 4096);
    server.GetRegex("/TrackingRSS.*", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(tracking, "application/rss+xml");
    });
    server.GetRegex(".*\\.jpg",
                    [&](const httplib::Request&, httplib::Response& res) { res.set_content(picture, "image/jpeg"); });
    const auto pictureRequests = [&] {
        std::size_t n = 0;
        for (const auto& request : server.Requests())
            n += request.Target.ends_with(".jpg");
        return n;
    };

    QProcess program;
    program.start(QStringLiteral(PLOTVANE_EXE), {});
    ASSERT_TRUE(program.waitForStarted(5000));
    // Each list asks for the pictures of the cards it built, and no more.
    QElapsedTimer timer;
    timer.start();
    std::size_t seen = 0;
    qint64 still = 0;
    while (timer.elapsed() < 180000 && program.state() == QProcess::Running) {
        QThread::msleep(250);
        const std::size_t now = pictureRequests();
        still = now == seen ? still + 250 : 0;
        seen = now;
        // All asked for and nothing more for a while, or no progress at all for long.
        if ((seen >= 1000 && still >= 2000) || still >= 30000)
            break;
    }
    const qint64 peak = PeakResidentKiB(program.processId());
    program.terminate();
    EXPECT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitCode(), 0);

    EXPECT_EQ(seen, 2 * 500u) << "500 cards at home and 500 returned, each with its box art";
    ASSERT_GT(peak, 0);
    EXPECT_LT(peak, PeakBoundMiB * 1024) << "peak resident " << peak / 1024 << " MiB";
    RecordProperty("peak_resident_kib", std::to_string(peak));
}
