#include "ui/PlacementKeeper.h"

#include "core/settings/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>
#include <QWidget>

#include <algorithm>

namespace {

// A Wayland client is never told where its window stands: pos() reads 0,0 there.
bool WindowPositionsKnown() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

TPlacementKeeper::TPlacementKeeper(QWidget& window, QTabWidget& pages)
    : m_window(window)
    , m_pages(pages)
    , m_normal(window.pos(), window.size()) {}

bool TPlacementKeeper::Restore() {
    m_normal = QRect(m_window.pos(), m_window.size());
    const auto rec = LoadWindowPlacement();
    if (!rec)
        return false;
    // Placed before any state is set: a window state makes the native window, and a move after
    // that would place the client area, not the frame, on X11.
    m_window.move(std::max(0, rec->Left), std::max(0, rec->Top));
    if (rec->Width > 100)
        m_window.resize(rec->Width, m_window.height());
    if (rec->Height > 100)
        m_window.resize(m_window.width(), rec->Height);
    if (rec->State == 2)
        m_window.setWindowState(m_window.windowState() | Qt::WindowMaximized);
    if (rec->ActivePage >= 0 && rec->ActivePage < m_pages.count())
        m_pages.setCurrentIndex(rec->ActivePage);
    KeepOnScreen();
    m_normal = QRect(m_window.pos(), m_window.size());
    return rec->State == 1;
}

void TPlacementKeeper::KeepOnScreen() {
    // A stored place from a larger screen, or a damaged value, must not put the window where the
    // member cannot reach it: it stays within the screens' area, no taller than they are.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableVirtualGeometry();
    if (m_window.height() > area.height())
        m_window.resize(m_window.width(), std::max(m_window.minimumHeight(), area.height()));
    QPoint place = m_window.pos();
    if (place.x() > area.right() - 100)
        place.setX(std::max(area.left(), area.right() + 1 - m_window.width()));
    if (place.y() > area.bottom() - 100)
        place.setY(std::max(area.top(), area.bottom() + 1 - m_window.height()));
    if (place != m_window.pos())
        m_window.move(place);
}

void TPlacementKeeper::Remember() {
    // Only a window that stands on the screen in its normal state can say where it is: a hidden or
    // never shown one reads its client area's place, and storing that would move the window by
    // its title bar at every start.
    if (!m_window.isVisible() || m_window.isMinimized() || m_window.isMaximized())
        return;
    if (WindowPositionsKnown())
        m_normal.moveTopLeft(m_window.pos());
    m_normal.setSize(m_window.size());
}

void TPlacementKeeper::Store() {
    if (m_stored)
        return;
    m_stored = true;
    Remember();
    TWindowFlagsRec rec;
    rec.Left = m_normal.left();
    rec.Top = m_normal.top();
    rec.Width = m_normal.width();
    rec.Height = m_normal.height();
    rec.State = m_window.isMinimized() || !m_window.isVisible() ? 1 : (m_window.isMaximized() ? 2 : 0);
    rec.ActivePage = m_pages.currentIndex();
    SaveWindowPlacement(rec);
}
