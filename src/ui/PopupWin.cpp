#include "ui/PopupWin.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int ShowMs = 8000;
}

TfPopupWin::TfPopupWin(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_message(new QLabel(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(240, 90);
    setStyleSheet(QStringLiteral("TfPopupWin { background: #fffbe8; border: 1px solid #919b9c; }"));
    auto* title = new QLabel(QStringLiteral("Plotvane"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    m_message->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(m_message, 1);
}

void TfPopupWin::SetMessage(const QString& text) {
    m_message->setText(text.trimmed());
}

void TfPopupWin::ShowAtWorkAreaCorner() {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    move(area.right() + 1 - width(), area.bottom() + 1 - height());
    show();
    QTimer::singleShot(ShowMs, this, &QWidget::close);
}

void TfPopupWin::mouseDoubleClickEvent(QMouseEvent*) {
    close();
    if (m_onDblClick)
        m_onDblClick();
}
