// The main window's two boxes: where the cards go, as the lists are filled and cleared.
#include "ui/Main.h"

#include "core/net/Hosts.h"
#include "ui/Artwork.h"
#include "ui/GradientLabel.h"
#include "ui/MovieThumbnail.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>

namespace {

constexpr int HeaderHeight = 35;

QString AccessibleCardName(const TCardInfo& info) {
    const QString title = QString::fromStdString(info.Title);
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

// "At home" and "Returns": a band from white to green or purple with the section's icon.
TGradientLabel* TfMain::MakeSectionHeader(bool atHome, QWidget* parent) {
    auto* header = new TGradientLabel(parent);
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

QScrollArea* TfMain::BuildBox(QWidget*& content) {
    auto* box = new QScrollArea(this);
    box->setWidgetResizable(false);
    box->setFrameShape(QFrame::NoFrame);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    content = new QWidget(box);
    content->setObjectName(QStringLiteral("boxContent"));
    content->setAttribute(Qt::WA_StyledBackground);
    content->installEventFilter(this);
    content->setAutoFillBackground(true);
    QPalette pal = content->palette();
    pal.setColor(QPalette::Window, Qt::white);
    content->setPalette(pal);
    box->setWidget(content);
    // Below the last card, and in an empty list, the box shows the window colour too.
    box->setObjectName(QStringLiteral("listBox"));
    box->viewport()->setAutoFillBackground(true);
    box->viewport()->setPalette(pal);
    box->viewport()->installEventFilter(this);
    return box;
}

void TfMain::ClearList(TListBox box) {
    QWidget* content = ContentOf(box);
    // Cards take their pictures with them: a picture still on its way is dropped.
    for (TCustomMovieThumbnail* card : content->findChildren<TCustomMovieThumbnail*>(Qt::FindDirectChildrenOnly))
        delete card;
    (box == TListBox::Recent ? sbRecent : sbQueue)->verticalScrollBar()->setValue(0);
    if (box == TListBox::Recent) {
        glbAtHome->hide();
        glbReceived->hide();
    }
    content->resize(content->width(), 0);
}

void TfMain::BeginList(TListBox box) {
    const int index = box == TListBox::Recent ? 0 : 1;
    m_nextTop[index] = box == TListBox::Recent ? 4 : 10;
    m_nextLeft = 0;
    m_rowHeight = 0;
    if (box == TListBox::Recent)
        m_atHomeShown = m_returnsShown = false;
    ContentOf(box)->resize(BoxClientWidth(), ContentOf(box)->height());
}

// The boxes are filled while the tabs are hidden, before they were ever laid out: their width
// comes from the window's, which is fixed, less the margins, the tab frame and the scroll bar.
int TfMain::BoxClientWidth() const {
    if (sbRecent->isVisible())
        return sbRecent->viewport()->width();
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, pcMainTabs);
    return width() - 2 * 5 - 2 * (frame + 1) - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, sbRecent);
}

bool TfMain::eventFilter(QObject* watched, QEvent* event) {
    // The boxes' viewports report events while the window is still being built.
    if (!sbRecent || !sbQueue)
        return QWidget::eventFilter(watched, event);
    if (HandleInput(watched, event))
        return true;
    if (watched == imgLogo && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        OpenCardUrl(std::string(hosts::VendorWeb));
        return true;
    }
    if (event->type() == QEvent::Paint && m_listsPending && (watched == m_queueContent || watched == m_recentContent)) {
        m_listsPending = false;
        qCInfo(lcMain) << "lists painted";
    }
    if (event->type() == QEvent::Resize && (watched == sbRecent->viewport() || watched == sbQueue->viewport())) {
        QWidget* content = watched == sbRecent->viewport() ? m_recentContent : m_queueContent;
        content->resize(static_cast<QWidget*>(watched)->width(), content->height());
        auto* box = watched == sbRecent->viewport() ? sbRecent : sbQueue;
        box->verticalScrollBar()->setSingleStep(LineStep(box));
    }
    return QWidget::eventFilter(watched, event);
}

void TfMain::EndList(TListBox box) {
    // The scroll range follows the cards; the Recent box gets ten pixels more below them.
    QWidget* content = ContentOf(box);
    int bottom = 0;
    for (QWidget* child : content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isHidden())
            bottom = std::max(bottom, child->geometry().bottom() + 1);
    content->resize(content->width(), bottom + (box == TListBox::Recent ? 10 : 0));
}

std::shared_ptr<TPictureTarget> TfMain::AddCard(const TCardInfo& info) {
    const bool recent = info.Kind == TCardKind::AtHome || info.Kind == TCardKind::Returns;
    QWidget* content = ContentOf(recent ? TListBox::Recent : TListBox::Queue);
    int& y = m_nextTop[recent ? 0 : 1];
    TCustomMovieThumbnail* card = nullptr;
    const QString title = QString::fromStdString(info.Title);
    const QString description = QString::fromStdString(info.Description);

    switch (info.Kind) {
    case TCardKind::AtHome:
    case TCardKind::Queue: {
        if (info.Kind == TCardKind::AtHome && !m_atHomeShown) {
            m_atHomeShown = true;
            glbAtHome->move(4, y);
            glbAtHome->show();
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
            glbReceived->move(4, y);
            glbReceived->show();
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
