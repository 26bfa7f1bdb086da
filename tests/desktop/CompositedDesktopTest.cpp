// An X11 desktop that composites, as GNOME, KDE, XFCE and every XWayland session do: openbox
// with xcompmgr, and trayer for the tray.
#include "desktop/Desktop.h"
#include "ui/PopupWin.h"

#include "support/ChildMode.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QRegularExpression>

#include <set>

namespace {

const bool g_popup = RegisterChildMode("popup", [] {
    auto* popup = new TfPopupWin;
    popup->PlaceAtWorkAreaCorner();
    popup->SetMessage(QStringLiteral("Queue DVDs changed!"));
    QObject::connect(popup, &QObject::destroyed, qApp, &QCoreApplication::quit);
    popup->show();
    return QApplication::exec();
});

constexpr std::uint32_t Opaque = 0xFFFFFFFFu;

class CompositedDesktop : public ::testing::Test {
protected:
    TDesktopSession session;

    void SetUp() override {
        ASSERT_TRUE(session.StartX());
        ASSERT_TRUE(session.StartOpenbox());
        ASSERT_TRUE(session.StartCompositor());
    }

    /** What the screen shows in an area, as the compositor drew it. */
    QImage Grab(const QRect& area) {
        const std::string file = session.Path("grab.png");
        const auto done =
            session.Run(QStringLiteral("import"),
                        {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                         QStringLiteral("%1x%2+%3+%4").arg(area.width()).arg(area.height()).arg(area.x()).arg(area.y()),
                         QString::fromStdString(file)});
        return done ? QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32) : QImage();
    }

    /** Where the window's client area stands on the screen. */
    std::optional<QPoint> ClientOrigin(const std::string& window) {
        const auto info =
            session.Run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::fromStdString(window)});
        static const QRegularExpression x(QStringLiteral("Absolute upper-left X: +(-?\\d+)"));
        static const QRegularExpression y(QStringLiteral("Absolute upper-left Y: +(-?\\d+)"));
        const QString text = QString::fromStdString(info.value_or(""));
        if (!x.match(text).hasMatch() || !y.match(text).hasMatch())
            return std::nullopt;
        return QPoint(x.match(text).captured(1).toInt(), y.match(text).captured(1).toInt());
    }

    std::optional<std::uint32_t> Opacity(const std::string& window) {
        const std::string value = session.WindowProperty(window, QStringLiteral("_NET_WM_WINDOW_OPACITY"));
        if (value.empty())
            return std::nullopt;
        return static_cast<std::uint32_t>(std::stoul(value));
    }
};

int DifferingPixels(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            differing += a.pixel(x, y) != b.pixel(x, y);
    return differing;
}

bool Near(QRgb pixel, QColor expected) {
    return std::abs(qRed(pixel) - expected.red()) <= 2 && std::abs(qGreen(pixel) - expected.green()) <= 2 &&
           std::abs(qBlue(pixel) - expected.blue()) <= 2;
}

} // namespace

TEST_F(CompositedDesktop, TheNotificationFadesInHoldsOpaqueOnTheScreenAndFadesOut) {
    // No panel: the work area is the whole 1280 x 800 screen.
    const QRect area(1280 - 181, 800 - 95, 181, 95);
    const QImage before = Grab(area);
    ASSERT_FALSE(before.isNull());

    session.Env().insert(QStringLiteral("PLOTVANE_TEST_CHILD"), QStringLiteral("popup"));
    session.Env().insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess* child = session.Start(QStringLiteral("popup"), QCoreApplication::applicationFilePath(), {});
    std::string popup;
    ASSERT_TRUE(TDesktopSession::WaitFor(
        [&] { return !(popup = session.FindWindow(QStringLiteral("^Plotvane: Movie remainder$"), true)).empty(); },
        20s));

    // Every step of the fade must reach the X server, where the compositor reads it.
    std::set<std::uint32_t> seen;
    TDesktopSession::WaitFor(
        [&] {
            if (const auto opacity = Opacity(popup))
                seen.insert(*opacity);
            return seen.contains(Opaque);
        },
        5s);
    ASSERT_TRUE(seen.contains(Opaque)) << "the notification never became opaque on the server; seen " << seen.size()
                                       << " values, the highest " << (seen.empty() ? 0 : *seen.rbegin());
    EXPECT_GE(std::count_if(seen.begin(), seen.end(), [](std::uint32_t v) { return v > 0 && v < Opaque; }), 3)
        << "it fades in by steps";

    // Held opaque for five seconds: what the compositor shows is the notification's frame.
    const QImage held = Grab(area);
    ASSERT_FALSE(held.isNull());
    EXPECT_GT(DifferingPixels(before, held), area.width() * area.height() * 9 / 10);
    EXPECT_TRUE(Near(held.pixel(0, 0), QColor(157, 172, 201))) << std::hex << held.pixel(0, 0);
    EXPECT_TRUE(Near(held.pixel(180, 94), QColor(58, 75, 133))) << std::hex << held.pixel(180, 94);

    // Then it fades out and goes by itself; the screen is as it was.
    ASSERT_TRUE(TDesktopSession::WaitFor([&] { return child->state() == QProcess::NotRunning; }, 15s));
    EXPECT_EQ(child->exitCode(), 0);
    EXPECT_EQ(DifferingPixels(before, Grab(area)), 0);
}

class CompositedDesktopWithTray : public CompositedDesktop {
protected:
    void SetUp() override {
        CompositedDesktop::SetUp();
        ASSERT_TRUE(session.StartTrayHost(QStringLiteral("trayer")));
        ASSERT_TRUE(session.StartDemo());
    }
};

TEST_F(CompositedDesktopWithTray, ThePlacementRoundTripsOverSessionsEndedInTheTray) {
    session.WriteSettings("E2E-MEMBER");
    QProcess* app = session.StartPlotvane();
    ASSERT_TRUE(WaitForLists(session));
    const std::string window = WaitForMainWindow(session);
    ASSERT_FALSE(window.empty());
    TDesktopSession::WaitFor([] { return false; }, 1s);
    const auto where = ClientOrigin(window);
    ASSERT_TRUE(where);
    ASSERT_TRUE(CloseMainWindow(session, window)) << "the close button takes the window into the tray";
    ASSERT_EQ(TDesktopSession::Terminate(app, 10s), 0) << "the session's end ends the program";
    const std::string first = StoredPlacement(session);
    ASSERT_FALSE(first.empty());

    // Each start comes up in the tray, as the program was left; ending it there changes nothing.
    for (int run = 2; run <= 4; ++run) {
        app = session.StartPlotvane();
        ASSERT_TRUE(TDesktopSession::WaitFor([&] { return !session.FindWindow(MainWindowName, false).empty(); }, 20s));
        TDesktopSession::WaitFor([] { return false; }, 2s);
        EXPECT_TRUE(session.FindWindow(MainWindowName, true).empty()) << "run " << run << " starts in the tray";
        ASSERT_EQ(TDesktopSession::Terminate(app, 10s), 0);
        EXPECT_EQ(StoredPlacement(session), first) << "run " << run;
    }

    // Brought back by a second start, the window stands where it stood, and says so when it ends.
    app = session.StartPlotvane();
    ASSERT_TRUE(TDesktopSession::WaitFor([&] { return !session.FindWindow(MainWindowName, false).empty(); }, 20s));
    TDesktopSession::WaitFor([] { return false; }, 2s); // until it listens for a second start
    QProcess* second = session.StartPlotvane();
    ASSERT_TRUE(TDesktopSession::WaitFor([&] { return second->state() == QProcess::NotRunning; }, 10s));
    const std::string restored = WaitForMainWindow(session);
    ASSERT_FALSE(restored.empty());
    TDesktopSession::WaitFor([] { return false; }, 1s);
    EXPECT_EQ(ClientOrigin(restored), where) << "the window is back on the screen where it stood";
    ASSERT_EQ(TDesktopSession::Terminate(app, 10s), 0);
    std::string shown = first;
    shown.replace(48, 2, "00"); // the state byte: normal, no longer in the tray
    EXPECT_EQ(StoredPlacement(session), shown);
}

TEST_F(CompositedDesktopWithTray, StartingMinimisedLeavesNoTaskbarEntryAndStillReadsTheFeeds) {
    session.WriteSettings("E2E-MEMBER", true);
    session.StartPlotvane();
    ASSERT_TRUE(WaitForLists(session)) << "the first refresh runs all the same";
    TDesktopSession::WaitFor([] { return false; }, 2s);
    EXPECT_TRUE(session.FindWindow(MainWindowName, true).empty()) << "nothing on the screen";
    const auto ours =
        session.Run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"), MainWindowName});
    ASSERT_TRUE(ours);
    for (const std::string& listed : session.TaskbarWindows())
        EXPECT_EQ(ours->find(listed), std::string::npos) << "window " << listed << " stands in the task bar";
}
