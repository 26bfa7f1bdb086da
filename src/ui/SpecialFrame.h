#pragma once

#include <QColor>
#include <QPolygon>
#include <QWidget>

enum class TCornerStyle { csRect, csRound };

/** A filled panel with a one-pixel frame whose corners are square or cut off diagonally. */
class TSpecialFrame final : public QWidget {
    Q_OBJECT
public:
    explicit TSpecialFrame(QWidget* parent = nullptr);

    void SetFillColor(const QColor& c);
    void SetFrameColor(const QColor& c);
    /** Corners in the order top-left, top-right, bottom-right, bottom-left. */
    void SetCorners(TCornerStyle topLeft, TCornerStyle topRight, TCornerStyle bottomRight, TCornerStyle bottomLeft);
    /** The panel's outline, clockwise from the top left. */
    QPolygon Outline() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
    QColor m_frame;
    TCornerStyle m_topLeft = TCornerStyle::csRect;
    TCornerStyle m_topRight = TCornerStyle::csRect;
    TCornerStyle m_bottomRight = TCornerStyle::csRect;
    TCornerStyle m_bottomLeft = TCornerStyle::csRect;
};
