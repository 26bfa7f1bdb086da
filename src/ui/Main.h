#pragma once

#include "feeds/MainView.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QWidget>

#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcMain)

namespace platform {
class TMessagePort;
}
class QLabel;
class QScrollArea;
class QTabWidget;
class QVBoxLayout;
class QMenu;
class TRefreshCycle;
class TTrayIconEx;
class TTrayShell;
class TfPopupWin;
class TGifAnim;

/** The main window: the member's lists in two tabs, the links above them. */
class TfMain final : public QWidget, public TMainView {
    Q_OBJECT
public:
    /** A tray shell for tests; by default the desktop's tray. */
    explicit TfMain(QWidget* parent = nullptr, TTrayShell* trayShell = nullptr);
    ~TfMain() override;

    /** Brings the window back from the tray or the task bar and to the foreground. */
    void RestoreApp() override;
    TRefreshCycle& Cycle() { return *m_cycle; }
    TGifAnim* ProgressAnimation() const { return m_busy; }
    TTrayIconEx* TrayIcon() const { return TrayIconEx; }
    bool HasTray() const;
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
    void ShowOptions() override;
    void ShowNotification(const std::string& text) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();
    QWidget* BuildLinks();
    QScrollArea* BuildBox(QVBoxLayout*& layout);
    QVBoxLayout* LayoutOf(TListBox box) const;
    void CreateTrayIcon(TTrayShell* shell);
    void RestorePlacement();
    void StorePlacement();
    void CloseIfPending();
    void CentreAnimation();

    platform::TMessagePort* m_messages = nullptr;
    std::unique_ptr<TRefreshCycle> m_cycle;
    QTabWidget* pcMainTabs = nullptr;
    QScrollArea* sbQueue = nullptr;
    QScrollArea* sbRecent = nullptr;
    QVBoxLayout* m_queueLayout = nullptr;
    QVBoxLayout* m_recentLayout = nullptr;
    TGifAnim* m_busy = nullptr;
    QLabel* lbGoToQueue = nullptr;
    QLabel* lbOptions = nullptr;
    QPointer<TfPopupWin> m_popup;
    std::unique_ptr<TTrayShell> m_ownTrayShell;
    TTrayIconEx* TrayIconEx = nullptr;
    QMenu* pmTrayPopup = nullptr;
    bool m_closeRequested = false;
    bool m_closePending = false;
    bool m_placementStored = false;
    bool m_shown = false;
};
