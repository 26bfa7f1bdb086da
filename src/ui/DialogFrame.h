#pragma once

#include <QColor>
#include <QSize>

class QDialog;
class QLabel;
class QString;
class QWidget;
class TSpecialFrame;

/** The look every dialog of the program shares. */
namespace dialogframe {

/**
 * A fixed dialog frame (title and close button only) of the given client size, with the
 * narrow 11-pixel sans the layouts were made for.
 */
void Prepare(QDialog& dialog, const QString& caption, QSize client);

/** A white panel framed in the button-shadow colour, square corners. */
TSpecialFrame* WhitePanel(QWidget* parent, int left, int top, int width, int height);

/** A label at a place, sized to its text; bold and coloured on request, white behind. */
QLabel* PanelLabel(QWidget* parent, const QString& text, int left, int top, bool bold, const QColor& colour);

/** A text link: blue, underlined, with the hand cursor; reports clicks through linkActivated. */
QLabel* Link(QWidget* parent, const QString& text);

} // namespace dialogframe
