#include "ui/Main.h"
#include "app/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "ui/Application.h"

int main(int argc, char* argv[]) {
    TSingleInstance instance;
    if (!instance.IsFirstCopy()) {
        instance.BringRunningCopyForward();
        return 0;
    }
    // Command-line arguments change nothing, not even Qt's own options.
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("plotvane"), nullptr};
    TPlotvaneApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("Plotvane"));
    // Hiding the window into the tray must not end the program; only "Close" does.
    QApplication::setQuitOnLastWindowClosed(false);
    TfMain main;
    // Logging out ends the program as "Close" would, placement stored, without waiting for downloads.
    platform::TTerminationSignals endOfSession;
    endOfSession.OnTerminate = [&main] { main.EndSession(); };
    main.show();
    return QApplication::exec();
}
