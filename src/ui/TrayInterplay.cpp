#include "ui/TrayInterplay.h"

#include "ui/Artwork.h"
#include "ui/Main.h"
#include "ui/MyTray.h"
#include "ui/QtTrayShell.h"

#include <QMenu>

TTrayInterplay::TTrayInterplay(QWidget& window, TTrayShell* shell) {
    if (!shell) {
        m_ownShell = std::make_unique<TQtTrayShell>();
        shell = m_ownShell.get();
    }
    m_menu = new QMenu(&window);
    // The chosen item is acted on once the menu has closed, as the desktop's menu command comes:
    // QMenu::exec runs it before it returns, while the icon still counts the menu as open and
    // would ignore "Show Plotvane".
    QAction* show = m_menu->addAction(QStringLiteral("Show Plotvane"));
    connect(
        show, &QAction::triggered, this, [this] { Q_EMIT ShowChosen(); }, Qt::QueuedConnection);
    m_menu->setDefaultAction(show);
    m_menu->addSeparator();
    QAction* close = m_menu->addAction(QStringLiteral("Close"));
    connect(
        close, &QAction::triggered, this, [this] { Q_EMIT CloseChosen(); }, Qt::QueuedConnection);

    m_icon = new TTrayIconEx(*shell, &window, this);
    m_icon->SetIcons({PlotvaneIcon()});
    m_icon->SetPopupMenu(m_menu);
    m_icon->SetHint("Plotvane");
    m_icon->OnMinimizeApp = [this](TTrayIconEx*) { Q_EMIT Minimizing(); };
    try {
        m_icon->Loaded();
    } catch (const ETrayIconError& error) {
        // No tray on this desktop: the window stays the program's only face. Closing it ends the
        // program, minimising leaves it on the task bar, and a second start still brings it back.
        // Should a tray turn up later, the icon goes there and the window closes into it again.
        qCInfo(lcMain) << "no tray:" << error.what();
    }
}

TTrayInterplay::~TTrayInterplay() {
    // The icon talks to its shell as it goes, so it goes before the shell does.
    delete m_icon;
}

bool TTrayInterplay::HasTray() const {
    return m_icon->InTray();
}

bool TTrayInterplay::RestoreApp() {
    if (!HasTray())
        return false;
    m_icon->RestoreApp();
    return true;
}

void TTrayInterplay::MinimizeApp() {
    m_icon->MinimizeApp();
}

void TTrayInterplay::EndSession() {
    m_icon->WindowProc(WM_ENDSESSION, 0);
}
