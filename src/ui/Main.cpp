#include "ui/Main.h"

#include "core/app/StartUp.h"
#include "core/feeds/RefreshCycle.h"
#include "core/net/Hosts.h"
#include "core/settings/AutoStart.h"
#include "core/settings/OptionsUnit.h"
#include "core/update/SFUpdate.h"
#include "platform/MessagePort.h"
#include "ui/Artwork.h"
#include "ui/CardBox.h"
#include "ui/GifAnim.h"
#include "ui/HeaderStrip.h"
#include "ui/MyTray.h"
#include "ui/PlacementKeeper.h"
#include "ui/PopupWin.h"
#include "ui/TrayInterplay.h"
#include "ui/TrayShell.h"
#include "ui/settings/SetupDlg.h"
#include "ui/update/UpdatePresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

Q_LOGGING_CATEGORY(lcMain, "plotvane.main", QtWarningMsg)

namespace {
constexpr int DesignWidth = 460;
constexpr int DesignHeight = 553;
constexpr int MinimumHeight = 360;
} // namespace

void OpenCardUrl(const std::string& url) {
    if (url.empty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    OpenServerURL(url);
    QApplication::restoreOverrideCursor();
}

TfMain::TfMain(QWidget* parent, TTrayShell* trayShell)
    : QWidget(parent) {
    setWindowTitle(QStringLiteral("Plotvane"));
    setFixedWidth(DesignWidth);
    setMinimumHeight(MinimumHeight);
    resize(DesignWidth, DesignHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    m_header = new THeaderStrip(this);
    connect(m_header, &THeaderStrip::LogoClicked, this, [] { OpenCardUrl(std::string(hosts::VendorWeb)); });
    connect(m_header, &THeaderStrip::GoToQueueClicked, this,
            [] { OpenCardUrl(std::string(hosts::ServiceWeb) + "/Queue"); });
    connect(m_header, &THeaderStrip::OptionsClicked, this, [this] { ShowOptions(); });
    connect(m_header, &THeaderStrip::AboutClicked, this, [this] { ShowAbout(); });
    layout->addWidget(m_header);
    pcMainTabs = new QTabWidget(this);
    // The tabs' look: 20-pixel tabs in Verdana, the active one bold, a warm bar on the one under
    // the mouse, the pages in a soft grey framed in slate.
    pcMainTabs->setStyleSheet(
        QStringLiteral("QTabWidget::pane { border: 1px solid rgb(145, 155, 156); background: rgb(247, 246, 245); }"
                       "QTabBar::tab { height: 20px; padding: 0 10px; font-family: Verdana; font-size: 11px;"
                       " background: rgb(236, 233, 216); border: 1px solid rgb(145, 155, 156); border-bottom: none;"
                       " border-top-left-radius: 3px; border-top-right-radius: 3px; margin-right: 2px; }"
                       "QTabBar::tab:selected { font-weight: bold; background: rgb(247, 246, 245);"
                       " border-top: 2px solid rgb(255, 199, 60); }"
                       "QTabBar::tab:hover { border-top: 2px solid rgb(255, 199, 60); }"
                       "QTabBar::tab:focus { outline: none; }"
                       "#boxContent { background: white; } #listBox { background: white; }"));
    sbQueue = new TCardBox(TListBox::Queue, this);
    sbRecent = new TCardBox(TListBox::Recent, this);
    sbQueue->setAccessibleName(QStringLiteral("DVDs in Your Queue"));
    sbRecent->setAccessibleName(QStringLiteral("Recent DVDs"));
    pcMainTabs->addTab(sbQueue, QStringLiteral("DVDs in Your Queue"));
    pcMainTabs->addTab(sbRecent, QStringLiteral("Recent"));
    pcMainTabs->setCurrentIndex(1);
    // A page shown by its tab takes the focus in its list box, never in its first card: a card
    // that takes the focus is scrolled into view, and the member would lose their place.
    connect(pcMainTabs, &QTabWidget::currentChanged, this, [this] { FocusActiveList(); });
    pcMainTabs->hide();
    layout->addWidget(pcMainTabs, 1);
    layout->addStretch(0);

    setWindowIcon(PlotvaneIcon());
    m_cycle = std::make_unique<TRefreshCycle>(*this);
    CreateUpdater();
    FormCreate();
    CreateTrayIcon(trayShell);
    CreateMovieMenu();
    // Key releases and wheel turns anywhere in the window come here first.
    qApp->installEventFilter(this);
    m_busy = new TGifAnim(this);
    m_busy->SetGifResName(QStringLiteral("GIF_PROGRESS"));
    m_busy->SetText({});
    m_busy->hide();
    CentreAnimation();
}

TfMain::~TfMain() {
    qApp->removeEventFilter(this);
    m_placement->Store();
    // The checker waits for its transfer and stores its status while the window is still whole.
    m_updates.reset();
    m_tray.reset();
    delete m_popup;
}

void TfMain::FormCreate() {
    m_messages = new platform::TMessagePort(this);
    m_messages->OnMessage = [this](std::uint32_t msg, std::uint64_t, std::int64_t) {
        if (msg == platform::WM_RESTORE_APP) {
            qCInfo(lcMain) << "message 1025: restoring the window";
            RestoreApp();
        }
    };
    m_cycle->FirstCycle = true;
    InitializeFolders();
    m_cycle->AllowClose = true;
    m_placement = std::make_unique<TPlacementKeeper>(*this, *pcMainTabs);
    m_startMinimized = m_placement->Restore();
    LoadConfig();
    // The logon entry, not the stored setting, says whether the program starts at logon.
    Config.AutoStartup = AutoStartExists();
    RepairAutoStart();
    m_startMinimized = m_startMinimized || Config.MinimizeOnRun;
}

void TfMain::Start() {
    if (m_startMinimized && HasTray()) {
        // Started minimised ("Minimize on run", or ended while in the tray): into the tray at once,
        // as a minimise does, with no task bar entry. Neither shown nor minimised: a minimised
        // state makes the native window, which on X11 then comes back from the tray unmanaged,
        // or framed one title bar higher than it stood.
        StartFirstRefresh();
        return;
    }
    if (m_startMinimized)
        setWindowState(windowState() | Qt::WindowMinimized);
    show();
}

void TfMain::StartFirstRefresh() {
    if (m_shown)
        return;
    m_shown = true;
    // The first refresh starts once the window is up, as the message loop runs it.
    QMetaObject::invokeMethod(
        this, [this] { m_cycle->Refresh(); }, Qt::QueuedConnection);
}

void TfMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    StartFirstRefresh();
}

void TfMain::ShowBusy() {
    pcMainTabs->hide();
    m_header->SetBusy(true);
    m_busy->show();
    m_busy->Start();
    m_busy->SetText({});
    ProcessMessages();
}

void TfMain::SetBusyText(const std::string& text) {
    m_busy->SetText(QString::fromStdString(text));
}

void TfMain::CentreAnimation() {
    if (m_busy)
        m_busy->move((width() - m_busy->width()) / 2, (height() - m_busy->height()) / 2);
}

void TfMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    CentreAnimation();
    if (m_placement)
        m_placement->Remember();
}

void TfMain::ShowLists() {
    m_busy->Stop();
    m_busy->hide();
    m_busy->SetText({});
    pcMainTabs->show();
    m_listsPending = true;
    m_header->SetBusy(false);
    // The cycle allows closing right after this; a close asked for meanwhile happens then.
    QTimer::singleShot(0, this, [this] { CloseIfPending(); });
}

void TfMain::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfMain::FocusActiveList() {
    if (pcMainTabs->isVisible())
        (pcMainTabs->currentIndex() == 0 ? sbQueue : sbRecent)->setFocus();
}

void TfMain::ShowOptions() {
    const std::int32_t moviesInQueue = Config.MoviesInQueue;
    const std::string netFlixID = Config.NetFlixID;
    QTimer& timer = m_cycle->RefreshTimer();
    const int interval = timer.interval();
    bool reload = false;
    WaitUntilPlaced();
    {
        TfSetupDlg dialog(this);
        if (dialog.exec() == QDialog::Accepted) {
            // The new values apply for this session either way; the member must know they will
            // not survive it.
            if (std::string reason; !TrySaveConfig(&reason))
                QMessageBox::warning(this, QApplication::applicationName(),
                                     QStringLiteral("Plotvane could not save its settings, so they will be lost "
                                                    "when it ends:\n\n%1\n\nThey apply until then. Open "
                                                    "Options again to retry.")
                                         .arg(QString::fromStdString(reason)));
            reload = Config.MoviesInQueue != moviesInQueue || Config.NetFlixID != netFlixID;
            if (!SetAutoStart(Config.AutoStartup))
                QMessageBox::warning(
                    this, QApplication::applicationName(),
                    Config.AutoStartup ? QStringLiteral("Plotvane could not set itself to start at logon: its "
                                                        "logon entry could not be written for the folder it runs from.")
                                       : QStringLiteral("Plotvane could not remove its logon entry."));
            if (const int checkInterval = TRefreshCycle::CheckIntervalMs(); checkInterval != interval) {
                timer.stop();
                timer.setInterval(checkInterval);
                timer.start();
            }
            Updater().SetUpdateMode(static_cast<TUpdateMode>(
                std::clamp(Config.UpdateInterval, 0, static_cast<int>(TUpdateMode::umMonthly))));
        }
    }
    if (reload)
        m_cycle->Refresh();
}
