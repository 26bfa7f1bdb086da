#include "ui/Application.h"

#include "core/app/CrashReport.h"

#include <QMessageBox>

TPlotvaneApplication::TPlotvaneApplication(int& argc, char** argv)
    : QApplication(argc, argv) {
    crashreport::SetErrorHandler([](const std::string& message) {
        QMessageBox::critical(activeWindow(), applicationName(), QString::fromStdString(message));
    });
}

bool TPlotvaneApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    crashreport::Guard([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
