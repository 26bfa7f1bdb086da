#include "ui/PopupWin.h"

#include "ui/Artwork.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace {
constexpr int StepMs = 50;
constexpr int HoldMs = 5000;
constexpr int AlphaStep = 10;
} // namespace

TfPopupWin::TfPopupWin(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus) {
    setWindowTitle(QStringLiteral("Plotvane: Movie remainder"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(181, 95);
    SetAlpha(0);

    auto* background = new QLabel(this);
    background->setPixmap(PopupBackground());
    background->setGeometry(0, 0, 181, 95);

    lbMessage = new QLabel(this);
    lbMessage->setGeometry(10, 32, 159, 55);
    lbMessage->setAlignment(Qt::AlignCenter);
    lbMessage->setWordWrap(true);
    lbMessage->setCursor(Qt::PointingHandCursor);
    lbMessage->setAttribute(Qt::WA_TranslucentBackground);
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(11);
    lbMessage->setFont(tahoma);
    lbMessage->installEventFilter(this);

    Image2 = new QLabel(this);
    Image2->setGeometry(161, 5, 15, 15);
    Image2->setPixmap(CloseGlyph());
    Image2->setCursor(Qt::PointingHandCursor);
    Image2->setToolTip(QStringLiteral("Close"));
    Image2->installEventFilter(this);

    tmAlpha.setInterval(StepMs);
    connect(&tmAlpha, &QTimer::timeout, this, &TfPopupWin::tmAlphaTimer);
}

void TfPopupWin::SetMessage(const QString& text) {
    lbMessage->setText(text);
}

QString TfPopupWin::Message() const {
    return lbMessage->text();
}

void TfPopupWin::PlaceAtWorkAreaCorner() {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    move(area.x() + area.width() - width(), area.y() + area.height() - height());
}

void TfPopupWin::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A popup shown again while open keeps its phase; only a new one starts fading in.
    if (!tmAlpha.isActive() && m_phase == TPhase::FadeIn && m_alpha == 0)
        tmAlpha.start();
    raise();
}

void TfPopupWin::SetAlpha(int alpha) {
    m_alpha = alpha;
    setWindowOpacity(alpha / 255.0);
    // On X11 a changed opacity of a window that draws nothing new stays in Qt's output buffer,
    // so a compositor would keep the window at its first, invisible value; a repaint sends it.
    update();
}

void TfPopupWin::EnterPhase(TPhase phase, int intervalMs) {
    tmAlpha.stop();
    m_phase = phase;
    tmAlpha.setInterval(intervalMs);
    tmAlpha.start();
}

void TfPopupWin::tmAlphaTimer() {
    switch (m_phase) {
    case TPhase::FadeIn:
        if (m_alpha + AlphaStep < 255) {
            SetAlpha(m_alpha + AlphaStep);
        } else {
            EnterPhase(TPhase::Hold, HoldMs);
            SetAlpha(255);
        }
        break;
    case TPhase::Hold:
        EnterPhase(TPhase::FadeOut, StepMs);
        break;
    case TPhase::FadeOut:
        if (m_alpha - AlphaStep > 0) {
            SetAlpha(m_alpha - AlphaStep);
        } else {
            tmAlpha.stop();
            close();
        }
        break;
    }
}

void TfPopupWin::lbMessageDblClick() {
    if (!m_onDblClick)
        return;
    tmAlpha.stop();
    m_onDblClick(this);
    close();
}

bool TfPopupWin::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lbMessage && event->type() == QEvent::MouseButtonDblClick) {
        lbMessageDblClick();
        return true;
    }
    if (watched == Image2 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Image2Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
