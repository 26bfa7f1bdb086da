#include "ui/SpecialFrame.h"

#include <QPainter>

TSpecialFrame::TSpecialFrame(QWidget* parent)
    : QWidget(parent)
    , m_fill(palette().color(QPalette::Base))
    , m_frame(palette().color(QPalette::Dark)) {
    resize(200, 100);
}

void TSpecialFrame::SetFillColor(const QColor& c) {
    m_fill = c;
    update();
}

void TSpecialFrame::SetFrameColor(const QColor& c) {
    m_frame = c;
    update();
}

void TSpecialFrame::SetCorners(TCornerStyle topLeft, TCornerStyle topRight, TCornerStyle bottomRight,
                               TCornerStyle bottomLeft) {
    m_topLeft = topLeft;
    m_topRight = topRight;
    m_bottomRight = bottomRight;
    m_bottomLeft = bottomLeft;
    update();
}

QPolygon TSpecialFrame::Outline() const {
    const int w = width();
    const int h = height();
    QPolygon polygon;
    const auto round = [](TCornerStyle s) { return s == TCornerStyle::csRound; };
    if (round(m_topLeft))
        polygon << QPoint(0, 2) << QPoint(2, 0);
    else
        polygon << QPoint(0, 0);
    if (round(m_topRight))
        polygon << QPoint(w - 3, 0) << QPoint(w - 1, 2);
    else
        polygon << QPoint(w - 1, 0);
    if (round(m_bottomRight))
        polygon << QPoint(w - 1, h - 3) << QPoint(w - 3, h - 1);
    else
        polygon << QPoint(w - 1, h - 1);
    if (round(m_bottomLeft))
        polygon << QPoint(2, h - 1) << QPoint(0, h - 3);
    else
        polygon << QPoint(0, h - 1);
    return polygon;
}

void TSpecialFrame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(backgroundRole()));
    p.setPen(m_frame);
    p.setBrush(m_fill);
    p.drawPolygon(Outline());
}
