#include "core/app/CrashReport.h"
#include "core/net/Hosts.h"
#include "core/settings/AutoStart.h"
#include "core/settings/OptionsUnit.h"
#include "core/update/UpdateState.h"
#include "platform/DesktopEntry.h"
#include "platform/LogonEntries.h"
#include "platform/Registry.h"
#include "ui/AboutDlg.h"
#include "ui/TabedLabel.h"
#include "ui/update/InstallReady.h"
#include "ui/update/NewVersionDlg.h"

#include "support/FakeShell.h"
#include "support/QtPrinters.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

namespace {

QImage Grab(QWidget& w) {
    return w.grab().toImage();
}

} // namespace

TEST(TabedLabel, TitleIsCutWithAnEllipsisBeyondTheTab) {
    TTabedLabel label;
    label.resize(200, 80);
    const QFontMetrics fm(label.font());
    label.SetCaption(QStringLiteral("Bug fix"));
    EXPECT_EQ(label.TabWidth(), fm.horizontalAdvance(QStringLiteral("Bug fix")) + 12);
    label.SetCaption(QString(60, QLatin1Char('W')));
    EXPECT_EQ(label.TabWidth(), 200 - 21) << "the tab stops 21 pixels short of the right";
}

TEST(TabedLabel, AutosizeFitsTheText) {
    TTabedLabel label;
    label.resize(300, 10);
    label.SetText({});
    label.SetAutosize(true);
    const int title = QFontMetrics(label.font()).height();
    const int line = QFontMetrics(label.TextFont()).height();
    EXPECT_EQ(label.height(), title + line + 20) << "an empty text keeps one line";
    label.SetText(QString(40, QLatin1Char(' ')).replace(QLatin1Char(' '), QStringLiteral("word ")));
    EXPECT_GT(label.height(), title + 2 * line + 20 - 1) << "wrapped onto several lines";
    const int before = label.height();
    QFont bigger = label.TextFont();
    bigger.setPixelSize(24);
    label.SetTextFont(bigger);
    EXPECT_GT(label.height(), before) << "a larger text font grows it at once";
    label.SetAutosize(false);
    const int fixed = label.height();
    label.SetTextFont(label.font());
    EXPECT_EQ(label.height(), fixed) << "without Autosize the height stays";
    EXPECT_NE(label.FittedHeight(), fixed);
}

TEST(TabedLabel, PixelsOfTheOutlineAndTheGradients) {
    QWidget parent;
    parent.setStyleSheet({});
    TTabedLabel label(&parent);
    label.SetCaption(QStringLiteral("Features"));
    label.SetText(QStringLiteral("Box art in colour."));
    label.SetFillColor(Qt::white);
    label.SetGradientColor(QColor(223, 223, 223));
    label.setGeometry(0, 0, 240, 80);
    const QImage image = Grab(label);
    const int th = QFontMetrics(label.font()).height();
    const int tw = label.TabWidth();
    const int r = 240 - 2, b = 80 - 2;
    const QColor border(127, 157, 185);
    EXPECT_EQ(image.pixelColor(2, 0), border) << "the tab's top edge";
    EXPECT_EQ(image.pixelColor(0, 2), border) << "the left edge below the cut corner";
    EXPECT_NE(image.pixelColor(0, 0), border) << "the corner is cut";
    EXPECT_EQ(image.pixelColor(tw, th), border) << "the tab's right side";
    EXPECT_EQ(image.pixelColor(r, 40), border) << "the body's right side";
    EXPECT_EQ(image.pixelColor(50, b), border) << "the bottom";
    EXPECT_EQ(image.pixelColor(3, 1), QColor(223, 223, 223)) << "the tab's gradient starts in its colour";
    // The bottom band: th / 2 + 1 rows, the last one right above the outline's bottom line.
    const int bandTop = 80 - 3 - th / 2;
    EXPECT_EQ(image.pixelColor(120, bandTop - 1), QColor(Qt::white)) << "above the band";
    EXPECT_NE(image.pixelColor(120, b - 1), QColor(Qt::white)) << "the band's last row";
    EXPECT_EQ(b - bandTop, th / 2 + 1);
    // One pixel outside the body, the button face colour.
    EXPECT_EQ(image.pixelColor(r + 1, 40), label.palette().color(QPalette::Button));
    EXPECT_EQ(image.pixelColor(50, b + 1), label.palette().color(QPalette::Button));
}

TEST(NewVersionDlg, BlocksStackSixteenPixelsApart) {
    TfNewVersionDlg dialog;
    EXPECT_EQ(dialog.size(), QSize(402, 255));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("New version of Plotvane"));
    EXPECT_EQ(dialog.NextTop, 4);
    dialog.AddHeader(QStringLiteral("What's new in Plotvane version 1.2.3.5"), QColor(62, 113, 249));
    auto* header = dialog.ScrollBox->widget()->findChild<QLabel*>(QStringLiteral("tmpLabel0tmp"));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->pos(), QPoint(8, 4));
    EXPECT_TRUE(header->font().bold());
    EXPECT_EQ(header->palette().color(QPalette::WindowText), QColor(62, 113, 249));
    EXPECT_EQ(dialog.NextTop, 4 + header->height() + 16);
    dialog.AddSection(QStringLiteral("Bug fix"), QStringLiteral("The popup no longer flickers."));
    dialog.AddSection(QStringLiteral("Features"),
                      QString(30, QLatin1Char('x')).replace(QLatin1Char('x'), QStringLiteral("more ")));
    auto* first = dialog.ScrollBox->widget()->findChild<TTabedLabel*>(QStringLiteral("tmpTab0tmp"));
    auto* second = dialog.ScrollBox->widget()->findChild<TTabedLabel*>(QStringLiteral("tmpTab1tmp"));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->geometry().topLeft(), QPoint(8, 4 + header->height() + 16));
    EXPECT_EQ(first->width(), dialog.ScrollBox->width() - 34);
    EXPECT_EQ(first->GradientColor(), QColor(223, 223, 223));
    EXPECT_TRUE(first->Autosize());
    EXPECT_EQ(second->y(), first->y() + first->height() + 16);
    EXPECT_GE(dialog.ScrollBox->widget()->height(), dialog.NextTop) << "the box scrolls to the last block";
    if (const char* shots = std::getenv("PV_SHOTS"))
        dialog.grab().save(QString::fromUtf8(shots) + QStringLiteral("/new-version.png"));
}

TEST(DownloadReady, OnlyItsButtonsCloseIt) {
    TfDownloadReady dialog;
    EXPECT_EQ(dialog.size(), QSize(331, 197));
    dialog.show();
    QCloseEvent close;
    QApplication::sendEvent(&dialog, &close);
    EXPECT_FALSE(close.isAccepted()) << "the close box does nothing";
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible()) << "Escape does nothing";
    QTimer::singleShot(0, &dialog, [&] { dialog.Button2->click(); });
    EXPECT_EQ(dialog.exec(), TfDownloadReady::No);
    QTimer::singleShot(0, &dialog, [&] { dialog.Button1->click(); });
    EXPECT_EQ(dialog.exec(), TfDownloadReady::Yes);
}

TEST(AboutDlg, LinksOpenTheVendorsPagesAndMails) {
    TTempProfile profile;
    TFakeShell shell;
    shell.BrowserCommand = "\"/usr/bin/browser\" %u";
    SetDefaultConfig();
    Config.NetFlixID = "SECRET-CODE";
    TfAboutDlg dialog;
    EXPECT_EQ(dialog.size(), QSize(315, 188));
    dialog.lbVersion->setText(QStringLiteral("Version: 1.0.0.1"));
    dialog.lbWWW->linkActivated({});
    dialog.lbTech->linkActivated({});
    dialog.lbTellFriend->linkActivated({});
    dialog.lbBug->linkActivated({});
    ASSERT_EQ(shell.Started.size(), 2u);
    EXPECT_EQ(shell.Started[0], (std::vector<std::string>{"/usr/bin/browser", "http://www.plotvane.example"}));
    EXPECT_EQ(shell.Started[1], (std::vector<std::string>{"/usr/bin/browser", "http://www.plotvane.example/support"}));
    // The tell-a-friend link shares the support link's tag but mails instead.
    ASSERT_EQ(shell.Calls.size(), 2u);
    const QUrl friendMail(QString::fromStdString(shell.Calls[0].File));
    EXPECT_EQ(friendMail.scheme(), QStringLiteral("mailto"));
    EXPECT_TRUE(friendMail.path().isEmpty());
    const QUrlQuery friendQuery(friendMail);
    EXPECT_EQ(friendQuery.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), QStringLiteral("Plotvane"));
    EXPECT_EQ(friendQuery.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
              QString::fromStdString(TfAboutDlg::TellFriendBody()));
    EXPECT_TRUE(TfAboutDlg::TellFriendBody().ends_with("\r\nYou can download it at http://www.plotvane.example/"));
    const QUrl bugMail(QString::fromStdString(shell.Calls[1].File));
    EXPECT_EQ(bugMail.path(), QStringLiteral("bugs@plotvane.example"));
    const QString report = QUrlQuery(bugMail).queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
    EXPECT_EQ(QUrlQuery(bugMail).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
              QStringLiteral("Plotvane report bug from user"));
    EXPECT_TRUE(report.contains(QStringLiteral("Plotvane version: 1.0.0.1")));
    EXPECT_TRUE(report.contains(QStringLiteral("Feed code: set")));
    EXPECT_FALSE(report.contains(QStringLiteral("SECRET-CODE"))) << "the code never leaves in a report";
    if (const char* shots = std::getenv("PV_SHOTS"))
        dialog.grab().save(QString::fromUtf8(shots) + QStringLiteral("/about.png"));
    SetDefaultConfig();
}

TEST(UpdateState, StoredBytesRoundTripAndWrongKindsThrow) {
    TTempProfile profile;
    std::string stream;
    updatestate::Read(stream);
    EXPECT_TRUE(stream.empty()) << "no key: nothing";
    const std::string record("\x01\x00\x00\x00\x05\x03\x02\x01\x02\x00\x00\x00\x00", 13);
    updatestate::Save(record);
    updatestate::Read(stream);
    EXPECT_EQ(stream, record) << "byte for byte";
    platform::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(updatestate::Key, false));
    reg.WriteString(updatestate::Value, "text");
    std::string again;
    EXPECT_THROW(updatestate::Read(again), platform::ERegistryException);
    reg.WriteInteger(updatestate::Value, 5);
    EXPECT_THROW(updatestate::Read(again), platform::ERegistryException);
}

TEST(UpdateState, InstallLaterSchedulesTheInstallerOnce) {
    TTempProfile profile;
    ASSERT_TRUE(updatestate::ScheduleAtLogon("/tmp/plotvane-setup.sh"));
    EXPECT_TRUE(platform::LogonEntryExists(updatestate::LogonEntryId));
    const std::string entry = ReadFile(platform::LogonEntryFile(updatestate::LogonEntryId));
    EXPECT_NE(entry.find("plotvane-setup.sh"), std::string::npos) << entry;
}

TEST(UpdateState, InstallLaterHandsAPackageToTheSystemsHandlerOnce) {
    TTempProfile profile;
    const std::string bin = profile.Path("bin");
    WriteFile(bin + "/xdg-open", "#!/bin/sh\necho \"$1\" >> " + profile.Path("opened") + "\n", 0755);
    profile.SetEnv("PATH", bin + ":/usr/bin:/bin");
    const std::string deb = profile.Path("tmp/plotvane_1.0.1.0_amd64.deb");
    ASSERT_TRUE(updatestate::ScheduleAtLogon(deb));
    const auto exec = platform::ReadDesktopEntryValue(platform::LogonEntryFile(updatestate::LogonEntryId), "Exec");
    ASSERT_TRUE(exec);
    const auto args = platform::SplitDesktopExec(*exec);
    ASSERT_TRUE(args && args->size() == 3) << *exec;
    // What the next logon does with the entry.
    profile.SetEnv("PV_CMD", (*args)[2]);
    ASSERT_EQ(std::system("/bin/sh -c \"$PV_CMD\""), 0);
    EXPECT_EQ(ReadFile(profile.Path("opened")), deb + "\n");
    EXPECT_FALSE(platform::LogonEntryExists(updatestate::LogonEntryId)) << "once only";
}

TEST(CrashReport, ErrorsReachTheHandler) {
    std::vector<std::string> shown;
    crashreport::SetErrorHandler([&](const std::string& m) { shown.push_back(m); });
    EXPECT_FALSE(crashreport::Guard([] { throw std::runtime_error("Bad decompression detected!"); }));
    EXPECT_TRUE(crashreport::Guard([] {}));
    crashreport::SetErrorHandler({});
    EXPECT_EQ(shown, std::vector<std::string>{"Bad decompression detected!"});
    EXPECT_EQ(crashreport::MailToAddress("a@b.example", "x y", "1&2\r\n"),
              "mailto:a%40b.example?subject=x%20y&body=1%262%0D%0A");
}

TEST(NewVersionDlg, TheServersNamesAndNotesAreShownAsWrittenNotAsMarkup) {
    TfNewVersionDlg dialog;
    // Nested tables cost a rich-text layout minutes of CPU; as plain text they are a short line.
    QString markup;
    for (int i = 0; i < 12; ++i)
        markup += QStringLiteral("<table><tr><td>");
    markup += QStringLiteral("<b>Plotvane</b>");
    dialog.AddHeader(QStringLiteral("What's new in %1 version 1.0.1.0").arg(markup), QColor(62, 113, 249));
    dialog.AddNote(QStringLiteral("<img src=\"file:///etc/passwd\"><a href=\"x\">notes</a>"), QColor(0, 0, 0));
    const auto labels = dialog.ScrollBox->widget()->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    for (const QLabel* label : labels) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_GE(label->sizeHint().width(), QFontMetrics(label->font()).horizontalAdvance(label->text()))
            << "every character of " << label->text().toStdString() << " stands on the line";
    }
}
