// The program's life in the tray, as a member lives it, on a compositing desktop: "Close" from the
// tray menu refused while the feeds download and obeyed afterwards, and the first length check
// after a change at the service raising the notification at the bottom right of the work area,
// without taking the focus, fading through the compositor. The first check comes 6 minutes after
// the pictures arrive (the shortest interval a member can choose), so this test takes about 7.
#include "desktop/Desktop.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QRegularExpression>

#include <sstream>

namespace {

std::vector<std::string> Lines(const std::optional<std::string>& text) {
    std::vector<std::string> lines;
    std::istringstream in(text.value_or(""));
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

/** The program's windows by their class; visible ones only when asked. */
std::vector<std::string> PlotvaneWindows(const TDesktopSession& session, bool onlyVisible) {
    QStringList args = {QStringLiteral("search")};
    if (onlyVisible)
        args << QStringLiteral("--onlyvisible");
    args << QStringLiteral("--class") << QStringLiteral("^plotvane$");
    return Lines(session.Run(QStringLiteral("xdotool"), args, 3000));
}

/** The icon: the program's small window that the tray host swallowed. */
std::string TrayIcon(const TDesktopSession& session) {
    for (const std::string& window : PlotvaneWindows(session, false))
        if (session.IsViewable(window) && session.Geometry(window).width() <= 64)
            return window;
    return {};
}

/** The tray menu: the program's one visible window that is wide and low. */
bool MenuOpen(const TDesktopSession& session) {
    for (const std::string& window : PlotvaneWindows(session, true)) {
        const QRect place = session.Geometry(window);
        if (place.width() >= 100 && place.height() < 80)
            return true;
    }
    return false;
}

/** Chooses "Close", the menu's last entry, from the icon's menu: the key Up wraps round to it. */
bool TrayClose(const TDesktopSession& session, const std::string& icon) {
    for (int attempt = 0; attempt < 3 && !MenuOpen(session); ++attempt) {
        const QRect place = session.Geometry(icon);
        session.Run(QStringLiteral("xdotool"),
                    {QStringLiteral("mousemove"), QString::number(place.x() + 8), QString::number(place.y() + 8),
                     QStringLiteral("click"), QStringLiteral("3")});
        TDesktopSession::WaitFor([&] { return MenuOpen(session); }, 3s);
    }
    if (!MenuOpen(session))
        return false;
    session.Keys({QStringLiteral("Up"), QStringLiteral("Return")});
    return TDesktopSession::WaitFor([&] { return !MenuOpen(session); }, 3s);
}

/** The work area the window manager announces: left, top, width, height. */
QRect WorkArea(const TDesktopSession& session) {
    static const QRegularExpression numbers(QStringLiteral("(\\d+), (\\d+), (\\d+), (\\d+)"));
    const auto match = numbers.match(QString::fromStdString(
        session.Run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_WORKAREA")}).value_or("")));
    if (!match.hasMatch())
        return {};
    return {match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(), match.captured(4).toInt()};
}

} // namespace

TEST(TrayLifeDesktop, CloseWaitsForTheFeedsAndAChangeAtTheServiceRaisesTheNotification) {
    TDesktopSession session;
    // Every feed answer slowed to 3 s, so that "Close" meets a download; the service changes only when asked.
    ASSERT_TRUE(session.StartX() && session.StartOpenbox() && session.StartCompositor() &&
                session.StartTrayHost(QStringLiteral("trayer")) &&
                session.StartDemo({QStringLiteral("--step-seconds"), QStringLiteral("100000"),
                                   QStringLiteral("--feed-delay-ms"), QStringLiteral("3000")}))
        << session.Report();
    session.WriteSettings("E2E-MEMBER"); // the shortest check interval
    QProcess* app = session.StartPlotvane();
    const std::string cache = session.Path(".local/share/Plotvane/Plotvane/Cache/");
    const auto size = [&](const char* feed) { return QFileInfo(QString::fromStdString(cache + feed)).size(); };

    std::string icon;
    ASSERT_TRUE(TDesktopSession::WaitFor([&] { return !(icon = TrayIcon(session)).empty(); }, 20s))
        << "the icon is in the tray\n"
        << session.Report();
    ASSERT_FALSE(WaitForMainWindow(session).empty()) << session.Report();

    ASSERT_TRUE(TrayClose(session, icon)) << "the tray menu's Close is chosen while the feeds download";
    TDesktopSession::WaitFor([] { return false; }, 1s);
    EXPECT_EQ(app->state(), QProcess::Running) << "and the program goes on";
    EXPECT_FALSE(size("TrackingRSS.xml") > 0 && size("QueueRSS.xml") > 0) << "a feed download was indeed under way";

    ASSERT_TRUE(WaitForLists(session)) << "the lists and the box art arrive\n" << session.Report();
    // Both feeds are in once the pictures are; the refresh's own end may come a moment later.
    const qint64 queueSize = size("QueueRSS.xml");
    ASSERT_GT(queueSize, 0);

    ASSERT_TRUE(session.AskDemo(QStringLiteral("/demo/advance"))) << "a change at the service";
    std::string popup;
    ASSERT_TRUE(TDesktopSession::WaitFor(
        [&] { return !(popup = session.FindWindow(QStringLiteral("^Plotvane: Movie remainder$"), true)).empty(); },
        7min + 30s))
        << "a length check after the change raises the notification\n"
        << session.Report();
    const QRect place = session.Geometry(popup);
    const QRect area = WorkArea(session);
    EXPECT_EQ(place.right(), area.right()) << "at the right of the work area";
    EXPECT_EQ(place.bottom(), area.bottom()) << "at its bottom";
    const auto active = session.Run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")});
    EXPECT_NE(active.value_or(""), popup + "\n") << "the notification has not taken the focus";
    EXPECT_TRUE(TDesktopSession::WaitFor(
        [&] { return session.WindowProperty(popup, QStringLiteral("_NET_WM_WINDOW_OPACITY")) == "4294967295"; }, 4s))
        << "its fade reaches the compositor: fully opaque while it holds";
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return !session.IsViewable(popup); }, 20s))
        << "the notification fades out by itself";
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return size("QueueRSS.xml") != queueSize; }, 30s))
        << "the refresh after the notification downloads the changed feed";

    // The refresh may still hold its feeds; once they are in, the tray's Close ends the program.
    bool ended = false;
    for (int attempt = 0; attempt < 20 && !ended; ++attempt) {
        TrayClose(session, icon);
        ended = TDesktopSession::WaitFor([&] { return app->state() == QProcess::NotRunning; }, 3s);
    }
    EXPECT_TRUE(ended) << "after the download the tray menu's Close ends the program";
    EXPECT_FALSE(StoredPlacement(session).empty()) << "and the window placement is stored";
}
