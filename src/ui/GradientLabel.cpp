#include "ui/GradientLabel.h"

#include "ui/Drawing.h"

#include <QPainter>

TGradientLabel::TGradientLabel(QWidget* parent)
    : QWidget(parent) {
    const QColor shadow = palette().color(QPalette::Dark);
    m_bottomColor = m_borderColor = m_shadowColor = shadow;
}

int TGradientLabel::TextLeft() const {
    // In logical pixels: a picture drawn for a scaled screen holds more device pixels.
    return m_image.isNull() ? m_textSpace : m_indent + m_image.deviceIndependentSize().toSize().width() + m_textSpace;
}

QRect TGradientLabel::TextRect() const {
    return {QPoint(TextLeft(), 2), QPoint(width() - 3, height() - 3)};
}

void TGradientLabel::paintEvent(QPaintEvent*) {
    const int w = width();
    const int h = height();
    const int vo = m_verticalOffset;
    QPainter p(this);
    p.fillRect(rect(), palette().color(backgroundRole()));
    drawing::FillVerticalGradient(p, 0, vo, w, h - vo, m_topColor, m_bottomColor);
    if (m_border) {
        p.setPen(m_borderColor);
        p.drawPolyline(QPolygon(
            {QPoint(0, vo), QPoint(w - 1, vo), QPoint(w - 1, h - vo - 1), QPoint(0, h - vo - 1), QPoint(0, vo)}));
    }
    if (!m_image.isNull())
        p.drawPixmap(m_indent, (h - m_image.deviceIndependentSize().toSize().height()) / 2, m_image);
    const int x = TextLeft();
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    if (m_shadow) {
        p.setPen(m_shadowColor);
        p.drawText(QRect(QPoint(x + 1, 3), QPoint(w - 2, h - 2)), flags, m_caption);
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(TextRect(), flags, m_caption);
}
