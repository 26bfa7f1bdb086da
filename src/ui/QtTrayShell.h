#pragma once

#include "platform/TrayHosts.h"
#include "ui/TrayShell.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

/**
 * The tray of the desktop, through Qt: a StatusNotifier host where the desktop has one, else
 * an XEmbed tray. The icon is made only once a tray is there, so that Qt chooses its kind
 * knowing the panel; a panel that comes later is watched for.
 */
class TQtTrayShell final : public QObject, public TTrayShell {
    Q_OBJECT
public:
    explicit TQtTrayShell(QObject* parent = nullptr);
    ~TQtTrayShell() override;

    int MajorVersion() const override { return 5; }
    bool NotifyIcon(TNotifyMessage message, const TNotifyIconData& data) override;
    QPoint CursorPos() const override;
    void ExportMenu(QMenu* menu) override;

private:
    void Activated(QSystemTrayIcon::ActivationReason reason);
    void Notify(std::initializer_list<std::uint32_t> messages);
    void WatchForTray();
    void Update(const TNotifyIconData& data);

    const bool m_x11;
    QSystemTrayIcon* m_icon = nullptr;
    bool m_statusNotifier = false;
    QPointer<QMenu> m_menu;
    // Only while the icon could not be added: tells when a tray may have come.
    std::unique_ptr<platform::TTrayHostWatch> m_watch;
};
