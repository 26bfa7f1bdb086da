#include "ui/MovieCard.h"

#include "feeds/JpegPicture.h"

#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace {
constexpr int PictureWidth = 65;
constexpr int PictureHeight = 90;
} // namespace

bool TCardPicture::LoadFromFile(const std::string& path) {
    QImage image;
    const QString name = QString::fromStdString(path);
    if (name.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive)) {
        const auto decoded = DecodeJpegFile(path);
        if (!decoded)
            return false;
        image = QImage(decoded->Rgb.data(), decoded->Width, decoded->Height, decoded->Width * 3, QImage::Format_RGB888)
                    .copy();
    } else {
        QImageReader reader(name);
        reader.setDecideFormatFromContent(false);
        if (!reader.read(&image))
            return false;
    }
    m_image = image;
    if (m_card)
        m_card->ShowPicture(m_image);
    return true;
}

TMovieCard::TMovieCard(const TCardInfo& info, QWidget* parent)
    : QFrame(parent)
    , m_info(info)
    , m_pictureLabel(new QLabel(this))
    , m_picture(std::make_shared<TCardPicture>(this)) {
    setFrameShape(QFrame::StyledPanel);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, info.Kind == TCardKind::Advertisement ? QColor(255, 250, 228) : Qt::white);
    setPalette(pal);

    m_pictureLabel->setFixedSize(PictureWidth, PictureHeight);
    m_pictureLabel->setAlignment(Qt::AlignCenter);
    m_pictureLabel->setStyleSheet(QStringLiteral("background: #e8e6e3;"));

    auto* title = new QLabel(this);
    const QString heading =
        info.Tag.empty() ? QString::fromStdString(info.Title)
                         : QString::fromStdString(info.Tag) + QStringLiteral(". ") + QString::fromStdString(info.Title);
    title->setText(heading);
    title->setTextFormat(Qt::PlainText);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setVisible(!info.Title.empty());

    auto* description = new QLabel(QString::fromStdString(info.Description), this);
    description->setTextFormat(Qt::PlainText);
    description->setWordWrap(true);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(description, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_pictureLabel, 0, Qt::AlignTop);
    layout->addLayout(text, 1);
}

void TMovieCard::ShowPicture(const QImage& image) {
    m_pictureLabel->setPixmap(
        QPixmap::fromImage(image.scaled(PictureWidth, PictureHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TMovieCard::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Clicked(m_info.Url);
    QFrame::mouseReleaseEvent(event);
}
