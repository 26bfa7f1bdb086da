#pragma once

#include <QIcon>
#include <QPixmap>

/** The program's icon, drawn at every size the desktop asks for: a film reel on a rounded tile. */
QIcon PlotvaneIcon();

/** The notification's background, 181 x 95: frame, title strip with the name, separator, message panel. */
QPixmap PopupBackground();

/** The notification's close glyph, 15 x 15 with alpha: a small framed box with a red cross. */
QPixmap CloseGlyph();

/** The "At home" section icon, 32 x 34: a house with a disc at its door. */
QPixmap AtHomeIcon();

/** The "Returns" section icon, 32 x 32: an envelope with a turning arrow. */
QPixmap ReturnsIcon();

/** The header logo, 150 x 26: the reel and the name. */
QPixmap PlotvaneLogo();
