#pragma once

#include "core/feeds/BoxArt.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QWidget>

#include <memory>

class TCustomMovieThumbnail;

/** A card's picture object: what the picture queue loads a downloaded file into. */
class TCardPicture final : public TPictureTarget {
public:
    explicit TCardPicture(TCustomMovieThumbnail* card)
        : m_card(card) {}
    bool LoadFromFile(const std::string& path) override;

private:
    TCustomMovieThumbnail* m_card; // the card owns this object, so it outlives it never
};

/** The shared part of the movie cards: their data and their frame, background and shadow. */
class TCustomMovieThumbnail : public QWidget {
    Q_OBJECT
public:
    explicit TCustomMovieThumbnail(QWidget* parent = nullptr);

    const QString& MovieTitle() const { return m_title; }
    void SetMovieTitle(const QString& title) { m_title = title; }
    const QString& MovieDescription() const { return m_description; }
    /** Also sets the card's height to what its texts need: set everything else first. */
    void SetMovieDescription(const QString& description);
    ~TCustomMovieThumbnail() override;
    /** The picture as the card draws it; a box art is decoded from its kept bytes when needed. */
    QImage MoviePicture() const;
    void SetMoviePicture(const QImage& picture);
    /**
     * A JPEG box art by its bytes, kept compressed: a card holds a few kilobytes, not the 50 KB of
     * its decoded picture, and only the cards being painted hold that (see CardPictures.h).
     */
    void SetMovieJpeg(QByteArray jpeg);
    void SetFillColor(const QColor& c) { m_fillColor = c; }
    void SetBorderColor(const QColor& c);
    const QString& MovieID() const { return m_movieId; }
    void SetMovieID(const QString& id) { m_movieId = id; }
    const std::string& MovieURL() const { return m_url; }
    void SetMovieURL(const std::string& url) { m_url = url; }

    /** The picture object the picture queue delivers into; the card owns it. */
    std::shared_ptr<TPictureTarget> Picture() const { return m_pictureTarget; }

    virtual int CalcHeight() const { return 174; }
    /** The size a picture of that size is kept at: no larger than covers the box-art frame. */
    QSize PictureSizeFor(QSize picture) const;

Q_SIGNALS:
    void Clicked(TCustomMovieThumbnail* card);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void PaintFrame(QPainter& p) const;
    /** The box-art frame at (x, y) with its drop shadow; returns the bottom of the picture area. */
    int PaintBoxArt(QPainter& p, int x, int y) const;

    QColor m_fillColor{234, 234, 234};
    QColor m_borderColor{152, 158, 210};

private:
    QString m_title = QStringLiteral("Movie title");
    QString m_description = QStringLiteral("Movie description");
    QImage m_picture;  // a picture of another kind than JPEG (an advertisement's icon)
    QByteArray m_jpeg; // or a box art's JPEG bytes
    QString m_movieId;
    std::string m_url;
    std::shared_ptr<TCardPicture> m_pictureTarget;
    bool m_inDoubleClick = false; // the release that ends a double click is no click of its own
};

/** The large card: box art, title with a soft shadow, wrapped description, the queue position tag. */
class TMovieThumbnail final : public TCustomMovieThumbnail {
    Q_OBJECT
public:
    explicit TMovieThumbnail(QWidget* parent = nullptr);
    const QFont& FontTitle() const { return m_fontTitle; }
    void SetFontTitle(const QFont& font);
    bool ShowTag = false;
    int CalcHeight() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont m_fontTitle;
};

/** The compact card of the returns: box art with one line of text under it. */
class TMovieThumbnailShort final : public TCustomMovieThumbnail {
    Q_OBJECT
public:
    explicit TMovieThumbnailShort(QWidget* parent = nullptr);
    int CalcHeight() const override { return 194; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

/** The advertisement card: an icon of at most 64 x 64 and a bold, centred text. */
class TAdvertismentThumbnail final : public TCustomMovieThumbnail {
    Q_OBJECT
public:
    explicit TAdvertismentThumbnail(QWidget* parent = nullptr);
    int CalcHeight() const override;
    /** Where the icon goes in the 64 x 64 cell at (12, 12). */
    static QRect IconRect(QSize icon);

protected:
    void paintEvent(QPaintEvent* event) override;
};
