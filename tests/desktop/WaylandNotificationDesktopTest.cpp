// Wayland without XWayland: the compositor places every window, so the change notification goes
// to the desktop's notification service (here the tests' own, recording what it receives on the
// session's bus), and a click on it brings the window back as a double click on the popup does.
// The first length check comes six minutes after the lists, so this test takes about seven.
#include "desktop/Desktop.h"

#include "support/NotificationRecorder.h"

#include <gtest/gtest.h>

TEST(WaylandNotificationDesktop, AChangeIsToldByTheDesktopsServiceAndAClickOnItBringsTheWindowBack) {
    TDesktopSession session;
    ASSERT_TRUE(session.StartDBus() && session.StartWeston(false) &&
                session.StartDemo({QStringLiteral("--step-seconds"), QStringLiteral("100000")}))
        << session.Report();
    TNotificationRecorder service(session.Env().value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")));
    ASSERT_TRUE(service.Serving()) << "the recording notification service is on the session's bus";
    session.WriteSettings("E2E-MEMBER"); // the shortest check interval
    QProcessEnvironment logging;
    logging.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("plotvane.main.info=true"));
    QProcess* app = session.StartPlotvane(logging);
    ASSERT_TRUE(WaitForLists(session)) << session.Report();

    ASSERT_TRUE(session.AskDemo(QStringLiteral("/demo/advance"))) << "a change at the service";
    ASSERT_TRUE(TDesktopSession::WaitFor([&] { return !service.Received().empty(); }, 7min + 30s))
        << "the length check after the change tells the desktop's notification service\n"
        << session.Report();
    const TNotificationRecorder::TNotification told = service.Received().front();
    EXPECT_EQ(told.AppName, QStringLiteral("Plotvane"));
    EXPECT_EQ(told.Summary, QStringLiteral("Plotvane"));
    EXPECT_TRUE(told.Body.contains(QStringLiteral("changed"))) << told.Body.toStdString();
    EXPECT_EQ(told.Icon, QStringLiteral("example.plotvane.Plotvane")) << "the program's icon, by its name";
    EXPECT_EQ(told.Hints.value(QStringLiteral("desktop-entry")).toString(),
              QStringLiteral("example.plotvane.Plotvane"));
    EXPECT_TRUE(told.Actions.contains(QStringLiteral("default")));

    service.Click(told.Id);
    EXPECT_TRUE(TDesktopSession::WaitFor(
        [&] { return session.Log(QStringLiteral("plotvane-1")).find("restoring the window") != std::string::npos; },
        15s))
        << "a click on the notification brings the window back\n"
        << session.Report();
    EXPECT_EQ(app->state(), QProcess::Running);
    EXPECT_EQ(service.Received().size(), 1u) << "one change, one notification";
}
