#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TSpecialFrame;

/** The About box: the logo, the installed version, and four links. */
class TfAboutDlg final : public QDialog {
    Q_OBJECT
public:
    explicit TfAboutDlg(QWidget* parent = nullptr);

    /** The click handler the web-site, bug and support links share, told apart by their tag. */
    void lbTechClick(QLabel* sender);
    void lbTellFriendClick();

    TSpecialFrame* SpecialFrame1 = nullptr;
    TSpecialFrame* SpecialFrame2 = nullptr;
    QLabel* imgAbout = nullptr;
    QLabel* lbVersion = nullptr;
    QLabel* lbBug = nullptr;
    QLabel* lbTech = nullptr;
    QLabel* lbWWW = nullptr;
    QLabel* lbTellFriend = nullptr;
    QPushButton* btnOk = nullptr;

    /** The body of the tell-a-friend message. */
    static std::string TellFriendBody();
};
