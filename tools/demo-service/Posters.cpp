#include "Posters.h"

#include "core/feeds/JpegPicture.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <cstddef>

#include <functional>

namespace {

std::string EncodeJfif(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    TDecodedPicture picture{rgb.width(), rgb.height(), {}};
    for (int y = 0; y < rgb.height(); ++y)
        picture.Rgb.insert(picture.Rgb.end(), rgb.constScanLine(y),
                           rgb.constScanLine(y) + std::ptrdiff_t{rgb.width()} * 3);
    return EncodeJpeg(picture);
}

} // namespace

std::string DrawPoster(const std::string& title, const std::string& seed, int width, int height) {
    const std::size_t hash = std::hash<std::string>{}(seed);
    const QColor base = QColor::fromHsv(static_cast<int>(hash % 360), 150, 170);
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0, base.lighter(135));
    gradient.setColorAt(1, base.darker(180));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QColor(255, 255, 255, 90));
    painter.drawRect(image.rect().adjusted(4, 4, -5, -5));
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(15);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(image.rect().adjusted(10, 14, -10, -30), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     QString::fromStdString(title));
    font.setPixelSize(9);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(image.rect().adjusted(0, 0, 0, -10), Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("DVD"));
    painter.end();
    return EncodeJfif(image);
}
