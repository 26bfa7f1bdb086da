#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

/** A section header: a band with a vertical colour gradient, a border, a picture and one line of text. */
class TGradientLabel final : public QWidget {
    Q_OBJECT
public:
    explicit TGradientLabel(QWidget* parent = nullptr);

    void SetTopColor(const QColor& c) { Set(m_topColor, c); }
    void SetBottomColor(const QColor& c) { Set(m_bottomColor, c); }
    void SetCaption(const QString& caption) { Set(m_caption, caption); }
    const QString& Caption() const { return m_caption; }
    void SetImage(const QPixmap& image) { Set(m_image, image); }
    void SetIndent(int indent) { Set(m_indent, indent); }
    void SetTextSpace(int space) { Set(m_textSpace, space); }
    void SetBorder(bool border) { Set(m_border, border); }
    void SetBorderColor(const QColor& c) { Set(m_borderColor, c); }
    void SetVerticalOffset(int offset) { Set(m_verticalOffset, offset); }
    void SetShadowColor(const QColor& c) { Set(m_shadowColor, c); }
    void SetShadow(bool shadow) { Set(m_shadow, shadow); }

    /** Where the caption goes (the text rectangle of the paint). */
    QRect TextRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    template <class T>
    void Set(T& field, const T& value) {
        field = value;
        repaint();
    }
    int TextLeft() const;

    QColor m_topColor = Qt::white;
    QColor m_bottomColor;
    QString m_caption;
    QPixmap m_image;
    int m_indent = 4;
    int m_textSpace = 4;
    bool m_border = true;
    QColor m_borderColor;
    int m_verticalOffset = 0;
    QColor m_shadowColor;
    bool m_shadow = false;
};
