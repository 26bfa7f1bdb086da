// The real program on the plainest desktop with a tray: Xvfb, openbox and trayer, against the
// demo service. What a member sees: the lists with box art, the close button taking the
// program to the tray, a second start bringing it back, the end of the session ending it.
#include "desktop/Desktop.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>

#include <csignal>

TEST(TrayDesktop, ListsCloseIntoTheTrayASecondStartBringsTheWindowBackAndALogoutEnds) {
    TDesktopSession session;
    ASSERT_TRUE(StartTrayDesktop(session)) << session.Report();
    QProcess* app = session.StartPlotvane();
    ASSERT_TRUE(WaitForLists(session)) << "the feeds and the box art reach the cache\n" << session.Report();
    for (const char* feed : {"QueueRSS.xml", "TrackingRSS.xml"})
        EXPECT_GT(
            QFileInfo(QString::fromStdString(session.Path(std::string(".local/share/Plotvane/Plotvane/Cache/") + feed)))
                .size(),
            0)
            << feed << " is cached";
    const std::string window = WaitForMainWindow(session);
    ASSERT_FALSE(window.empty()) << "the window is on the screen";
    EXPECT_NE(session.Log(QStringLiteral("demo-service")).find("MovieDisplay?movieid=70001148"), std::string::npos)
        << "the broken box art was looked up on its movie page";

    ASSERT_TRUE(CloseMainWindow(session, window)) << "the close button hides the window";
    EXPECT_EQ(app->state(), QProcess::Running) << "the program goes on in the tray";

    QElapsedTimer second;
    second.start();
    QProcess* again = session.StartPlotvane();
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return again->state() == QProcess::NotRunning; }, 5s));
    EXPECT_LT(second.elapsed(), 2000) << "a second start ends within 2 s";
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return session.IsViewable(window); }, 5s))
        << "a second start brings the window back";
    ASSERT_EQ(app->state(), QProcess::Running) << "the first copy still runs";

    ::kill(static_cast<pid_t>(app->processId()), SIGTERM);
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return app->state() == QProcess::NotRunning; }, 5s))
        << "the end of the session ends the program";
    EXPECT_EQ(app->exitCode(), 0);
    EXPECT_FALSE(StoredPlacement(session).empty()) << "and the window placement is stored";
}
