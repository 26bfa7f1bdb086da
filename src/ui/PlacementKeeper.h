#pragma once

#include <QRect>

class QTabWidget;
class QWidget;

/**
 * Where the main window stood in its normal state, and its page: read back at start, kept on the
 * screen, and stored once as the window goes. What is stored survives restarts, so it must never
 * be the place of a hidden or never shown window.
 */
class TPlacementKeeper final {
public:
    TPlacementKeeper(QWidget& window, QTabWidget& pages);

    /** Places the window as it was stored; true when it ended minimised last time. */
    bool Restore();
    /** Notes where the window stands, when it stands on the screen in its normal state. */
    void Remember();
    /** Stores the placement; only the first call of a run does. */
    void Store();

private:
    void KeepOnScreen();

    QWidget& m_window;
    QTabWidget& m_pages;
    // Left and top of the window's frame in its normal state, and its size.
    QRect m_normal;
    bool m_stored = false;
};
