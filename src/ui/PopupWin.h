#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;

/**
 * The notification near the tray: fades in, holds five seconds, fades out and destroys itself.
 * A double click on the message runs the owner's action; the close glyph closes it at once.
 */
class TfPopupWin final : public QWidget {
    Q_OBJECT
public:
    enum class TPhase { FadeIn, Hold, FadeOut };

    explicit TfPopupWin(QWidget* owner = nullptr);

    void SetOnMessageDblClick(std::function<void(TfPopupWin* sender)> action) { m_onDblClick = std::move(action); }
    void SetMessage(const QString& text);
    QString Message() const;
    /** Places the window in the bottom right corner of the primary screen's work area. */
    void PlaceAtWorkAreaCorner();

    int Alpha() const { return m_alpha; }
    TPhase Phase() const { return m_phase; }
    const QTimer& AlphaTimer() const { return tmAlpha; }
    /** One tick of the alpha timer, in whatever phase it is. */
    void tmAlphaTimer();
    void lbMessageDblClick();
    void Image2Click() { close(); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetAlpha(int alpha);
    void EnterPhase(TPhase phase, int intervalMs);

    QLabel* lbMessage;
    QLabel* Image2;
    QTimer tmAlpha;
    int m_alpha = 0;
    TPhase m_phase = TPhase::FadeIn;
    std::function<void(TfPopupWin*)> m_onDblClick;
};
