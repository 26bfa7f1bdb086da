#include "ui/Artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(0.5, 0.5, size - 1.0, size - 1.0);
    QLinearGradient fill(0, 0, 0, size);
    fill.setColorAt(0, QColor(200, 32, 40));
    fill.setColorAt(1, QColor(140, 16, 24));
    p.setPen(QPen(QColor(90, 10, 16), std::max(1.0, size / 16.0)));
    p.setBrush(fill);
    p.drawRoundedRect(tile, size / 5.0, size / 5.0);
    // The reel: a white disc with five holes around a hub.
    const QPointF centre(size / 2.0, size / 2.0);
    const double radius = size * 0.34;
    QPainterPath reel;
    reel.addEllipse(centre, radius, radius);
    for (int i = 0; i < 5; ++i) {
        const double angle = -M_PI / 2 + i * 2 * M_PI / 5;
        reel.addEllipse(centre + QPointF(std::cos(angle), std::sin(angle)) * radius * 0.55, radius * 0.22,
                        radius * 0.22);
    }
    reel.addEllipse(centre, radius * 0.12, radius * 0.12);
    reel.setFillRule(Qt::OddEvenFill);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(reel);
    return pixmap;
}

} // namespace

QIcon PlotvaneIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(DrawIcon(size));
    return icon;
}
