#include "ui/TextLink.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include <mutex>

namespace {

// What a screen reader is told: a link, named by its caption, with a press action.
class TTextLinkAccessible final : public QAccessibleWidget {
public:
    explicit TTextLinkAccessible(TTextLink* link)
        : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return Link()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.linked = true;
        return s;
    }
    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (Link()->isEnabled())
            names.prepend(QAccessibleActionInterface::pressAction());
        return names;
    }
    void doAction(const QString& action) override {
        if (action == QAccessibleActionInterface::pressAction() && Link()->isEnabled())
            Link()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    TTextLink* Link() const { return static_cast<TTextLink*>(widget()); }
};

QAccessibleInterface* LinkInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("TTextLink") && object && object->isWidgetType())
        return new TTextLinkAccessible(static_cast<TTextLink*>(object));
    return nullptr;
}

} // namespace

TTextLink::TTextLink(const QString& caption, QWidget* parent)
    : QAbstractButton(parent) {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(LinkInterface); });
    setText(caption);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    // "MS Sans Serif" 8 points, bold and underlined; a sans of its width where it is missing.
    QFont f = font();
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                   QStringLiteral("Nimbus Sans"), f.family()});
    f.setPixelSize(11);
    f.setBold(true);
    f.setUnderline(true);
    setFont(f);
}

QSize TTextLink::sizeHint() const {
    // Room for the focus mark around the text.
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 4, metrics.height() + 2};
}

void TTextLink::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    // Windows draws a disabled label's text engraved in grey; a plain grey says the same here.
    p.setPen(isEnabled() ? QColor(0, 0, 255) : QColor(128, 128, 128));
    const QRect area = rect().adjusted(2, 1, -2, -1);
    p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}

void TTextLink::keyPressEvent(QKeyEvent* event) {
    // A link answers Enter as well as the button's Space.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}
