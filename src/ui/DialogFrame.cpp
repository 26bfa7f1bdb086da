#include "ui/DialogFrame.h"

#include "ui/SpecialFrame.h"

#include <QDialog>
#include <QLabel>

namespace dialogframe {

void Prepare(QDialog& dialog, const QString& caption, QSize client) {
    dialog.setWindowTitle(caption);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint);
    // The layouts are made for a narrow sans of 11 pixels; the desktop's own comes last.
    QFont font = dialog.font();
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("Nimbus Sans"), font.family()});
    font.setPixelSize(11);
    dialog.setFont(font);
    dialog.setFixedSize(client);
}

TSpecialFrame* WhitePanel(QWidget* parent, int left, int top, int width, int height) {
    auto* frame = new TSpecialFrame(parent);
    frame->setGeometry(left, top, width, height);
    frame->SetFillColor(Qt::white);
    frame->SetFrameColor(parent->palette().color(QPalette::Dark));
    frame->SetCorners(TCornerStyle::csRect, TCornerStyle::csRect, TCornerStyle::csRect, TCornerStyle::csRect);
    return frame;
}

QLabel* PanelLabel(QWidget* parent, const QString& text, int left, int top, bool bold, const QColor& colour) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Window, Qt::white);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLabel* Link(QWidget* parent, const QString& text) {
    auto* link =
        new QLabel(QStringLiteral("<a href=\"#\" style=\"color:#0000ff\">%1</a>").arg(text.toHtmlEscaped()), parent);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setCursor(Qt::PointingHandCursor);
    QPalette palette = link->palette();
    palette.setColor(QPalette::Window, Qt::white);
    link->setPalette(palette);
    link->setAutoFillBackground(true);
    return link;
}

} // namespace dialogframe
