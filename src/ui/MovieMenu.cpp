#include "ui/MovieMenu.h"

#include "ui/Main.h"
#include "ui/MovieThumbnail.h"

#include <QApplication>
#include <QClipboard>

TMovieMenu::TMovieMenu(QWidget* parent)
    : QMenu(parent) {
    m_title = addAction(QString(), this, [this] {
        if (m_card)
            OpenCardUrl(m_card->MovieURL());
    });
    setDefaultAction(m_title);
    m_copy = addAction(QStringLiteral("Copy"), this, [this] {
        if (m_card)
            QApplication::clipboard()->setImage(m_card->grab().toImage());
    });
    addSeparator();
    addAction(QStringLiteral("Refresh data"), this, [this] {
        if (OnRefresh)
            OnRefresh();
    });
    addSeparator();
    addAction(QStringLiteral("Options.."), this, [this] {
        if (OnOptions)
            OnOptions();
    });
}

void TMovieMenu::Prepare(TCustomMovieThumbnail* card) {
    m_card = card;
    m_title->setVisible(card != nullptr);
    m_copy->setVisible(card != nullptr);
    if (!card)
        return;
    m_title->setText(card->MovieTitle());
    m_title->setEnabled(!card->MovieURL().empty());
    // The advertisement card has no title: there is nothing to name.
    if (card->MovieTitle().isEmpty())
        m_title->setVisible(false);
}
