#include "ui/settings/SetupDlg.h"
#include "core/settings/OptionsUnit.h"

#include "support/FakeShell.h"
#include "support/LoopbackServer.h"
#include "support/QtPrinters.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <mutex>
#include <vector>

namespace {

using TKind = TfSetupDlg::TMessageKind;

struct TShown {
    TKind Kind;
    QString Text;
    bool Step2Enabled;
    bool Hourglass;
};

class SetupDlgTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TLoopbackServer server;
    std::vector<TShown> shown;
    bool answerYes = true;

    void SetUp() override {
        SetDefaultConfig();
        profile.SetEnv("http_proxy", server.Url(""));
        profile.SetEnv("no_proxy", "");
        server.Get("/RSSFeeds", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(pageMutex);
            res.set_content(req.get_param_value("lnkctr") == "mfRSS" ? page : std::string(), "text/html");
        });
    }
    void TearDown() override { SetDefaultConfig(); }

    // The page the service shows now; the server keeps its first handler, so the page changes.
    std::mutex pageMutex;
    std::string page;
    void ServePage(const std::string& text) {
        std::lock_guard lock(pageMutex);
        page = text;
    }

    // A dialog whose message boxes are answered here and recorded.
    std::unique_ptr<TfSetupDlg> Dialog() {
        auto dialog = std::make_unique<TfSetupDlg>();
        TfSetupDlg* d = dialog.get();
        dialog->SetMessageBox([this, d](TKind kind, const QString& text) {
            shown.push_back({kind, text, d->btnStep2->isEnabled(), QApplication::overrideCursor() != nullptr});
            return answerYes;
        });
        return dialog;
    }

    static std::string Links(const std::string& code) {
        return "<a href=\"http://rss.netflix.com/QueueRSS?id=" + code +
               "\">Queue</a> <a href=\"http://rss.netflix.com/TrackingRSS?id=" + code + "\">Tracking</a>";
    }
    static std::string Names(const std::string& signedIn, const std::string& welcome) {
        return "<a onmouseover=\"window.status='Signed in as " + signedIn +
               "';\">x</a><div style=\"padding-top:2px\">Welcome, " + welcome + "</div>";
    }
};

} // namespace

TEST_F(SetupDlgTest, OpensOnTheDiscoveryStepsOnlyWithoutACode) {
    EXPECT_EQ(Dialog()->pcSetup->currentIndex(), 1);
    Config.NetFlixID = "P1";
    auto dialog = Dialog();
    EXPECT_EQ(dialog->pcSetup->currentIndex(), 0);
    EXPECT_EQ(dialog->pcSetup->tabText(0), QStringLiteral("General"));
    EXPECT_EQ(dialog->pcSetup->tabText(1), QStringLiteral("NetFlix"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(dialog->size(), QSize(399, 263));
    EXPECT_EQ(dialog->btnOk->geometry(), QRect(231, 226, 75, 25));
    EXPECT_EQ(dialog->btnCancel->geometry(), QRect(315, 226, 75, 25));
    EXPECT_EQ(dialog->edNetFlixID->geometry(), QRect(6, 148, 379, 21));
    EXPECT_EQ(dialog->cmbProgramUpdates->geometry(), QRect(154, 78, 101, 21));
}

TEST_F(SetupDlgTest, StoredIndicesSelectTheirItemsAndOkStoresWhatWasTyped) {
    Config = {7, 0, 0, "P1", true, false, 46000.25};
    auto dialog = Dialog();
    EXPECT_EQ(dialog->cmbMoviesInQueue->currentText(), QStringLiteral("all"));
    EXPECT_EQ(dialog->cmbCheckForNewMovies->currentText(), QStringLiteral("1 hour"));
    EXPECT_EQ(dialog->cmbProgramUpdates->currentText(), QStringLiteral("never"));
    EXPECT_EQ(dialog->cmbMoviesInQueue->count(), 8);
    EXPECT_EQ(dialog->cmbProgramUpdates->count(), 4);
    EXPECT_TRUE(dialog->cbStartMinimized->isChecked());
    EXPECT_FALSE(dialog->cbAutoStart->isChecked());

    dialog->cmbMoviesInQueue->setCurrentIndex(3);
    dialog->cmbCheckForNewMovies->setCurrentIndex(7);
    dialog->cmbProgramUpdates->setCurrentIndex(3);
    dialog->cbAutoStart->setChecked(true);
    dialog->cbStartMinimized->setChecked(false);
    dialog->edNetFlixID->setText(QStringLiteral("  P9 x "));
    dialog->btnOk->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const TConfigRec expected{3, 7, 3, "  P9 x ", false, true, 46000.25};
    EXPECT_EQ(Config, expected) << "spaces kept, NLFA untouched";
}

TEST_F(SetupDlgTest, CancelKeepsTheSettingsEvenAfterAFoundCode) {
    Config.NetFlixID = "OLD";
    ServePage(Links("NEW42") + Names("Ann", "Ann"));
    const TConfigRec before = Config;
    auto dialog = Dialog();
    dialog->btnStep2->click();
    EXPECT_EQ(dialog->edNetFlixID->text(), QStringLiteral("NEW42"));
    dialog->cmbMoviesInQueue->setCurrentIndex(0);
    dialog->btnCancel->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(Config, before);
}

TEST_F(SetupDlgTest, StepTwoAsksAboutTheNameOrTheCode) {
    auto dialog = Dialog();
    ServePage(Links("P777") + Names("Ann Lee", "Ann Lee"));
    dialog->btnStep2->click();
    ServePage(Links("P778") + Names("Ann", "Bob"));
    dialog->btnStep2->click();
    ServePage(Links("P779") + Names("", ""));
    dialog->btnStep2->click();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].Text,
              QStringLiteral("A NetFlix code found for \"Ann Lee\".\nIf this is your NetFlix user name?"));
    EXPECT_EQ(shown[1].Text,
              QStringLiteral("A NetFlix code found for \"unknown\".\nIf this is your NetFlix user name?"));
    EXPECT_EQ(shown[2].Text, QStringLiteral("A NetFlix code found: P779\nIf this is your NetFlix code?"));
    for (const TShown& s : shown) {
        EXPECT_EQ(s.Kind, TKind::Confirmation);
        EXPECT_FALSE(s.Step2Enabled) << "the button stays disabled until the member has answered";
        EXPECT_FALSE(s.Hourglass) << "the hourglass ends with the download";
    }
    EXPECT_EQ(dialog->edNetFlixID->text(), QStringLiteral("P779"));
    EXPECT_TRUE(dialog->btnStep2->isEnabled());
    // Requested through the proxy as the page of the service's web host.
    EXPECT_EQ(server.Requests().front().Target, "http://www.netflix.com/RSSFeeds?lnkctr=mfRSS");
}

TEST_F(SetupDlgTest, NoMeansTryAgainAndKeepsTheEdit) {
    Config.NetFlixID = "MINE";
    answerYes = false;
    ServePage(Links("THEIRS"));
    auto dialog = Dialog();
    dialog->btnStep2->click();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].Kind, TKind::Information);
    EXPECT_EQ(shown[1].Text, QStringLiteral("Please try again Step1 and Step2."));
    EXPECT_EQ(dialog->edNetFlixID->text(), QStringLiteral("MINE"));
}

TEST_F(SetupDlgTest, PagesWithoutAMatchingPairAndFailedFetchesSayTryAgain) {
    const QString notFound = QStringLiteral("Could not retrive NetFlix code!\nPlease try again Step1 and Step2.");
    auto dialog = Dialog();
    dialog->edNetFlixID->setText(QStringLiteral("KEEP"));
    // Signed out: no personal links at all.
    ServePage("<html>Sign in</html>");
    dialog->btnStep2->click();
    // One character apart.
    ServePage("<a href=\"http://rss.netflix.com/QueueRSS?id=P100\">q</a>"
              "<a href=\"http://rss.netflix.com/TrackingRSS?id=P101\">t</a>");
    dialog->btnStep2->click();
    // Tracking link first and none after the queue link.
    ServePage("<a href=\"http://rss.netflix.com/TrackingRSS?id=P1\">t</a>"
              "<a href=\"http://rss.netflix.com/QueueRSS?id=P1\">q</a>");
    dialog->btnStep2->click();
    // The service cannot be reached.
    profile.SetEnv("http_proxy", "http://127.0.0.1:9");
    dialog->btnStep2->click();
    ASSERT_EQ(shown.size(), 4u);
    for (const TShown& s : shown) {
        EXPECT_EQ(s.Kind, TKind::Error);
        EXPECT_EQ(s.Text, notFound);
    }
    EXPECT_EQ(dialog->edNetFlixID->text(), QStringLiteral("KEEP"));
    EXPECT_EQ(dialog->FoundUserName(), "unknown");
    EXPECT_TRUE(dialog->FoundCode().empty());
}

TEST_F(SetupDlgTest, StepOneOpensTheQueuePage) {
    TFakeShell shell;
    auto dialog = Dialog();
    dialog->btnStep1->click();
    ASSERT_EQ(shell.Calls.size(), 1u);
    EXPECT_EQ(shell.Calls[0], (TFakeShell::TCall{"", "http://www.netflix.com/Queue", "target:blank"}));
    EXPECT_TRUE(dialog->btnStep1->isEnabled());
}

TEST_F(SetupDlgTest, TabOrderFollowsTheGeneralPagesNumbers) {
    Config.NetFlixID = "P1";
    auto dialog = Dialog();
    std::vector<QWidget*> chain;
    QWidget* w = dialog->cmbMoviesInQueue;
    for (int i = 0; i < 5; ++i) {
        chain.push_back(w);
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
    }
    const std::vector<QWidget*> expected{dialog->cmbMoviesInQueue, dialog->cmbCheckForNewMovies,
                                         dialog->cbStartMinimized, dialog->cbAutoStart, dialog->cmbProgramUpdates};
    EXPECT_EQ(chain, expected);
}
