#pragma once

#include <QLoggingCategory>
#include <QWidget>

Q_DECLARE_LOGGING_CATEGORY(lcMain)

namespace platform {
class TMessagePort;
}

/** The main window: the member's lists in two tabs, the links above them. */
class TfMain final : public QWidget {
    Q_OBJECT
public:
    explicit TfMain(QWidget* parent = nullptr);
    ~TfMain() override;

    /** False while feeds download: the window may not close then. */
    bool AllowClose = true;
    /** The update check has not been started yet. */
    bool FirstCycle = true;

    /** Brings the window back from the tray or the task bar and to the foreground. */
    void RestoreApp();

private:
    void FormCreate();

    platform::TMessagePort* m_messages = nullptr;
};
