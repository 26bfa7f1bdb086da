// The self-update as a member meets it: after the first refresh the new-version dialog shows,
// Download fetches the installer, the ready dialog appears, and Install later hands the
// installer to the next logon in place of the program's own logon entry.
#include "desktop/Desktop.h"

#include "platform/DesktopEntry.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <fstream>

namespace {

const QString NewVersionName = QStringLiteral("^New version of Plotvane$");
const QString ReadyName = QStringLiteral("^Ready to install new version$");

// Keys go to the focused dialog through XTEST, press and release alike: sent to a window, the
// release would go nowhere once the press has closed it.
void Press(TDesktopSession& session, const std::string& window, const QString& key) {
    session.Run(QStringLiteral("xdotool"),
                {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::fromStdString(window)});
    session.Run(QStringLiteral("xdotool"), {QStringLiteral("key"), key});
}

std::string Shown(TDesktopSession& session, const QString& name, std::chrono::milliseconds timeout) {
    std::string window;
    TDesktopSession::WaitFor([&] { return !(window = session.FindWindow(name, true)).empty(); }, timeout);
    return window;
}

} // namespace

TEST(UpdateDesktop, DownloadThenInstallLaterHandsTheInstallerToTheNextLogon) {
    TDesktopSession session;
    ASSERT_TRUE(StartTrayDesktop(session)) << session.Report();
    // The member starts Plotvane at logon: the installer must take that place.
    const std::string autostart = session.Path(".config/autostart");
    QDir().mkpath(QString::fromStdString(autostart));
    const std::string exe = qEnvironmentVariable("PLOTVANE_TEST_EXE", QStringLiteral(PLOTVANE_EXE)).toStdString();
    std::ofstream(autostart + "/plotvane.desktop")
        << "[Desktop Entry]\nType=Application\nName=Plotvane\nExec=" << exe << "\n";
    session.Run(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                                         QStringLiteral("http://www.netflix.com/demo/update?variant=newer")});
    QProcess* app = session.StartPlotvane();

    const std::string offer = Shown(session, NewVersionName, 120s);
    ASSERT_FALSE(offer.empty()) << "after the first refresh the new-version dialog opens\n" << session.Report();
    EXPECT_NE(session.Log(QStringLiteral("demo-service")).find("GetProjectInfo?ProjectID=Plotvane"), std::string::npos);
    Press(session, offer, QStringLiteral("Return")); // Download is the default button
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return session.FindWindow(NewVersionName, true).empty(); }, 5s))
        << "Download closes it";

    const std::string ready = Shown(session, ReadyName, 120s);
    ASSERT_FALSE(ready.empty()) << "the installer is downloaded and the ready dialog opens\n" << session.Report();
    // Downloads to be run go to a folder only the member may enter, not the shared TMPDIR.
    const QString installer = QString::fromStdString(session.Path(".cache/Plotvane/plotvane-setup.sh"));
    QFile file(installer);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(9), QByteArray("#!/bin/sh")) << "the installer, whole";
    EXPECT_GT(file.size(), 262000);
    EXPECT_TRUE(QFileInfo(installer).isExecutable()) << "and ready to run";

    Press(session, ready, QStringLiteral("Escape"));
    QThread::msleep(1000);
    EXPECT_FALSE(session.FindWindow(ReadyName, true).empty()) << "Escape does not close the ready dialog";
    // "Install later" has no key of its own: clicked by its place, once the window manager has put
    // the dialog where it stays.
    QThread::msleep(500);
    session.Run(QStringLiteral("xdotool"),
                {QStringLiteral("mousemove"), QStringLiteral("--window"), QString::fromStdString(ready),
                 QStringLiteral("209"), QStringLiteral("171"), QStringLiteral("click"), QStringLiteral("1")});
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return session.FindWindow(ReadyName, true).empty(); }, 5s))
        << "Install later closes it";
    const std::string entry = autostart + "/plotvane-update.desktop";
    const auto exec = platform::ReadDesktopEntryValue(entry, "Exec");
    ASSERT_TRUE(exec.has_value()) << "the one-shot logon entry is written";
    EXPECT_NE(exec->find("plotvane-setup.sh"), std::string::npos) << "and runs the installer";
    EXPECT_FALSE(QFile::exists(QString::fromStdString(autostart + "/plotvane.desktop")))
        << "the program's own logon entry is withdrawn";
    EXPECT_EQ(app->state(), QProcess::Running) << "the program goes on";

    // What the next logon does: run the entry's command, which removes itself and runs the installer.
    const auto argv = platform::ExpandDesktopExec(*exec, {});
    ASSERT_TRUE(argv.has_value() && !argv->empty());
    QStringList args;
    for (std::size_t i = 1; i < argv->size(); ++i)
        args << QString::fromStdString((*argv)[i]);
    session.Run(QString::fromStdString(argv->front()), args);
    EXPECT_GT(QFileInfo(QString::fromStdString(session.Path(".cache/Plotvane/plotvane-setup.ran"))).size(), 0)
        << "at the next logon the installer runs once";
    EXPECT_FALSE(QFile::exists(QString::fromStdString(entry))) << "and the entry is gone";

    ::kill(static_cast<pid_t>(app->processId()), SIGTERM);
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return app->state() == QProcess::NotRunning; }, 5s));
    EXPECT_NE(session.Registry().find("\"UpdateState\"=hex:"), std::string::npos)
        << "the update status is kept in the registry";
}
