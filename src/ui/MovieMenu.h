#pragma once

#include <QMenu>

#include <functional>

class TCustomMovieThumbnail;

/**
 * The menu of a card, or of a box where no card is: the card's title opens its page, "Copy" puts
 * the card on the clipboard as a picture; "Refresh data" and "Options.." are always there.
 */
class TMovieMenu final : public QMenu {
    Q_OBJECT
public:
    explicit TMovieMenu(QWidget* parent);

    /** Shows the items that card has (nullptr: a box without a card under the mouse). */
    void Prepare(TCustomMovieThumbnail* card);
    /** The card the menu was last prepared for, until it is prepared again. */
    TCustomMovieThumbnail* Card() const { return m_card; }

    std::function<void()> OnRefresh;
    std::function<void()> OnOptions;

private:
    QAction* m_title = nullptr;
    QAction* m_copy = nullptr;
    TCustomMovieThumbnail* m_card = nullptr;
};
