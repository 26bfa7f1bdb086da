#pragma once

#include "feeds/BoxArt.h"
#include "feeds/MainView.h"

#include <QFrame>
#include <QImage>
#include <QPointer>

#include <memory>

class QLabel;
class TMovieCard;

/** A card's picture: loads box art (or an advertisement picture) and shows it on its card. */
class TCardPicture final : public TPictureTarget {
public:
    explicit TCardPicture(TMovieCard* card)
        : m_card(card) {}
    bool LoadFromFile(const std::string& path) override;
    const QImage& Image() const { return m_image; }

private:
    QPointer<TMovieCard> m_card;
    QImage m_image;
};

/** One entry of a list: picture, title, description and, in the queue, the position. */
class TMovieCard final : public QFrame {
    Q_OBJECT
public:
    TMovieCard(const TCardInfo& info, QWidget* parent = nullptr);

    std::shared_ptr<TPictureTarget> Picture() const { return m_picture; }
    const TCardInfo& Info() const { return m_info; }
    void ShowPicture(const QImage& image);

Q_SIGNALS:
    void Clicked(const std::string& url);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TCardInfo m_info;
    QLabel* m_pictureLabel;
    std::shared_ptr<TCardPicture> m_picture;
};
