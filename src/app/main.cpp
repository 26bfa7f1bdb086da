#include "ui/Main.h"
#include "core/app/CommandLine.h"
#include "core/app/SingleInstance.h"
#include "core/net/DownloadQueue.h"
#include "platform/DisplayPlatform.h"
#include "platform/Paths.h"
#include "platform/TerminationSignals.h"
#include "ui/Application.h"

#include <cstdio>
#include <string>

int main(int argc, char* argv[]) {
    // An answer and nothing else: no folder made, no setting read, no running copy signalled.
    if (const TCommand command = ParseCommandLine(argc, argv); command != TCommand::Run) {
        const std::string text = command == TCommand::Help ? HelpText() : VersionText(platform::ExecutablePath());
        return std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    TSingleInstance instance;
    if (!instance.IsFirstCopy()) {
        instance.BringRunningCopyForward();
        return 0;
    }
    // On Wayland with XWayland the program runs as an X11 client, so the notification can stand
    // at the bottom right and the tray's icon works as on any X11 desktop.
    platform::ApplyPreferredQtPlatform();
    // Command-line arguments change nothing, not even Qt's own options.
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("plotvane"), nullptr};
    TPlotvaneApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("Plotvane"));
    // Ties the windows to the installed launcher, whose icon and name the desktop then shows.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.plotvane.Plotvane"));
    // Hiding the window into the tray must not end the program; only "Close" does.
    QApplication::setQuitOnLastWindowClosed(false);
    TfMain main;
    // Logging out ends the program as "Close" would, placement stored, without waiting for downloads.
    platform::TTerminationSignals endOfSession;
    endOfSession.OnTerminate = [&main] { main.EndSession(); };
    main.Start();
    const int code = QApplication::exec();
    // Feeds and pictures still on their way are given up: their cached copies stay as they were.
    TDownloadQueue::AbandonAll(1500);
    return code;
}
