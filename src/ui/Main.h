#pragma once

#include "core/feeds/MainView.h"
#include "core/update/UpdateFormats.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcMain)

/** Opens a card's or a link's address in the browser, with the hourglass meanwhile. */
void OpenCardUrl(const std::string& url);

namespace platform {
class TDesktopNotifier;
class TMessagePort;
} // namespace platform
class QLabel;
class QScrollArea;
class TCardBox;
class QTabWidget;
class QVBoxLayout;
class QMenu;
class TRefreshCycle;
class TTrayIconEx;
class TTrayShell;
class TTrayInterplay;
class TPlacementKeeper;
class TfPopupWin;
class THeaderStrip;
class TCustomMovieThumbnail;
class TMovieMenu;
class QAction;
class QKeyEvent;
class TGifAnim;
class TSFUpdate;
class TUpdatePresenter;

/** The main window: the member's lists in two tabs, the links above them. */
class TfMain final : public QWidget, public TMainView {
    Q_OBJECT
public:
    /** A tray shell for tests; by default the desktop's tray. */
    explicit TfMain(QWidget* parent = nullptr, TTrayShell* trayShell = nullptr);
    ~TfMain() override;

    /**
     * Shows the window and starts the first refresh; a window to be started minimised goes into
     * the tray instead, where there is one.
     */
    void Start();
    /** Brings the window back from the tray or the task bar and to the foreground. */
    void RestoreApp() override;
    TRefreshCycle& Cycle() { return *m_cycle; }
    TTrayIconEx* TrayIcon() const;
    bool HasTray() const;
    /** Key released anywhere in the window: scrolls the box with the focus (or the queue box). */
    void FormKeyUp(QKeyEvent* event);
    /** The movie menu as it opens on a card (or on a box, with nullptr). */
    TMovieMenu* MovieMenu(TCustomMovieThumbnail* card);
    /** The session ends: the placement is stored and the program ends, downloads or not. */
    void EndSession();
    /** The tray menu's "Close": ends the program unless feeds are downloading. */
    void miTrayCloseClick();

    // The refresh cycle's view.
    void ShowBusy() override;
    void SetBusyText(const std::string& text) override;
    void ShowLists() override;
    void ClearList(TListBox box) override;
    void BeginList(TListBox box) override;
    void EndList(TListBox box) override;
    std::shared_ptr<TPictureTarget> AddCard(const TCardInfo& card) override;
    void ProcessMessages() override;
    void FocusActiveList() override;
    /** The options dialog; on Ok the settings are saved and applied, and the lists reloaded when needed. */
    void ShowOptions() override;
    /** The About box, with the installed version. */
    void ShowAbout();
    TSFUpdate& Updater();
    // The update checker's handlers that show the update dialogs.
    void SFUpdateNewVersionAvailable(TVersion version, bool& toDownload);
    void SFUpdateDownloadComplete(const std::string& fileName, bool& autoExecute);
    /** The change notification: the desktop's own on a session where windows cannot be placed, else the popup. */
    void ShowNotification(const std::string& text) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void WaitUntilPlaced();
    void StartFirstRefresh();
    void CreateUpdater();
    void FormCreate();
    TCardBox* Box(TListBox box) const { return box == TListBox::Recent ? sbRecent : sbQueue; }
    void CreateTrayIcon(TTrayShell* shell);
    void CloseIfPending();
    void CentreAnimation();
    int BoxClientWidth() const;
    void CreateMovieMenu();
    bool HandleInput(QObject* watched, QEvent* event);
    void ShowPopup(const std::string& text);

    platform::TMessagePort* m_messages = nullptr;
    std::unique_ptr<TRefreshCycle> m_cycle;
    QTabWidget* pcMainTabs = nullptr;
    TCardBox* sbQueue = nullptr;
    TCardBox* sbRecent = nullptr;
    bool m_listsPending = false;  // logs the first paint of the lists after they are shown
    bool m_windowPainted = false; // logs the window's first paint, for the start benchmark
    TGifAnim* m_busy = nullptr;
    THeaderStrip* m_header = nullptr;
    QPointer<TfPopupWin> m_popup;
    platform::TDesktopNotifier* m_notifier = nullptr;
    std::unique_ptr<TTrayInterplay> m_tray;
    std::unique_ptr<TUpdatePresenter> m_updates;
    TMovieMenu* pmMovie = nullptr;
    bool m_closeRequested = false;
    bool m_closePending = false;
    std::unique_ptr<TPlacementKeeper> m_placement;
    bool m_shown = false;
    // Minimised at the last end, or "Minimize on run": Start puts the window into the tray.
    bool m_startMinimized = false;
};
