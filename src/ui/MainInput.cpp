// The main window's keyboard, wheel and movie menu.
#include "ui/Main.h"

#include "core/feeds/RefreshCycle.h"
#include "ui/CardBox.h"
#include "ui/MovieThumbnail.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QWheelEvent>

namespace {

bool IsScrollKey(int key) {
    return key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_End || key == Qt::Key_Home ||
           key == Qt::Key_Up || key == Qt::Key_Down;
}

} // namespace

void TfMain::CreateMovieMenu() {
    pmMovie = new QMenu(this);
    miMovieTitle = pmMovie->addAction(QString(), this, [this] {
        if (m_menuCard)
            OpenCardUrl(m_menuCard->MovieURL());
    });
    pmMovie->setDefaultAction(miMovieTitle);
    miCopyMovie = pmMovie->addAction(QStringLiteral("Copy"), this, [this] {
        if (m_menuCard)
            QApplication::clipboard()->setImage(m_menuCard->grab().toImage());
    });
    pmMovie->addSeparator();
    pmMovie->addAction(QStringLiteral("Refresh data"), this, [this] { m_cycle->Refresh(); });
    pmMovie->addSeparator();
    pmMovie->addAction(QStringLiteral("Options.."), this, [this] { ShowOptions(); });
}

void TfMain::PrepareMovieMenu(TCustomMovieThumbnail* card) {
    m_menuCard = card;
    miMovieTitle->setVisible(card != nullptr);
    miCopyMovie->setVisible(card != nullptr);
    if (!card)
        return;
    miMovieTitle->setText(card->MovieTitle());
    miMovieTitle->setEnabled(!card->MovieURL().empty());
    // The advertisement card has no title: there is nothing to name.
    if (card->MovieTitle().isEmpty())
        miMovieTitle->setVisible(false);
}

void TfMain::contextMenuEvent(QContextMenuEvent* event) {
    QWidget* under = childAt(mapFromGlobal(event->globalPos()));
    TCustomMovieThumbnail* card = nullptr;
    for (QWidget* w = under; w && !card; w = w->parentWidget())
        card = qobject_cast<TCustomMovieThumbnail*>(w);
    if (!card && !(sbQueue->isAncestorOf(under) || sbRecent->isAncestorOf(under))) {
        QWidget::contextMenuEvent(event);
        return;
    }
    PrepareMovieMenu(card);
    pmMovie->exec(event->globalPos());
    m_menuCard = nullptr;
}

void TfMain::FormKeyUp(QKeyEvent* event) {
    if (!pcMainTabs->isVisible() || (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
        return;
    QWidget* focus = QApplication::focusWidget();
    TCardBox* box = focus && (focus == sbRecent || sbRecent->isAncestorOf(focus)) ? sbRecent : sbQueue;
    QScrollBar* bar = box->verticalScrollBar();
    const int p = bar->value();
    const int c = box->viewport()->height();
    switch (event->key()) {
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
        bar->setValue(p - box->LineStep());
        break;
    case Qt::Key_Down:
        bar->setValue(p + box->LineStep());
        break;
    default:
        break;
    }
}

bool TfMain::HandleInput(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    const bool inBox =
        sbRecent->isAncestorOf(widget) || sbQueue->isAncestorOf(widget) || widget == sbRecent || widget == sbQueue;
    if (event->type() == QEvent::KeyPress && inBox && IsScrollKey(static_cast<QKeyEvent*>(event)->key()))
        return true; // the boxes scroll on the key's release, by the window's rules, not their own
    if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
        // The window sees key releases before the control with the focus does.
        if (widget == QApplication::focusWidget() || (widget == this && !QApplication::focusWidget()))
            FormKeyUp(static_cast<QKeyEvent*>(event));
        return false;
    }
    if (event->type() == QEvent::Wheel && (watched == sbRecent->viewport() || watched == sbQueue->viewport())) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
            return false;
        auto* box = watched == sbRecent->viewport() ? sbRecent : sbQueue;
        QScrollBar* bar = box->verticalScrollBar();
        // One line step per notification, whatever the size of the turn.
        bar->setValue(bar->value() + (wheel->angleDelta().y() < 0 ? box->LineStep() : -box->LineStep()));
        return true;
    }
    return false;
}
