#include "ui/GradientLabel.h"

#include <QPainter>

TGradientLabel::TGradientLabel(QWidget* parent)
    : QWidget(parent) {
    const QColor shadow = palette().color(QPalette::Dark);
    m_bottomColor = m_borderColor = m_shadowColor = shadow;
}

int TGradientLabel::TextLeft() const {
    return m_image.isNull() ? m_textSpace : m_indent + m_image.width() + m_textSpace;
}

QRect TGradientLabel::TextRect() const {
    return QRect(QPoint(TextLeft(), 2), QPoint(width() - 3, height() - 3));
}

void TGradientLabel::paintEvent(QPaintEvent*) {
    const int w = width();
    const int h = height();
    const int vo = m_verticalOffset;
    QPainter p(this);
    p.fillRect(rect(), palette().color(backgroundRole()));
    // Row by row as a vertical gradient fill computes it: the top colour on the band's first row,
    // moving linearly towards the bottom colour, which the row after the band would have.
    const int rows = h - 2 * vo;
    for (int row = 0; row < rows; ++row) {
        const auto mix = [&](int top, int bottom) { return top + (bottom - top) * row / rows; };
        p.fillRect(0, vo + row, w, 1,
                   QColor(mix(m_topColor.red(), m_bottomColor.red()), mix(m_topColor.green(), m_bottomColor.green()),
                          mix(m_topColor.blue(), m_bottomColor.blue())));
    }
    if (m_border) {
        p.setPen(m_borderColor);
        p.drawPolyline(QPolygon(
            {QPoint(0, vo), QPoint(w - 1, vo), QPoint(w - 1, h - vo - 1), QPoint(0, h - vo - 1), QPoint(0, vo)}));
    }
    if (!m_image.isNull())
        p.drawPixmap(m_indent, (h - m_image.height()) / 2, m_image);
    const int x = TextLeft();
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    if (m_shadow) {
        p.setPen(m_shadowColor);
        p.drawText(QRect(QPoint(x + 1, 3), QPoint(w - 2, h - 2)), flags, m_caption);
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(TextRect(), flags, m_caption);
}
