#pragma once

#include <QApplication>

/**
 * The application object: an exception that escapes an event handler is shown to the member
 * by the general error reporting instead of ending the program silently.
 */
class TPlotvaneApplication final : public QApplication {
public:
    TPlotvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
