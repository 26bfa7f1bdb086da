// The main window's tray interplay: closing to the tray, the tray menu, and the placement that
// survives restarts.
#include "ui/Main.h"

#include "feeds/RefreshCycle.h"
#include "settings/WindowPlacement.h"
#include "ui/Artwork.h"
#include "ui/MyTray.h"
#include "ui/PopupWin.h"
#include "ui/QtTrayShell.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>

void TfMain::CreateTrayIcon(TTrayShell* shell) {
    if (!shell) {
        m_ownTrayShell = std::make_unique<TQtTrayShell>();
        shell = m_ownTrayShell.get();
    }
    pmTrayPopup = new QMenu(this);
    QAction* show = pmTrayPopup->addAction(QStringLiteral("Show Plotvane"), this, [this] { RestoreApp(); });
    pmTrayPopup->setDefaultAction(show);
    pmTrayPopup->addSeparator();
    pmTrayPopup->addAction(QStringLiteral("Close"), this, [this] { miTrayCloseClick(); });

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
    QApplication::quit();
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
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && HasTray() && isVisible())
        QTimer::singleShot(0, this, [this] { TrayIconEx->MinimizeApp(); });
}

void TfMain::RestorePlacement() {
    const auto rec = LoadWindowPlacement();
    if (!rec)
        return;
    if (rec->State == 1)
        setWindowState(windowState() | Qt::WindowMinimized);
    else if (rec->State == 2)
        setWindowState(windowState() | Qt::WindowMaximized);
    move(std::max(0, rec->Left), std::max(0, rec->Top));
    if (rec->Width > 100)
        resize(rec->Width, height());
    if (rec->Height > 100)
        resize(width(), rec->Height);
    if (rec->ActivePage >= 0 && rec->ActivePage < pcMainTabs->count())
        pcMainTabs->setCurrentIndex(rec->ActivePage);
}

void TfMain::StorePlacement() {
    if (m_placementStored)
        return;
    m_placementStored = true;
    TWindowFlagsRec rec;
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : QRect(pos(), size());
    rec.Left = normal.left();
    rec.Top = normal.top();
    rec.Width = normal.width();
    rec.Height = normal.height();
    rec.State = isMinimized() || !isVisible() ? 1 : (isMaximized() ? 2 : 0);
    rec.ActivePage = pcMainTabs->currentIndex();
    SaveWindowPlacement(rec);
}
