#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TSpecialFrame;

/** The installer is downloaded: Install now or Install later; nothing else closes it. */
class TfDownloadReady final : public QDialog {
    Q_OBJECT
public:
    /** The results of the two buttons. */
    enum TResult { Yes = 6, No = 7 };

    explicit TfDownloadReady(QWidget* parent = nullptr);

    TSpecialFrame* SpecialFrame1 = nullptr;
    QLabel* imgPlotvaneLogo = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lbVersion = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool CloseAllowed = false;
};
