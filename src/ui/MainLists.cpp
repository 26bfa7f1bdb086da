// The main window's two boxes of cards, as the lists are filled and cleared.
#include "ui/Main.h"

#include "core/net/Hosts.h"
#include "ui/CardBox.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QTabWidget>

void TfMain::ClearList(TListBox box) {
    Box(box)->Clear();
}

void TfMain::BeginList(TListBox box) {
    Box(box)->Begin(BoxClientWidth());
}

std::shared_ptr<TPictureTarget> TfMain::AddCard(const TCardInfo& info) {
    const bool recent = info.Kind == TCardKind::AtHome || info.Kind == TCardKind::Returns;
    return Box(recent ? TListBox::Recent : TListBox::Queue)->Add(info);
}

void TfMain::EndList(TListBox box) {
    Box(box)->End();
}

// The boxes are filled while the tabs are hidden, before they were ever laid out: their width
// comes from the window's, which is fixed, less the margins, the tab frame and the scroll bar.
int TfMain::BoxClientWidth() const {
    if (sbRecent->isVisible())
        return sbRecent->viewport()->width();
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, pcMainTabs);
    return width() - 2 * 5 - 2 * (frame + 1) - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, sbRecent);
}

bool TfMain::eventFilter(QObject* watched, QEvent* event) {
    // The boxes' viewports report events while the window is still being built.
    if (!sbRecent || !sbQueue)
        return QWidget::eventFilter(watched, event);
    if (HandleInput(watched, event))
        return true;
    if (event->type() == QEvent::Paint && watched == this && !m_windowPainted) {
        m_windowPainted = true;
        qCInfo(lcMain) << "window painted";
    }
    if (event->type() == QEvent::Paint && m_listsPending &&
        (watched == sbQueue->Content() || watched == sbRecent->Content())) {
        m_listsPending = false;
        qCInfo(lcMain) << "lists painted";
    }
    return QWidget::eventFilter(watched, event);
}
