#include "ui/MovieThumbnail.h"

#include "core/feeds/JpegPicture.h"
#include "platform/Paths.h"
#include "ui/CardPictures.h"
#include "ui/Drawing.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The faces the cards were laid out with, each followed by installed faces of close width:
// fontconfig's own choice for a missing Tahoma (DejaVu Sans) is a tenth wider and cuts the
// dates of the returned cards.
QStringList CardFamilies(const char* family) {
    const QString name = QString::fromLatin1(family);
    if (name == QStringLiteral("Tahoma"))
        return {name, QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans"),
                QStringLiteral("Arimo"), QStringLiteral("Nimbus Sans")};
    if (name == QStringLiteral("Verdana"))
        return {name, QStringLiteral("DejaVu Sans"), QStringLiteral("Bitstream Vera Sans")};
    return {name};
}

QFont CardFont(const char* family, int pixels, bool bold) {
    QFont font;
    font.setFamilies(CardFamilies(family));
    font.setPixelSize(pixels); // 8 points at 96 dpi, as the cards were laid out
    font.setBold(bold);
    return font;
}

constexpr int NoPrefix = 0;
constexpr int CardPictureMinSide = 600;
// Where a card draws its box art, stretched.
constexpr QSize BoxArtSize(110, 150);
constexpr int Prefix = Qt::TextShowMnemonic;

} // namespace

bool TCardPicture::LoadFromFile(const std::string& path) {
    // The name's extension picks the decoder; the bytes never do, and other kinds are refused.
    const QString name = QString::fromStdString(path);
    const QString suffix = QFileInfo(name).suffix().toLower();
    QImage image;
    if (suffix == QStringLiteral("jpg") || suffix == QStringLiteral("jpeg")) {
        // A card draws its picture at most 110 x 150 (at a HiDPI screen's scale, a few times
        // that): a 4096-pixel box art is decoded smaller, not kept whole per card.
        // Box art is tens of kilobytes; a file this large is not a picture of ours.
        const auto bytes = platform::ReadRegularFile(path, std::int64_t{16} * 1024 * 1024);
        if (!bytes)
            return false;
        const auto decoded =
            DecodeJpeg(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size(), CardPictureMinSide);
        if (!decoded)
            return false;
        const QImage whole = cardpictures::ToImage(*decoded);
        // A picture no larger than the card needs is kept as the file's own bytes, which decode
        // to exactly what was read; a larger one as its reduced copy, encoded anew.
        const QSize needed = m_card->PictureSizeFor(whole.size());
        if (needed == whole.size() && bytes->size() <= cardpictures::MaxKeptJpeg)
            m_card->SetMovieJpeg(QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())));
        else
            m_card->SetMovieJpeg(
                cardpictures::Encode(whole.scaled(needed, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
        return true;
    } else if (suffix == QStringLiteral("png") || suffix == QStringLiteral("gif") || suffix == QStringLiteral("bmp") ||
               suffix == QStringLiteral("ico")) {
        QImageReader reader(name, suffix.toLatin1());
        reader.setDecideFormatFromContent(false);
        if (!reader.read(&image))
            return false;
    } else {
        return false;
    }
    m_card->SetMoviePicture(image);
    return true;
}

TCustomMovieThumbnail::TCustomMovieThumbnail(QWidget* parent)
    : QWidget(parent)
    , m_pictureTarget(std::make_shared<TCardPicture>(this)) {
    resize(400, 174);
    setFont(CardFont("Verdana", 11, false));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void TCustomMovieThumbnail::SetMovieDescription(const QString& description) {
    m_description = description;
    resize(width(), CalcHeight());
}

TCustomMovieThumbnail::~TCustomMovieThumbnail() {
    cardpictures::Forget(this);
}

QSize TCustomMovieThumbnail::PictureSizeFor(QSize picture) const {
    // Just large enough to cover the card's picture frame at this screen's scale, its shape
    // unchanged: a big box art costs each card tens of kilobytes, not megabytes.
    const double scale = devicePixelRatioF();
    if (picture.isEmpty())
        return picture;
    const double factor =
        std::max(BoxArtSize.width() * scale / picture.width(), BoxArtSize.height() * scale / picture.height());
    if (factor >= 1.0)
        return picture;
    return {std::max(1, static_cast<int>(std::ceil(picture.width() * factor))),
            std::max(1, static_cast<int>(std::ceil(picture.height() * factor)))};
}

void TCustomMovieThumbnail::SetMoviePicture(const QImage& picture) {
    cardpictures::Forget(this);
    m_jpeg.clear();
    const QSize size = PictureSizeFor(picture.size());
    m_picture =
        size == picture.size() ? picture : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    update();
}

void TCustomMovieThumbnail::SetMovieJpeg(QByteArray jpeg) {
    cardpictures::Forget(this);
    m_picture = QImage();
    m_jpeg = std::move(jpeg);
    update();
}

QImage TCustomMovieThumbnail::MoviePicture() const {
    if (m_jpeg.isEmpty())
        return m_picture;
    return cardpictures::Decoded(this, m_jpeg);
}

void TCustomMovieThumbnail::SetBorderColor(const QColor& c) {
    m_borderColor = c;
    update();
}

void TCustomMovieThumbnail::mouseReleaseEvent(QMouseEvent* event) {
    const bool secondHalf = std::exchange(m_inDoubleClick, false);
    if (event->button() == Qt::LeftButton && !secondHalf && rect().contains(event->position().toPoint()))
        Q_EMIT Clicked(this);
    QWidget::mouseReleaseEvent(event);
}

void TCustomMovieThumbnail::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click is a click (its first half, already reported) and a double click, which
    // a card answers with nothing more: the movie page opens once.
    m_inDoubleClick = event->button() == Qt::LeftButton;
    event->accept();
}

void TCustomMovieThumbnail::PaintFrame(QPainter& p) const {
    const int w = width();
    const int h = height();
    const QColor colour = palette().color(backgroundRole());
    p.fillRect(rect(), colour);
    drawing::Outline(p, 1, 1, w - 1, h - 1, m_borderColor);
    drawing::FillVerticalGradient(p, 2, 2, w - 2, h - 2, colour, m_fillColor);
    const QColor shadow(228, 228, 228);
    drawing::Line(p, {2, h - 1}, {w - 1, h - 1}, shadow);
    drawing::Line(p, {w - 1, h - 1}, {w - 1, 2}, shadow);
}

int TCustomMovieThumbnail::PaintBoxArt(QPainter& p, int x, int y) const {
    drawing::Line(p, {x + 114, y + 1}, {x + 114, y + 154}, Qt::black);
    drawing::Line(p, {x + 114, y + 154}, {x, y + 154}, Qt::black);
    const QColor shadow = palette().color(QPalette::Dark);
    drawing::Line(p, {x + 115, y + 2}, {x + 115, y + 155}, shadow);
    drawing::Line(p, {x + 115, y + 155}, {x + 1, y + 155}, shadow);
    p.fillRect(x, y, 114, 154, Qt::white);
    drawing::Outline(p, x, y, x + 114, y + 154, palette().color(QPalette::Button));
    const QImage picture = MoviePicture();
    if (picture.isNull())
        return y + 154;
    // Stretched into the frame less two pixels on each side; the aspect ratio is not kept.
    p.drawImage(QRect(QPoint(x + 2, y + 2), BoxArtSize), picture);
    return y + 152;
}

TMovieThumbnail::TMovieThumbnail(QWidget* parent)
    : TCustomMovieThumbnail(parent)
    , m_fontTitle(CardFont("Verdana", 13, true)) {}

void TMovieThumbnail::SetFontTitle(const QFont& font) {
    m_fontTitle = font;
    update();
}

int TMovieThumbnail::CalcHeight() const {
    const int tw = width() - 154;
    const int th = drawing::TextHeight(m_fontTitle, ShowTag ? tw - 30 : tw, MovieTitle());
    const int dh = drawing::TextHeight(font(), tw, MovieDescription());
    return std::max(th + 10 + dh, 150) + 30;
}

void TMovieThumbnail::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width();
    const int h = height();
    PaintFrame(p);
    PaintBoxArt(p, 12, 12);
    const int right = ShowTag ? w - 42 : w - 12;
    const int titleHeight = drawing::TextHeight(m_fontTitle, right - 142, MovieTitle());
    const QRect title(142, 12, right - 142, titleHeight);
    p.setFont(m_fontTitle);
    p.setPen(QColor(230, 230, 230));
    p.drawText(title.translated(1, 1), Qt::TextWordWrap | NoPrefix, MovieTitle());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(title, Qt::TextWordWrap | NoPrefix, MovieTitle());
    p.setFont(font());
    const int top = title.bottom() + 1 + 6;
    p.drawText(QRect(142, top, w - 12 - 142, h - 12 - top), Qt::TextWordWrap | Prefix, MovieDescription());
    if (ShowTag) {
        drawing::Outline(p, w - 27, 1, w - 1, 21, m_borderColor);
        QFont bold = font();
        bold.setBold(true);
        p.setFont(bold);
        p.drawText(QRect(w - 24, 4, 20, 14), Qt::AlignHCenter | Qt::AlignTop | Prefix, MovieID());
    }
}

TMovieThumbnailShort::TMovieThumbnailShort(QWidget* parent)
    : TCustomMovieThumbnail(parent) {
    resize(133, 194);
    setFont(CardFont("Tahoma", 11, false));
}

void TMovieThumbnailShort::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintFrame(p);
    const int bottom = PaintBoxArt(p, 8, 8);
    const QRect text(8, bottom + 6, width() - 16, height() - 8 - bottom - 6);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Prefix,
               p.fontMetrics().elidedText(MovieDescription(), Qt::ElideRight, text.width(), Prefix));
}

TAdvertismentThumbnail::TAdvertismentThumbnail(QWidget* parent)
    : TCustomMovieThumbnail(parent) {
    resize(400, 88);
    setFont(CardFont("Verdana", 11, true));
    m_fillColor = QColor(243, 214, 215);
}

int TAdvertismentThumbnail::CalcHeight() const {
    return std::max(drawing::TextHeight(font(), width() - 98, MovieDescription()), 64) + 24;
}

QRect TAdvertismentThumbnail::IconRect(QSize icon) {
    const int w = icon.width();
    const int h = icon.height();
    if (w <= 64 && h <= 64)
        return {12 + (64 - w) / 2, 12 + (64 - h) / 2, w, h};
    const double factor = 64.0 / std::max(w, h);
    // Halves round to even, as the scaling was designed.
    return {12, 12, static_cast<int>(std::nearbyint(w * factor)), static_cast<int>(std::nearbyint(h * factor))};
}

void TAdvertismentThumbnail::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width();
    const int h = height();
    PaintFrame(p);
    if (const QImage icon = MoviePicture(); !icon.isNull())
        p.drawImage(IconRect(icon.size()), icon);
    QRect text(86, 12, w - 12 - 86, h - 12 - 12);
    const int measured = drawing::TextHeight(font(), text.width(), MovieDescription());
    if (text.height() > measured)
        text.setTop(text.top() + (text.height() - measured) / 2);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(text, Qt::TextWordWrap | Prefix, MovieDescription());
}
