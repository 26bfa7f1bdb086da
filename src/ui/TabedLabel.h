#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

/**
 * A card with a file tab: a short title on the tab, a longer word-wrapped description in the
 * framed body below. With Autosize the height follows the text.
 */
class TTabedLabel final : public QWidget {
    Q_OBJECT
public:
    explicit TTabedLabel(QWidget* parent = nullptr);

    const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    const QString& Text() const { return m_text; }
    void SetText(const QString& text);
    bool Autosize() const { return m_autosize; }
    void SetAutosize(bool on);
    const QFont& TextFont() const { return m_textFont; }
    void SetTextFont(const QFont& font);
    void SetFillColor(const QColor& c) { Store(m_fillColor, c); }
    void SetGradientColor(const QColor& c) { Store(m_gradientColor, c); }
    void SetBorderColor(const QColor& c) { Store(m_borderColor, c); }
    void SetShadowColor(const QColor& c) { Store(m_shadowColor, c); }
    void SetShadow(bool on) { Store(m_shadow, on); }
    const QColor& FillColor() const { return m_fillColor; }
    const QColor& GradientColor() const { return m_gradientColor; }
    const QColor& BorderColor() const { return m_borderColor; }

    /** The title's height, plus the wrapped text's, plus 20. */
    int FittedHeight() const;
    /** The tab's width: the title's plus 12, at most the width less 21. */
    int TabWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    template <class T>
    void Store(T& field, const T& value) {
        field = value;
        update();
    }
    void Adjust();
    QPolygon Outline(int tabWidth, int titleHeight) const;

    QString m_caption = QStringLiteral("Caption here");
    QString m_text = QStringLiteral("Description here...");
    QColor m_fillColor;
    QColor m_gradientColor{255, 255, 155};
    QColor m_borderColor{127, 157, 185};
    QColor m_shadowColor;
    bool m_shadow = false;
    QFont m_textFont;
    bool m_autosize = false;
};
