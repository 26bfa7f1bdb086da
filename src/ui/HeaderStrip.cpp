#include "ui/HeaderStrip.h"

#include "ui/Artwork.h"
#include "ui/TextLink.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

THeaderStrip::THeaderStrip(QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_logo = new QLabel(this);
    m_logo->setPixmap(PlotvaneLogo());
    m_logo->setCursor(Qt::PointingHandCursor);
    m_logo->setAccessibleName(QStringLiteral("Plotvane web site"));
    m_logo->installEventFilter(this);
    row->addWidget(m_logo);
    row->addStretch(1);
    m_goToQueue = new TTextLink(QStringLiteral("Go to Queue"), this);
    m_goToQueue->hide();
    m_options = new TTextLink(QStringLiteral("Options"), this);
    m_about = new TTextLink(QStringLiteral("About"), this);
    connect(m_goToQueue, &TTextLink::clicked, this, &THeaderStrip::GoToQueueClicked);
    connect(m_options, &TTextLink::clicked, this, &THeaderStrip::OptionsClicked);
    connect(m_about, &TTextLink::clicked, this, &THeaderStrip::AboutClicked);
    row->addWidget(m_goToQueue);
    row->addWidget(m_options);
    row->addWidget(m_about);
}

void THeaderStrip::SetBusy(bool busy) {
    m_goToQueue->setVisible(!busy);
    m_options->setEnabled(!busy);
}

bool THeaderStrip::eventFilter(QObject* watched, QEvent* event) {
    // The logo is a picture, not a button: the left button's release is its click.
    if (watched == m_logo && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Q_EMIT LogoClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
