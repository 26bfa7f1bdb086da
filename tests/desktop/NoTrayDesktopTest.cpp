// A desktop without a tray, as GNOME is without its extensions: Xvfb and a window manager only.
// The window stays the program's face: minimised it is brought back by a second start, and its
// close button ends the program, placement stored.
#include "desktop/Desktop.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(NoTrayDesktop, TheWindowStaysTheFaceASecondStartBringsItBackAndItsCloseButtonEnds) {
    TDesktopSession session;
    ASSERT_TRUE(session.StartX());
    ASSERT_TRUE(session.StartOpenbox());
    ASSERT_TRUE(session.StartDemo());
    session.WriteSettings("E2E-MEMBER");
    QProcess* app = session.StartPlotvane();
    const std::string window = WaitForMainWindow(session);
    ASSERT_FALSE(window.empty()) << "the window shows without a tray\n" << session.Report();
    EXPECT_TRUE(WaitForLists(session)) << "the lists arrive";

    // No small window of the program's stands in for a tray icon.
    const auto ours = session.Run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                              QStringLiteral("--class"), QStringLiteral("^plotvane$")});
    std::istringstream ids(ours.value_or(""));
    for (std::string id; std::getline(ids, id);)
        EXPECT_EQ(id, window) << "a visible window of the program's other than the main one";

    session.Run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), QString::fromStdString(window)});
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return !session.IsViewable(window); }, 5s)) << "minimised";
    QProcess* second = session.StartPlotvane();
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return second->state() == QProcess::NotRunning; }, 5s))
        << "a second start ends at once";
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return session.IsViewable(window); }, 5s))
        << "a second start brings the window back";
    ASSERT_EQ(app->state(), QProcess::Running) << "the first copy still runs";

    // The feeds are in, so the close is not held back for a download.
    ASSERT_TRUE(CloseMainWindow(session, window)) << "its close button";
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return app->state() == QProcess::NotRunning; }, 10s))
        << "ends the program\n"
        << session.Report();
    EXPECT_EQ(app->exitCode(), 0);
    EXPECT_FALSE(StoredPlacement(session).empty()) << "and the window placement is stored";
}
