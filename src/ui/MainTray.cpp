// The main window's closing rules: the close button takes it to the tray, "Close" waits for the
// feeds, the end of the session waits for nothing; and its change popup.
#include "ui/Main.h"

#include "core/feeds/RefreshCycle.h"
#include "platform/DesktopNotifications.h"
#include "ui/PlacementKeeper.h"
#include "ui/PopupWin.h"
#include "ui/TrayInterplay.h"
#include "ui/TrayShell.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

void TfMain::CreateTrayIcon(TTrayShell* shell) {
    m_tray = std::make_unique<TTrayInterplay>(*this, shell);
    connect(m_tray.get(), &TTrayInterplay::ShowChosen, this, [this] { RestoreApp(); });
    connect(m_tray.get(), &TTrayInterplay::CloseChosen, this, [this] { miTrayCloseClick(); });
    connect(m_tray.get(), &TTrayInterplay::Minimizing, this, [this] {
        if (m_popup)
            m_popup->close();
    });
}

TTrayIconEx* TfMain::TrayIcon() const {
    return m_tray->Icon();
}

bool TfMain::HasTray() const {
    return m_tray && m_tray->HasTray();
}

void TfMain::RestoreApp() {
    qCInfo(lcMain) << "restoring the window";
    if (m_tray && m_tray->RestoreApp())
        return;
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TfMain::miTrayCloseClick() {
    m_closeRequested = true;
    close();
}

void TfMain::closeEvent(QCloseEvent* event) {
    if (!m_closeRequested && HasTray()) {
        // The close button takes the program to the tray; only the tray menu's "Close" ends it.
        event->ignore();
        m_placement->Remember();
        m_tray->MinimizeApp();
        return;
    }
    if (!m_cycle->AllowClose) {
        // Never in the middle of a feed download. Without a tray the close happens once it is done.
        event->ignore();
        m_closePending = !HasTray();
        m_closeRequested = false;
        return;
    }
    event->accept();
    m_placement->Store();
    QApplication::quit();
}

void TfMain::EndSession() {
    m_placement->Store();
    m_tray->EndSession();
    // Not quit(): that asks the window to close, which a feed download under way refuses, and a
    // logout waits for no download.
    QCoreApplication::exit(0);
}

void TfMain::CloseIfPending() {
    if (m_closePending && m_cycle->AllowClose) {
        m_closePending = false;
        m_closeRequested = true;
        close();
    }
}

void TfMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Once the window is active, the window manager has framed it: its place reads true now.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_placement)
        m_placement->Remember();
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && HasTray() && isVisible())
        QTimer::singleShot(0, this, [this] { m_tray->MinimizeApp(); });
}

void TfMain::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (m_placement)
        m_placement->Remember();
}

void TfMain::WaitUntilPlaced() {
    // On a first start the options open as the window appears; until the window manager has
    // placed it, its position reads 0,0 and a dialog would be centred on the wrong spot.
    QElapsedTimer waited;
    waited.start();
    while (isVisible() && windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
}

void TfMain::ShowNotification(const std::string& text) {
    // Where the compositor places every window, ours could not stand at the bottom right: the
    // desktop's own notifications tell the change there, and the popup only when none answers.
    if (platform::WindowsArePlacedByTheCompositor()) {
        if (!m_notifier) {
            m_notifier = new platform::TDesktopNotifier(this);
            // A click on it does what a double click on the popup does.
            m_notifier->OnActivated = [this] { m_cycle->PopupDblClick(); };
        }
        m_notifier->OnFailed = [this, text](const QString&) { ShowPopup(text); };
        const QString entry = QGuiApplication::desktopFileName();
        m_notifier->Notify(QStringLiteral("Plotvane"), QString::fromStdString(text), entry, entry);
        return;
    }
    ShowPopup(text);
}

void TfMain::ShowPopup(const std::string& text) {
    // A window of its own: the main window may be hidden in the tray when a change comes.
    if (!m_popup)
        m_popup = new TfPopupWin;
    m_popup->SetOnMessageDblClick([this](TfPopupWin*) { m_cycle->PopupDblClick(); });
    m_popup->PlaceAtWorkAreaCorner();
    m_popup->SetMessage(QString::fromStdString(text));
    m_popup->show();
}
