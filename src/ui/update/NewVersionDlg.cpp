#include "ui/update/NewVersionDlg.h"

#include "ui/DialogFrame.h"
#include "ui/SpecialFrame.h"
#include "ui/TabedLabel.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

namespace {

// The lowest free number for a block's name ("tmpLabel0tmp", "tmpTab3tmp", ...).
QString FreeName(QWidget* box, const QString& stem) {
    for (int n = 0;; ++n) {
        QString name = QStringLiteral("tmp%1%2tmp").arg(stem).arg(n);
        if (!box->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly))
            return name;
    }
}

} // namespace

TfNewVersionDlg::TfNewVersionDlg(QWidget* parent)
    : QDialog(parent) {
    dialogframe::Prepare(*this, QStringLiteral("New version of Plotvane"), {402, 255});
    SpecialFrame1 = dialogframe::WhitePanel(this, 0, 0, 402, 69);
    imgPlotvaneLogo = new QLabel(this);
    imgPlotvaneLogo->move(6, 8);
    lbCurVersion =
        dialogframe::PanelLabel(this, QStringLiteral("Current version: 0.0.0.0"), 188, 13, true, QColor(128, 128, 128));
    lbNewVersion = dialogframe::PanelLabel(this, QStringLiteral("New version: 0.0.0.0"), 188, 36, true,
                                           palette().color(QPalette::WindowText));
    SpecialFrame2 = dialogframe::WhitePanel(this, 0, 68, 402, 140);
    ScrollBox = new QScrollArea(this);
    ScrollBox->setGeometry(4, 72, 395, 129);
    ScrollBox->setFrameShape(QFrame::NoFrame);
    ScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* notes = new QWidget;
    QPalette white = notes->palette();
    white.setColor(QPalette::Window, Qt::white);
    notes->setPalette(white);
    notes->setAutoFillBackground(true);
    notes->resize(ScrollBox->width(), ScrollBox->height());
    ScrollBox->setWidget(notes);
    ScrollBox->setPalette(white);
    Button1 = new QPushButton(QStringLiteral("Download"), this);
    Button1->setGeometry(121, 220, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Later"), this);
    Button2->setGeometry(207, 220, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject); // Escape does the same
    NextTop = 4;
}

QWidget* TfNewVersionDlg::Notes() const {
    return ScrollBox->widget();
}

void TfNewVersionDlg::FitNotes() {
    // The box scrolls once the blocks reach below its bottom.
    Notes()->resize(ScrollBox->width(), std::max(ScrollBox->height(), NextTop));
}

void TfNewVersionDlg::AddLabel(const QString& text, const QColor& colour, bool bold) {
    auto* label = new QLabel(text, Notes());
    // Names and notes come from the update server: plain text, never markup to lay out.
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(FreeName(Notes(), QStringLiteral("Label")));
    QFont font = this->font();
    QStringList families = font.families();
    families.prepend(QStringLiteral("Microsoft Sans Serif"));
    font.setFamilies(families);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->move(8, NextTop);
    label->adjustSize();
    label->show();
    NextTop += label->height() + 16;
    FitNotes();
}

void TfNewVersionDlg::AddHeader(const QString& text, const QColor& colour) {
    AddLabel(text, colour, true);
}

void TfNewVersionDlg::AddNote(const QString& text, const QColor& colour) {
    AddLabel(text, colour, false);
}

void TfNewVersionDlg::AddSection(const QString& title, const QString& text) {
    auto* tab = new TTabedLabel(Notes());
    tab->setObjectName(FreeName(Notes(), QStringLiteral("Tab")));
    tab->setGeometry(8, NextTop, ScrollBox->width() - 34, tab->height());
    tab->SetCaption(title);
    tab->SetText(text);
    tab->SetAutosize(true);
    tab->SetGradientColor(QColor(223, 223, 223));
    QFont bold = tab->font();
    bold.setBold(true);
    tab->setFont(bold);
    tab->show();
    NextTop += tab->height() + 16;
    FitNotes();
}
