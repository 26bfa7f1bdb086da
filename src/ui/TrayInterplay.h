#pragma once

#include <QObject>

#include <memory>

class QMenu;
class QWidget;
class TTrayIconEx;
class TTrayShell;

/**
 * The main window's icon in the tray and its menu ("Show Plotvane", "Close"). Where the desktop
 * has no tray the window stays the program's only face: HasTray() says which, and should a tray
 * turn up later the icon goes there.
 */
class TTrayInterplay final : public QObject {
    Q_OBJECT
public:
    /** The icon of window, in the shell given (a test's) or the desktop's own tray. */
    TTrayInterplay(QWidget& window, TTrayShell* shell);
    ~TTrayInterplay() override;

    bool HasTray() const;
    TTrayIconEx* Icon() const { return m_icon; }
    /** Brings the window back from the tray; false when there is no tray it could be in. */
    bool RestoreApp();
    /** Hides the window into the tray, with no task bar entry. */
    void MinimizeApp();
    /** The session ends: the icon leaves the tray at once. */
    void EndSession();

Q_SIGNALS:
    /** The menu's "Show Plotvane", once the menu has closed. */
    void ShowChosen();
    /** The menu's "Close", once the menu has closed. */
    void CloseChosen();
    /** The window is about to go into the tray. */
    void Minimizing();

private:
    std::unique_ptr<TTrayShell> m_ownShell;
    QMenu* m_menu = nullptr;
    TTrayIconEx* m_icon = nullptr;
};
