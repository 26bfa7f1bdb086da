#include "ui/update/InstallReady.h"

#include "ui/DialogFrame.h"
#include "ui/SpecialFrame.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

TfDownloadReady::TfDownloadReady(QWidget* parent)
    : QDialog(parent) {
    dialogframe::Prepare(*this, QStringLiteral("Ready to install new version"), {331, 197});
    // Above other windows without taking the focus from them.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    SpecialFrame1 = dialogframe::WhitePanel(this, 0, 0, 329, 141);
    imgPlotvaneLogo = new QLabel(this);
    imgPlotvaneLogo->move(8, 8);
    Label1 = dialogframe::PanelLabel(this, QStringLiteral("New version is ready for installation!"), 8, 46, true,
                                     palette().color(QPalette::WindowText));
    lbVersion = dialogframe::PanelLabel(this, {}, 8, 66, true, QColor(0, 0, 255));
    Label3 = dialogframe::PanelLabel(this,
                                     QStringLiteral("To run installer now, select Install now (Plotvane will self "
                                                    "close).\rTo schedule installer to run on Windows startup, click "
                                                    "Install later")
                                         .replace(QLatin1Char('\r'), QLatin1Char('\n')),
                                     8, 94, false, palette().color(QPalette::WindowText));
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3->setGeometry(8, 94, 309, 39);
    Button1 = new QPushButton(QStringLiteral("Install now"), this);
    Button1->setGeometry(84, 159, 75, 25);
    Button2 = new QPushButton(QStringLiteral("Install later"), this);
    Button2->setGeometry(172, 159, 75, 25);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    CloseAllowed = false;
}

void TfDownloadReady::Button1Click() {
    CloseAllowed = true;
    done(Yes);
}

void TfDownloadReady::Button2Click() {
    CloseAllowed = true;
    done(No);
}

void TfDownloadReady::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
}

void TfDownloadReady::closeEvent(QCloseEvent* event) {
    // Only the two buttons close it: the close box and Alt+F4 do nothing.
    if (!CloseAllowed)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void TfDownloadReady::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // Escape does nothing here
        return;
    }
    QDialog::keyPressEvent(event);
}
