#pragma once

#include "desktop/DesktopSession.h"

#include <QRect>

#include <string>

using namespace std::chrono_literals;

/** The window the member knows, by its title; the program's helper windows have none. */
inline const QString MainWindowName = QStringLiteral("^Plotvane$");

/** What every desktop test with the real program does: waits for the lists' box art in the cache. */
bool WaitForLists(TDesktopSession& session);

/** The plainest desktop with a tray (Xvfb, openbox, trayer) and the demo service, a member's settings. */
bool StartTrayDesktop(TDesktopSession& session);

/** Waits for the main window to stand on the screen; its id, empty when it never came. */
std::string WaitForMainWindow(TDesktopSession& session);

/**
 * Closes the main window as its close button does (through the window manager, no focus needed),
 * until it is gone from the screen; a close that comes during the feed download is refused, and
 * a loaded machine may still be downloading.
 */
bool CloseMainWindow(TDesktopSession& session, const std::string& window);

/** The stored window placement, as the registry file holds it; empty when none is stored. */
std::string StoredPlacement(const TDesktopSession& session);
