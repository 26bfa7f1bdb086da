#include "ui/Artwork.h"

#include "ui/artwork/Drawn.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QResource>

namespace {

// A pixmap of w x h logical pixels with as many device pixels as the sharpest screen has, so
// that the artwork stays crisp when the desktop scales (QT_SCALE_FACTOR, a HiDPI screen).
QPixmap Canvas(int w, int h, Qt::GlobalColor fill) {
    return artwork::Canvas(w, h, qApp ? qApp->devicePixelRatio() : 1.0, fill);
}

// A picture the build drew, null when it is missing or damaged.
QPixmap BuiltPicture(const QString& resource) {
    const QResource stored(resource);
    if (!stored.isValid())
        return {};
    const QByteArray bytes = stored.uncompressedData();
    return QPixmap::fromImage(artwork::FromStored(bytes));
}

} // namespace

// The artwork drawn at build time lives in a static library's resources: registered by hand
// (outside any namespace, as Q_INIT_RESOURCE must be).
static void InitArtwork() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(artwork);
        return true;
    }();
    (void)registered;
}

QIcon PlotvaneIcon() {
    // Drawn when the program was built (tools/make-icons), the same drawing as below; drawn here
    // only should a size be missing. Made once: the window, the tray and the logo all ask.
    static const QIcon icon = [] {
        InitArtwork();
        QIcon made;
        for (int size : artwork::IconSizes) {
            QPixmap drawn = BuiltPicture(QStringLiteral(":/artwork/icon-%1.pic").arg(size));
            made.addPixmap(drawn.isNull() ? artwork::DrawIcon(size) : drawn);
        }
        return made;
    }();
    return icon;
}

QPixmap PopupBackground() {
    constexpr int W = 181;
    constexpr int H = 95;
    QPixmap pixmap = Canvas(W, H, Qt::white);
    QPainter p(&pixmap);
    // The message panel: a soft gradient down to the middle and back.
    QLinearGradient panel(0, 25, 0, 92);
    panel.setColorAt(0, QColor(205, 219, 243));
    panel.setColorAt(0.5, QColor(248, 250, 253));
    panel.setColorAt(1, QColor(205, 219, 243));
    p.fillRect(QRect(2, 25, W - 4, 67), panel);
    p.fillRect(QRect(2, 92, W - 4, 1), QColor(177, 195, 237));
    p.fillRect(QRect(2, 25, 1, 67), QColor(102, 131, 176));
    // The glossy title strip in rows 2 to 23 and its separator.
    QLinearGradient strip(0, 2, 0, 24);
    strip.setColorAt(0, QColor(201, 210, 234));
    strip.setColorAt(0.45, Qt::white);
    strip.setColorAt(1, QColor(197, 212, 241));
    p.fillRect(QRect(2, 2, W - 4, 22), strip);
    p.fillRect(QRect(1, 24, W - 2, 1), QColor(102, 131, 176));
    // The outer border, light on the top and left, dark on the bottom and right.
    p.fillRect(QRect(0, 0, W, 1), QColor(157, 172, 201));
    p.fillRect(QRect(0, 0, 1, H), QColor(157, 172, 201));
    p.fillRect(QRect(0, H - 1, W, 1), QColor(58, 75, 133));
    p.fillRect(QRect(W - 1, 0, 1, H), QColor(58, 75, 133));
    // A small disc and the name in bold italic white with a dark outline.
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(6, 5, PlotvaneIcon().pixmap(16, 16));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(13);
    font.setBold(true);
    font.setItalic(true);
    QPainterPath name;
    name.addText(27, 18, font, QStringLiteral("Plotvane"));
    p.setPen(QPen(QColor(40, 58, 110), 2.0));
    p.drawPath(name);
    p.fillPath(name, Qt::white);
    return pixmap;
}

QPixmap CloseGlyph() {
    QPixmap pixmap = Canvas(15, 15, Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(102, 131, 176));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRect(0, 0, 14, 14);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 30, 30), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(11, 11));
    p.drawLine(QPointF(11, 4), QPointF(4, 11));
    return pixmap;
}

QPixmap AtHomeIcon() {
    QPixmap pixmap = Canvas(32, 34, Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 80, 0), 1.5));
    p.setBrush(QColor(250, 246, 232));
    p.drawRect(QRectF(6.5, 15.5, 19, 15));
    p.setBrush(QColor(190, 40, 40));
    p.drawPolygon(QPolygonF({QPointF(3, 17), QPointF(16, 4), QPointF(29, 17)}));
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(13.5, 21.5, 6, 9));
    // A disc leaning at the door.
    p.setBrush(QColor(220, 225, 235));
    p.drawEllipse(QPointF(24, 27), 5, 5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(24, 27), 1.5, 1.5);
    return pixmap;
}

QPixmap ReturnsIcon() {
    QPixmap pixmap = Canvas(32, 32, Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(80, 0, 80), 1.5));
    p.setBrush(QColor(250, 246, 232));
    p.drawRect(QRectF(2.5, 9.5, 22, 15));
    p.drawPolyline(QPolygonF({QPointF(2.5, 9.5), QPointF(13.5, 18), QPointF(24.5, 9.5)}));
    // The arrow back to the service.
    QPainterPath arrow;
    arrow.moveTo(29, 24);
    arrow.cubicTo(31, 14, 26, 6, 17, 5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(128, 0, 128), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(arrow);
    p.setBrush(QColor(128, 0, 128));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(13, 5), QPointF(19, 1), QPointF(19, 9)}));
    return pixmap;
}

QPixmap PlotvaneLogo() {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    if (ratio == 1.0) {
        InitArtwork();
        if (QPixmap drawn = BuiltPicture(QStringLiteral(":/artwork/logo.pic")); !drawn.isNull())
            return drawn;
    }
    return artwork::DrawLogo(ratio, PlotvaneIcon().pixmap(22, 22));
}
