#include "ui/CardBox.h"

#include "ui/Artwork.h"
#include "ui/GradientLabel.h"
#include "ui/Main.h"
#include "ui/MovieThumbnail.h"

#include <QEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

constexpr int HeaderHeight = 35;

QString AccessibleCardName(const TCardInfo& info) {
    QString title = QString::fromStdString(info.Title);
    switch (info.Kind) {
    case TCardKind::Queue:
        return info.Tag.empty()
                   ? title
                   : QStringLiteral("%1, number %2 in the queue").arg(title, QString::fromStdString(info.Tag));
    case TCardKind::AtHome:
        return QStringLiteral("%1, at home").arg(title);
    case TCardKind::Returns:
        return QStringLiteral("%1, returned").arg(title);
    case TCardKind::Advertisement:
        return QStringLiteral("Advertisement");
    }
    return title;
}

} // namespace

TCardBox::TCardBox(TListBox kind, QWidget* parent)
    : QScrollArea(parent)
    , m_kind(kind) {
    setWidgetResizable(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("boxContent"));
    m_content->setAttribute(Qt::WA_StyledBackground);
    m_content->setAutoFillBackground(true);
    QPalette pal = m_content->palette();
    pal.setColor(QPalette::Window, Qt::white);
    m_content->setPalette(pal);
    setWidget(m_content);
    // Below the last card, and in an empty list, the box shows the window colour too.
    setObjectName(QStringLiteral("listBox"));
    viewport()->setAutoFillBackground(true);
    viewport()->setPalette(pal);
    viewport()->installEventFilter(this);
    if (m_kind == TListBox::Recent) {
        m_atHome = MakeSectionHeader(true);
        m_returns = MakeSectionHeader(false);
    }
}

// "At home" and "Returns": a band from white to green or purple with the section's icon.
TGradientLabel* TCardBox::MakeSectionHeader(bool atHome) {
    auto* header = new TGradientLabel(m_content);
    header->setGeometry(4, 4, 413, HeaderHeight);
    header->SetCaption(atHome ? QStringLiteral("At home") : QStringLiteral("Returns"));
    header->SetBottomColor(atHome ? QColor(0, 128, 0) : QColor(128, 0, 128));
    header->SetImage(atHome ? AtHomeIcon() : ReturnsIcon());
    header->SetVerticalOffset(6);
    header->SetShadow(true);
    header->SetShadowColor(Qt::white);
    // Its margins above and below the gradient show the list's white, not the style's grey.
    QPalette pal = header->palette();
    pal.setColor(QPalette::Window, Qt::white);
    header->setPalette(pal);
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("Nimbus Sans")});
    font.setPixelSize(13);
    font.setBold(true);
    header->setFont(font);
    header->hide();
    return header;
}

bool TCardBox::eventFilter(QObject* watched, QEvent* event) {
    // The content follows the viewport's width; the line step its height.
    if (watched == viewport() && event->type() == QEvent::Resize) {
        m_content->resize(viewport()->width(), m_content->height());
        verticalScrollBar()->setSingleStep(LineStep());
    }
    return QScrollArea::eventFilter(watched, event);
}

bool TCardBox::IsScrollKey(int key) {
    return key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_End || key == Qt::Key_Home ||
           key == Qt::Key_Up || key == Qt::Key_Down;
}

void TCardBox::ScrollByKey(int key) {
    QScrollBar* bar = verticalScrollBar();
    const int p = bar->value();
    const int c = viewport()->height();
    switch (key) {
    case Qt::Key_PageUp:
        bar->setValue(p - (c - 20));
        break;
    case Qt::Key_PageDown:
        bar->setValue(p + (c - 20));
        break;
    case Qt::Key_End:
        bar->setValue(bar->maximum());
        break;
    case Qt::Key_Home:
        bar->setValue(0);
        break;
    case Qt::Key_Up:
        bar->setValue(p - LineStep());
        break;
    case Qt::Key_Down:
        bar->setValue(p + LineStep());
        break;
    default:
        break;
    }
}

bool TCardBox::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
            QScrollBar* bar = verticalScrollBar();
            bar->setValue(bar->value() + (wheel->angleDelta().y() < 0 ? LineStep() : -LineStep()));
            wheel->accept();
            return true;
        }
    }
    return QScrollArea::viewportEvent(event);
}

void TCardBox::Clear() {
    // Cards take their pictures with them: a picture still on its way is dropped.
    for (TCustomMovieThumbnail* card : m_content->findChildren<TCustomMovieThumbnail*>(Qt::FindDirectChildrenOnly))
        delete card;
    verticalScrollBar()->setValue(0);
    if (m_kind == TListBox::Recent) {
        m_atHome->hide();
        m_returns->hide();
    }
    m_content->resize(m_content->width(), 0);
}

void TCardBox::Begin(int clientWidth) {
    m_nextTop = m_kind == TListBox::Recent ? 4 : 10;
    m_nextLeft = 0;
    m_rowHeight = 0;
    m_atHomeShown = m_returnsShown = false;
    m_content->resize(clientWidth, m_content->height());
}

void TCardBox::End() {
    // The scroll range follows the cards; the Recent box gets ten pixels more below them.
    int bottom = 0;
    for (QWidget* child : m_content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isHidden())
            bottom = std::max(bottom, child->geometry().bottom() + 1);
    m_content->resize(m_content->width(), bottom + (m_kind == TListBox::Recent ? 10 : 0));
}

std::shared_ptr<TPictureTarget> TCardBox::Add(const TCardInfo& info) {
    QWidget* content = m_content;
    int& y = m_nextTop;
    TCustomMovieThumbnail* card = nullptr;
    const QString title = QString::fromStdString(info.Title);
    const QString description = QString::fromStdString(info.Description);

    switch (info.Kind) {
    case TCardKind::AtHome:
    case TCardKind::Queue: {
        if (info.Kind == TCardKind::AtHome && !m_atHomeShown) {
            m_atHomeShown = true;
            m_atHome->move(4, y);
            m_atHome->show();
            y += HeaderHeight + 6;
        }
        auto* large = new TMovieThumbnail(content);
        large->SetMovieTitle(title);
        large->ShowTag = info.Kind == TCardKind::Queue;
        large->SetMovieID(QString::fromStdString(info.Tag));
        large->SetMovieDescription(description);
        large->move(10, y);
        y += large->height() + 10;
        card = large;
        break;
    }
    case TCardKind::Advertisement: {
        auto* ad = new TAdvertismentThumbnail(content);
        ad->SetMovieTitle({});
        ad->SetMovieDescription(description);
        ad->move(10, y);
        y += ad->height() + 10;
        card = ad;
        break;
    }
    case TCardKind::Returns: {
        if (!m_returnsShown) {
            m_returnsShown = true;
            if (m_atHomeShown)
                y += 10;
            m_returns->move(4, y);
            m_returns->show();
            y += HeaderHeight + 6;
            m_nextLeft = 0;
            m_rowHeight = 0;
        }
        auto* small = new TMovieThumbnailShort(content);
        small->SetMovieTitle(title);
        small->SetMovieDescription(description);
        small->move(m_nextLeft + 10, y);
        m_rowHeight = std::max(m_rowHeight, small->height() + 10);
        m_nextLeft += small->width() + 4;
        // Three short cards stand in a row; the next one starts a new row.
        if (content->width() < small->width() + m_nextLeft) {
            m_nextLeft = 0;
            y += m_rowHeight;
        }
        card = small;
        break;
    }
    }
    // Cards take the box's colour, the window colour, whatever the tabs' style says around them.
    QPalette pal = card->palette();
    pal.setColor(QPalette::Window, Qt::white);
    card->setPalette(pal);
    card->SetMovieURL(info.Url);
    // What a screen reader says for the card: the title and where the DVD stands.
    card->setAccessibleName(AccessibleCardName(info));
    card->setAccessibleDescription(description);
    connect(card, &TCustomMovieThumbnail::Clicked, this,
            [](TCustomMovieThumbnail* clicked) { OpenCardUrl(clicked->MovieURL()); });
    card->show();
    return card->Picture();
}
