#include "ui/artwork/Drawn.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace artwork {
namespace {

// The icon's shapes at a size, shared by the drawing and its scalable form.
struct TIconShape {
    explicit TIconShape(double size)
        : Pen(std::max(1.0, size / 16.0))
        , Corner(size / 5.0)
        , Centre(size / 2.0, size / 2.0)
        , Radius(size * 0.34) {}
    // The reel: a white disc with five holes around a hub, the holes cut out (odd-even).
    std::vector<std::pair<QPointF, double>> Circles() const {
        std::vector<std::pair<QPointF, double>> circles{{Centre, Radius}};
        for (int i = 0; i < 5; ++i) {
            const double angle = -M_PI / 2 + i * 2 * M_PI / 5;
            circles.emplace_back(Centre + QPointF(std::cos(angle), std::sin(angle)) * Radius * 0.55, Radius * 0.22);
        }
        circles.emplace_back(Centre, Radius * 0.12);
        return circles;
    }
    double Pen;
    double Corner;
    QPointF Centre;
    double Radius;
};

} // namespace

constexpr QColor IconTop(200, 32, 40);
constexpr QColor IconBottom(140, 16, 24);
constexpr QColor IconEdge(90, 10, 16);

QPixmap DrawIcon(int size) {
    const TIconShape shape(size);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(0.5, 0.5, size - 1.0, size - 1.0);
    QLinearGradient fill(0, 0, 0, size);
    fill.setColorAt(0, IconTop);
    fill.setColorAt(1, IconBottom);
    p.setPen(QPen(IconEdge, shape.Pen));
    p.setBrush(fill);
    p.drawRoundedRect(tile, shape.Corner, shape.Corner);
    QPainterPath reel;
    for (const auto& [centre, radius] : shape.Circles())
        reel.addEllipse(centre, radius, radius);
    reel.setFillRule(Qt::OddEvenFill);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(reel);
    return pixmap;
}

QPixmap Canvas(int w, int h, qreal ratio, Qt::GlobalColor fill) {
    QPixmap pixmap(QSize(w, h) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(fill);
    return pixmap;
}

QPixmap DrawLogo(qreal ratio, const QPixmap& reel) {
    QPixmap pixmap = Canvas(150, 26, ratio, Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(2, 2, reel);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(17);
    font.setBold(true);
    font.setItalic(true);
    QPainterPath name;
    name.addText(30, 19, font, QStringLiteral("Plotvane"));
    p.setPen(QPen(QColor(90, 10, 16), 1.0));
    p.setBrush(QColor(170, 24, 32));
    p.drawPath(name);
    return pixmap;
}

QByteArray IconSvg() {
    const TIconShape shape(256);
    const auto n = [](double v) { return QByteArray::number(v, 'f', 2); };
    QByteArray reel;
    for (const auto& [c, r] : shape.Circles())
        reel += "M" + n(c.x() + r) + "," + n(c.y()) + "A" + n(r) + "," + n(r) + " 0 1 0 " + n(c.x() - r) + "," +
                n(c.y()) + "A" + n(r) + "," + n(r) + " 0 1 0 " + n(c.x() + r) + "," + n(c.y()) + "Z";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
           "<defs><linearGradient id=\"tile\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">"
           "<stop offset=\"0\" stop-color=\"" +
           IconTop.name().toLatin1() + "\"/><stop offset=\"1\" stop-color=\"" + IconBottom.name().toLatin1() +
           "\"/></linearGradient></defs>\n"
           "<rect x=\"0.5\" y=\"0.5\" width=\"255\" height=\"255\" rx=\"" +
           n(shape.Corner) + "\" fill=\"url(#tile)\" stroke=\"" + IconEdge.name().toLatin1() + "\" stroke-width=\"" +
           n(shape.Pen) + "\"/>\n<path fill=\"#ffffff\" fill-rule=\"evenodd\" d=\"" + reel + "\"/>\n</svg>\n";
}

} // namespace artwork
