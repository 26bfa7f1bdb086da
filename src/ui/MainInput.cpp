// The main window's keyboard, wheel and movie menu.
#include "ui/Main.h"

#include "core/feeds/RefreshCycle.h"
#include "ui/CardBox.h"
#include "ui/MovieMenu.h"
#include "ui/MovieThumbnail.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QScrollArea>
#include <QTabWidget>

void TfMain::CreateMovieMenu() {
    pmMovie = new TMovieMenu(this);
    pmMovie->OnRefresh = [this] { m_cycle->Refresh(); };
    pmMovie->OnOptions = [this] { ShowOptions(); };
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
    pmMovie->Prepare(card);
    pmMovie->exec(event->globalPos());
    pmMovie->Prepare(nullptr);
}

void TfMain::FormKeyUp(QKeyEvent* event) {
    if (!pcMainTabs->isVisible() || (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
        return;
    QWidget* focus = QApplication::focusWidget();
    TCardBox* box = focus && (focus == sbRecent || sbRecent->isAncestorOf(focus)) ? sbRecent : sbQueue;
    box->ScrollByKey(event->key());
}

bool TfMain::HandleInput(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    const bool inBox =
        sbRecent->isAncestorOf(widget) || sbQueue->isAncestorOf(widget) || widget == sbRecent || widget == sbQueue;
    if (event->type() == QEvent::KeyPress && inBox && TCardBox::IsScrollKey(static_cast<QKeyEvent*>(event)->key()))
        return true; // the boxes scroll on the key's release, by the window's rules, not their own
    if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
        // The window sees key releases before the control with the focus does.
        if (widget == QApplication::focusWidget() || (widget == this && !QApplication::focusWidget()))
            FormKeyUp(static_cast<QKeyEvent*>(event));
    }
    return false;
}

TMovieMenu* TfMain::MovieMenu(TCustomMovieThumbnail* card) {
    pmMovie->Prepare(card);
    return pmMovie;
}
