#pragma once

#include <QAbstractButton>

/**
 * A text link of the header strip: bold, underlined and blue, grey while disabled, the hand
 * cursor, one Tab stop with a focus mark, and "clicked" by the mouse, Space or Enter. Screen
 * readers see a link they can press.
 */
class TTextLink final : public QAbstractButton {
    Q_OBJECT
public:
    TTextLink(const QString& caption, QWidget* parent);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
