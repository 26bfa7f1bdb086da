#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>

class QFont;
class QPainter;
class QString;

/**
 * Drawing with the rules the cards and headers were designed with: rectangles as (left, top,
 * right, bottom) with right and bottom exclusive, outlines on the outermost pixels inside,
 * lines that cover their start but not their end.
 */
namespace drawing {

/** A vertical gradient, row by row: the top colour on the first row, moving linearly towards the bottom. */
void FillVerticalGradient(QPainter& p, int left, int top, int right, int bottom, const QColor& topColour,
                          const QColor& bottomColour);

void Outline(QPainter& p, int left, int top, int right, int bottom, const QColor& colour);

/** An axis-aligned line from a to b, b itself left out. */
void Line(QPainter& p, QPoint a, QPoint b, const QColor& colour);

/** The height wrapped text needs at a width (measure only). */
int TextHeight(const QFont& font, int width, const QString& text, bool showMnemonic = false);

} // namespace drawing
