// The main window's tray interplay: closing to the tray, the tray menu, and the placement that
// survives restarts.
#include "ui/Main.h"

#include "core/feeds/RefreshCycle.h"
#include "core/settings/WindowPlacement.h"
#include "ui/Artwork.h"
#include "ui/MyTray.h"
#include "ui/PopupWin.h"
#include "ui/QtTrayShell.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

void TfMain::CreateTrayIcon(TTrayShell* shell) {
    if (!shell) {
        m_ownTrayShell = std::make_unique<TQtTrayShell>();
        shell = m_ownTrayShell.get();
    }
    pmTrayPopup = new QMenu(this);
    // The chosen item is acted on once the menu has closed, as the desktop's menu command comes:
    // QMenu::exec runs it before it returns, while the icon still counts the menu as open and
    // would ignore "Show Plotvane".
    QAction* show = pmTrayPopup->addAction(QStringLiteral("Show Plotvane"));
    connect(
        show, &QAction::triggered, this, [this] { RestoreApp(); }, Qt::QueuedConnection);
    pmTrayPopup->setDefaultAction(show);
    pmTrayPopup->addSeparator();
    QAction* close = pmTrayPopup->addAction(QStringLiteral("Close"));
    connect(
        close, &QAction::triggered, this, [this] { miTrayCloseClick(); }, Qt::QueuedConnection);

    TrayIconEx = new TTrayIconEx(*shell, this, this);
    TrayIconEx->SetIcons({PlotvaneIcon()});
    TrayIconEx->SetPopupMenu(pmTrayPopup);
    TrayIconEx->SetHint("Plotvane");
    TrayIconEx->OnMinimizeApp = [this](TTrayIconEx*) {
        if (m_popup)
            m_popup->close();
    };
    try {
        TrayIconEx->Loaded();
    } catch (const ETrayIconError& error) {
        // No tray on this desktop: the window stays the program's only face. Closing it ends the
        // program, minimising leaves it on the task bar, and a second start still brings it back.
        // Should a tray turn up later, the icon goes there and the window closes into it again.
        qCInfo(lcMain) << "no tray:" << error.what();
    }
}

bool TfMain::HasTray() const {
    return TrayIconEx && TrayIconEx->InTray();
}

void TfMain::RestoreApp() {
    if (TrayIconEx && HasTray()) {
        TrayIconEx->RestoreApp();
        return;
    }
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
        RememberPlacement();
        TrayIconEx->MinimizeApp();
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
    StorePlacement();
    QApplication::quit();
}

void TfMain::EndSession() {
    StorePlacement();
    if (TrayIconEx)
        TrayIconEx->WindowProc(WM_ENDSESSION, 0);
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
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        RememberPlacement();
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && HasTray() && isVisible())
        QTimer::singleShot(0, this, [this] { TrayIconEx->MinimizeApp(); });
}

namespace {

// A Wayland client is never told where its window stands: pos() reads 0,0 there.
bool WindowPositionsKnown() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

void TfMain::RestorePlacement() {
    m_normalPlacement = QRect(pos(), size());
    const auto rec = LoadWindowPlacement();
    if (!rec)
        return;
    // Placed before any state is set: a window state makes the native window, and a move after
    // that would place the client area, not the frame, on X11.
    move(std::max(0, rec->Left), std::max(0, rec->Top));
    if (rec->Width > 100)
        resize(rec->Width, height());
    if (rec->Height > 100)
        resize(width(), rec->Height);
    if (rec->State == 1)
        m_startMinimized = true;
    else if (rec->State == 2)
        setWindowState(windowState() | Qt::WindowMaximized);
    if (rec->ActivePage >= 0 && rec->ActivePage < pcMainTabs->count())
        pcMainTabs->setCurrentIndex(rec->ActivePage);
    KeepOnScreen();
    m_normalPlacement = QRect(pos(), size());
}

void TfMain::KeepOnScreen() {
    // A stored place from a larger screen, or a damaged value, must not put the window where the
    // member cannot reach it: it stays within the screens' area, no taller than they are.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableVirtualGeometry();
    if (height() > area.height())
        resize(width(), std::max(minimumHeight(), area.height()));
    QPoint place = pos();
    if (place.x() > area.right() - 100)
        place.setX(std::max(area.left(), area.right() + 1 - width()));
    if (place.y() > area.bottom() - 100)
        place.setY(std::max(area.top(), area.bottom() + 1 - height()));
    if (place != pos())
        move(place);
}

void TfMain::RememberPlacement() {
    // Only a window that stands on the screen in its normal state can say where it is: a hidden or
    // never shown one reads its client area's place, and storing that would move the window by
    // its title bar at every start.
    if (!isVisible() || isMinimized() || isMaximized())
        return;
    if (WindowPositionsKnown())
        m_normalPlacement.moveTopLeft(pos());
    m_normalPlacement.setSize(size());
}

void TfMain::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    RememberPlacement();
}

void TfMain::WaitUntilPlaced() {
    // On a first start the options open as the window appears; until the window manager has
    // placed it, its position reads 0,0 and a dialog would be centred on the wrong spot.
    QElapsedTimer waited;
    waited.start();
    while (isVisible() && windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
}

void TfMain::StorePlacement() {
    if (m_placementStored)
        return;
    m_placementStored = true;
    RememberPlacement();
    TWindowFlagsRec rec;
    rec.Left = m_normalPlacement.left();
    rec.Top = m_normalPlacement.top();
    rec.Width = m_normalPlacement.width();
    rec.Height = m_normalPlacement.height();
    rec.State = isMinimized() || !isVisible() ? 1 : (isMaximized() ? 2 : 0);
    rec.ActivePage = pcMainTabs->currentIndex();
    SaveWindowPlacement(rec);
}

void TfMain::ShowNotification(const std::string& text) {
    // A window of its own: the main window may be hidden in the tray when a change comes.
    if (!m_popup)
        m_popup = new TfPopupWin;
    m_popup->SetOnMessageDblClick([this](TfPopupWin*) { m_cycle->PopupDblClick(); });
    m_popup->PlaceAtWorkAreaCorner();
    m_popup->SetMessage(QString::fromStdString(text));
    m_popup->show();
}
