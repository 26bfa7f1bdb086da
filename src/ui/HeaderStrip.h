#pragma once

#include <QWidget>

class QLabel;
class TTextLink;

/**
 * The strip above the tabs: the logo, which opens the vendor's site, and the three text links
 * "Go to Queue", "Options" and "About".
 */
class THeaderStrip final : public QWidget {
    Q_OBJECT
public:
    explicit THeaderStrip(QWidget* parent);

    const QLabel* Logo() const { return m_logo; }
    /** While the lists are rebuilt there is no queue to go to and no options to change. */
    void SetBusy(bool busy);

Q_SIGNALS:
    void LogoClicked();
    void GoToQueueClicked();
    void OptionsClicked();
    void AboutClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_logo = nullptr;
    TTextLink* m_goToQueue = nullptr;
    TTextLink* m_options = nullptr;
    TTextLink* m_about = nullptr;
};
