#include "ui/CardPictures.h"

#include "core/feeds/JpegPicture.h"

#include <QLoggingCategory>

#include <list>
#include <utility>

Q_LOGGING_CATEGORY(lcCardPictures, "plotvane.ui.pictures", QtWarningMsg)

namespace cardpictures {
namespace {

struct TEntry {
    const TCustomMovieThumbnail* Card;
    QImage Picture;
};

// Most recently painted first. A page shows a handful of cards, so a list this short is searched
// faster than a hash is kept.
std::list<TEntry> g_decoded;
qsizetype g_bytes = 0;

void Trim() {
    while (g_bytes > MaxDecodedBytes && g_decoded.size() > 1) {
        g_bytes -= g_decoded.back().Picture.sizeInBytes();
        g_decoded.pop_back();
    }
}

} // namespace

QImage Decoded(const TCustomMovieThumbnail* card, const QByteArray& jpeg) {
    for (auto it = g_decoded.begin(); it != g_decoded.end(); ++it)
        if (it->Card == card) {
            g_decoded.splice(g_decoded.begin(), g_decoded, it);
            return it->Picture;
        }
    const auto decoded =
        DecodeJpeg(reinterpret_cast<const std::uint8_t*>(jpeg.constData()), static_cast<std::size_t>(jpeg.size()));
    if (!decoded) {
        // The bytes decoded once when they were kept; the card shows an empty frame.
        qCWarning(lcCardPictures) << "a kept box art of" << jpeg.size() << "bytes no longer decodes";
        return {};
    }
    QImage picture = ToImage(*decoded);
    g_decoded.push_front({card, picture});
    g_bytes += picture.sizeInBytes();
    Trim();
    return picture;
}

void Forget(const TCustomMovieThumbnail* card) {
    for (auto it = g_decoded.begin(); it != g_decoded.end(); ++it)
        if (it->Card == card) {
            g_bytes -= it->Picture.sizeInBytes();
            g_decoded.erase(it);
            return;
        }
}

qsizetype DecodedBytes() {
    return g_bytes;
}

QImage ToImage(const TDecodedPicture& picture) {
    return QImage(picture.Rgb.data(), picture.Width, picture.Height, qsizetype{picture.Width} * 3,
                  QImage::Format_RGB888)
        .copy();
}

QByteArray Encode(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    TDecodedPicture raw;
    raw.Width = rgb.width();
    raw.Height = rgb.height();
    raw.Rgb.reserve(static_cast<std::size_t>(raw.Width) * static_cast<std::size_t>(raw.Height) * 3);
    for (int y = 0; y < rgb.height(); ++y)
        raw.Rgb.insert(raw.Rgb.end(), rgb.constScanLine(y), rgb.constScanLine(y) + std::ptrdiff_t{rgb.width()} * 3);
    const std::string bytes = EncodeJpeg(raw, 92);
    return {bytes.data(), static_cast<qsizetype>(bytes.size())};
}

} // namespace cardpictures
