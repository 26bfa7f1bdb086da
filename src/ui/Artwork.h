#pragma once

#include <QIcon>

/** The program's icon, drawn at every size the desktop asks for: a film reel on a rounded tile. */
QIcon PlotvaneIcon();
