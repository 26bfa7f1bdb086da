#include "Posters.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <functional>
#include <jpeglib.h>

namespace {

std::string EncodeJfif(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    cinfo.write_JFIF_header = TRUE;
    jpeg_set_quality(&cinfo, 88, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        auto* row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
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
