#pragma once

#include "core/feeds/MainView.h"

#include <QScrollArea>

#include <memory>

class TGradientLabel;

/**
 * One of the main window's two scrolling boxes of cards: it owns its content, places the cards
 * as a list is filled (the Recent box under its "At home" and "Returns" headers, its returned
 * DVDs three to a row), and clears them again.
 */
class TCardBox final : public QScrollArea {
    Q_OBJECT
public:
    TCardBox(TListBox kind, QWidget* parent);

    QWidget* Content() const { return m_content; }
    /** Every card goes, the scroll position returns to the top, the headers hide. */
    void Clear();
    /** A new list begins at the top; clientWidth is the width the cards are laid out for. */
    void Begin(int clientWidth);
    /** The card for info, placed below the last one; its picture arrives through the target. */
    std::shared_ptr<TPictureTarget> Add(const TCardInfo& info);
    /** The scroll range follows the cards. */
    void End();
    /** One line step of the scroll bar: the wheel and the arrow keys move by it. */
    int LineStep() const { return (viewport()->height() * 9 / 10) / 10; }
    /** The keys that scroll a box: pages, ends and lines. */
    static bool IsScrollKey(int key);
    /** Scrolls as the key asks: a page is the box's height less 20 pixels, a line one line step. */
    void ScrollByKey(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    /** A turn of the wheel moves one line step, however large the turn; with a modifier, as Qt does. */
    bool viewportEvent(QEvent* event) override;

private:
    TGradientLabel* MakeSectionHeader(bool atHome);

    TListBox m_kind;
    QWidget* m_content = nullptr;
    TGradientLabel* m_atHome = nullptr;
    TGradientLabel* m_returns = nullptr;
    int m_nextTop = 0;
    int m_nextLeft = 0;
    int m_rowHeight = 0;
    bool m_atHomeShown = false;
    bool m_returnsShown = false;
};
