#include "ui/artwork/Drawn.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
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

namespace {
constexpr char StoredMark[8] = {'P', 'V', 'I', 'M', 'G', '1', 0, 0};
constexpr qsizetype StoredHeader = 16;
// The largest picture the build draws is the 256-pixel icon; this bounds what a damaged
// resource could make us allocate.
constexpr std::uint32_t MaxStoredSide = 4096;

void PutLe32(char* to, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        to[i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

std::uint32_t Le32(const char* from) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(from[i]);
    return value;
}
} // namespace

QByteArray ToStored(const QImage& image) {
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const qsizetype row = qsizetype{pixels.width()} * 4;
    QByteArray stored(StoredHeader + row * pixels.height(), Qt::Uninitialized);
    std::memcpy(stored.data(), StoredMark, sizeof StoredMark);
    PutLe32(stored.data() + 8, static_cast<std::uint32_t>(pixels.width()));
    PutLe32(stored.data() + 12, static_cast<std::uint32_t>(pixels.height()));
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(stored.data() + StoredHeader + row * y, pixels.constScanLine(y), static_cast<std::size_t>(row));
    return stored;
}

QImage FromStored(QByteArrayView data) {
    if (data.size() < StoredHeader || std::memcmp(data.data(), StoredMark, sizeof StoredMark) != 0)
        return {};
    const std::uint32_t width = Le32(data.data() + 8);
    const std::uint32_t height = Le32(data.data() + 12);
    if (width == 0 || height == 0 || width > MaxStoredSide || height > MaxStoredSide ||
        data.size() - StoredHeader != qsizetype{width} * height * 4)
        return {};
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    const qsizetype row = qsizetype{width} * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), data.data() + StoredHeader + row * y, static_cast<std::size_t>(row));
    return image;
}

} // namespace artwork
