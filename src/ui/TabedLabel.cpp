#include "ui/TabedLabel.h"

#include "ui/Drawing.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace {
// Title and text keep '&' as a mnemonic marker, as the card's text drawing always did.
constexpr int Mnemonic = Qt::TextShowMnemonic;
} // namespace

TTabedLabel::TTabedLabel(QWidget* parent)
    : QWidget(parent)
    , m_fillColor(palette().color(QPalette::Base))
    , m_shadowColor(palette().color(QPalette::Dark))
    , m_textFont(font()) {
    // An owned copy: later changes of the title's font must not reach the text.
    m_textFont.setResolveMask(QFont::AllPropertiesResolved);
    resize(200, height());
    resize(width(), FittedHeight());
}

void TTabedLabel::SetCaption(const QString& caption) {
    m_caption = caption;
    Adjust();
}

void TTabedLabel::SetText(const QString& text) {
    m_text = text;
    Adjust();
}

void TTabedLabel::SetAutosize(bool on) {
    m_autosize = on;
    Adjust();
}

void TTabedLabel::SetTextFont(const QFont& font) {
    m_textFont = font;
    m_textFont.setResolveMask(QFont::AllPropertiesResolved);
    Adjust();
}

void TTabedLabel::Adjust() {
    if (m_autosize)
        resize(width(), FittedHeight());
    update();
}

void TTabedLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        Adjust();
}

void TTabedLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The wrapped text's height depends on the width.
    if (m_autosize && height() != FittedHeight())
        resize(width(), FittedHeight());
}

int TTabedLabel::FittedHeight() const {
    const int titleHeight = QFontMetrics(font()).height();
    const QString measured = m_text.isEmpty() ? QStringLiteral("W") : m_text;
    return titleHeight + drawing::TextHeight(m_textFont, width() - 12, measured, true) + 20;
}

int TTabedLabel::TabWidth() const {
    const int tabWidth = QFontMetrics(font()).horizontalAdvance(m_caption) + 12;
    return std::min(tabWidth, width() - 21);
}

QPolygon TTabedLabel::Outline(int tw, int th) const {
    const int r = width() - 2;
    const int b = height() - 2;
    return QPolygon({{0, 2},
                     {2, 0},
                     {tw - 2, 0},
                     {tw, 2},
                     {tw, th + 3},
                     {tw + 2, th + 5},
                     {r - 2, th + 5},
                     {r, th + 7},
                     {r, b - 2},
                     {r - 2, b},
                     {2, b},
                     {0, b - 2}});
}

void TTabedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width();
    const int h = height();
    p.fillRect(rect(), palette().color(backgroundRole()));
    p.setFont(font());
    const QFontMetrics fm(font());
    const int tw = TabWidth();
    const int th = fm.height();
    const int r = w - 2;
    const int b = h - 2;
    const QPolygon outline = Outline(tw, th);

    p.setPen(m_borderColor);
    p.setBrush(m_fillColor);
    p.drawPolygon(outline);
    drawing::FillVerticalGradient(p, 1, 1, tw, th + 3, m_gradientColor, m_fillColor);
    drawing::FillVerticalGradient(p, 1, h - 3 - th / 2, r, b, m_fillColor, m_gradientColor);
    p.setPen(m_borderColor);
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(outline);

    p.setPen(palette().color(QPalette::WindowText));
    const QRect title(6, 3, tw - 3 - 6, th + 5 - 3);
    p.drawText(title, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Mnemonic,
               fm.elidedText(m_caption, Qt::ElideRight, title.width(), Mnemonic));
    p.setFont(m_textFont);
    p.drawText(QRect(6, th + 11, r - 6 - 6, b - 4 - (th + 11)),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Mnemonic, m_text);

    // One pixel outside the body's right and bottom edges, in the button face colour.
    const QColor face = palette().color(QPalette::Button);
    drawing::Line(p, {r + 1, th + 8}, {r + 1, b - 2}, face);
    p.setPen(face);
    for (int i = 0; i < 3; ++i)
        p.drawPoint(r + 1 - i, b - 2 + i);
    drawing::Line(p, {r - 2, b + 1}, {2, b + 1}, face);
}
