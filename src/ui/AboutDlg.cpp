#include "ui/AboutDlg.h"

#include "core/app/CrashReport.h"
#include "core/net/Hosts.h"
#include "core/settings/OptionsUnit.h"
#include "ui/DialogFrame.h"
#include "ui/SpecialFrame.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

const char* const TagProperty = "tag";

QLabel* TaggedLink(QWidget* parent, const char* text, int tag, int left, int top, int width = -1, int height = -1) {
    QLabel* link = dialogframe::Link(parent, QString::fromUtf8(text));
    link->setProperty(TagProperty, tag);
    if (width > 0) {
        // Right-aligned: a wider font than the layout's grows it to the left, the right edge kept.
        const int needed = std::max(width, link->sizeHint().width());
        link->setGeometry(left + width - needed, top, needed, std::max(height, link->sizeHint().height()));
        link->setAlignment(Qt::AlignRight | Qt::AlignTop);
    } else {
        link->move(left, top);
        link->adjustSize();
    }
    return link;
}

} // namespace

TfAboutDlg::TfAboutDlg(QWidget* parent)
    : QDialog(parent) {
    dialogframe::Prepare(*this, QStringLiteral("About Plotvane"), {315, 188});
    SpecialFrame2 = dialogframe::WhitePanel(this, 0, 78, 315, 59);
    SpecialFrame1 = dialogframe::WhitePanel(this, 0, 0, 315, 79);
    imgAbout = new QLabel(this);
    imgAbout->move(6, 8);
    lbVersion =
        dialogframe::PanelLabel(this, QStringLiteral("Version:"), 14, 50, true, palette().color(QPalette::WindowText));
    lbBug = TaggedLink(this, "Report a bug", 2, 235, 88, 62, 13);
    lbTech = TaggedLink(this, "Tech support", 3, 234, 111, 63, 13);
    lbWWW = TaggedLink(this, "Go to Web site", 1, 14, 111);
    // Tagged like the support link; its own handler opens the mail instead.
    lbTellFriend = TaggedLink(this, "Tell a Friend about Plotvane", 3, 15, 88);
    for (QLabel* link : {lbBug, lbTech, lbWWW})
        connect(link, &QLabel::linkActivated, this, [this, link] { lbTechClick(link); });
    connect(lbTellFriend, &QLabel::linkActivated, this, [this] { lbTellFriendClick(); });
    btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnOk->setGeometry(120, 154, 75, 25);
    btnOk->setDefault(true);
    // Escape closes a dialog already; Enter goes to the default button.
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
}

void TfAboutDlg::lbTechClick(QLabel* sender) {
    const std::string site(hosts::VendorWeb);
    switch (sender ? sender->property(TagProperty).toInt() : 0) {
    case 1:
        OpenURL(site);
        break;
    case 2:
        crashreport::SendMail(std::string(hosts::BugReportMail), "Plotvane report bug from user",
                              crashreport::BugReport(lbVersion->text().mid(9).toStdString()));
        break;
    case 3:
        OpenURL(site + "/support");
        break;
    default:
        break;
    }
}

std::string TfAboutDlg::TellFriendBody() {
    return "I wanted to let you know about a program which you might find useful. Plotvane is free software that "
           "will let you easily keep track of your NetFlix movie Queue right from your computer's desktop.\r\n"
           "You can download it at " +
           std::string(hosts::VendorWeb) + "/";
}

void TfAboutDlg::lbTellFriendClick() {
    crashreport::SendMail({}, "Plotvane", TellFriendBody());
}
