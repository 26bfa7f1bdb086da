#pragma once

#include <QWidget>

#include <functional>

class QLabel;

/** The notification near the tray: a small window at the bottom right of the work area. */
class TfPopupWin final : public QWidget {
    Q_OBJECT
public:
    explicit TfPopupWin(QWidget* owner = nullptr);

    void SetMessage(const QString& text);
    void SetOnMessageDblClick(std::function<void()> handler) { m_onDblClick = std::move(handler); }
    /** Shows the window in the bottom right corner of the primary screen's work area. */
    void ShowAtWorkAreaCorner();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QLabel* m_message;
    std::function<void()> m_onDblClick;
};
