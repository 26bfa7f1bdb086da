#include "ui/Drawing.h"

#include <QFontMetrics>
#include <QPainter>

namespace drawing {

void FillVerticalGradient(QPainter& p, int left, int top, int right, int bottom, const QColor& topColour,
                          const QColor& bottomColour) {
    const int rows = bottom - top;
    for (int row = 0; row < rows; ++row) {
        const auto mix = [&](int a, int b) { return a + (b - a) * row / rows; };
        p.fillRect(left, top + row, right - left, 1,
                   QColor(mix(topColour.red(), bottomColour.red()), mix(topColour.green(), bottomColour.green()),
                          mix(topColour.blue(), bottomColour.blue())));
    }
}

void Outline(QPainter& p, int left, int top, int right, int bottom, const QColor& colour) {
    p.save();
    p.setPen(colour);
    p.setBrush(Qt::NoBrush);
    p.drawRect(left, top, right - left - 1, bottom - top - 1);
    p.restore();
}

void Line(QPainter& p, QPoint a, QPoint b, const QColor& colour) {
    if (a == b)
        return;
    const QPoint step((b.x() > a.x()) - (b.x() < a.x()), (b.y() > a.y()) - (b.y() < a.y()));
    p.save();
    p.setPen(colour);
    p.drawLine(a, b - step);
    p.restore();
}

int TextHeight(const QFont& font, int width, const QString& text, bool showMnemonic) {
    if (text.isEmpty())
        return 0;
    const int flags = Qt::TextWordWrap | (showMnemonic ? Qt::TextShowMnemonic : 0);
    return QFontMetrics(font).boundingRect(QRect(0, 0, std::max(1, width), 0), flags, text).height();
}

} // namespace drawing
