#pragma once

#include "ui/TrayShell.h"

#include <QObject>
#include <QTimer>

class QSystemTrayIcon;

/** The tray of the desktop, through Qt (XEmbed or StatusNotifierItem, whichever is there). */
class TQtTrayShell final : public QObject, public TTrayShell {
    Q_OBJECT
public:
    explicit TQtTrayShell(QObject* parent = nullptr);
    ~TQtTrayShell() override;

    int MajorVersion() const override { return 5; }
    bool NotifyIcon(TNotifyMessage message, const TNotifyIconData& data) override;
    QPoint CursorPos() const override;

private:
    QSystemTrayIcon* m_icon;
    // Only while the icon could not be added: asks now and then whether a tray came.
    QTimer m_watch;
};
