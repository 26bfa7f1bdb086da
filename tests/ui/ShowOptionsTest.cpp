#include "core/feeds/RefreshCycle.h"
#include "core/settings/OptionsUnit.h"
#include "core/update/SFUpdate.h"
#include "ui/Main.h"
#include "ui/settings/SetupDlg.h"

#include "support/FakeTrayShell.h"
#include "support/FileFaults.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <optional>

namespace {

class ShowOptionsTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TFakeTrayShell shell;
    std::unique_ptr<TfMain> main;

    void SetUp() override {
        SetDefaultConfig();
        profile.SetEnv("http_proxy", "http://127.0.0.1:9");
        profile.WriteMemberSettings("T");
        main = std::make_unique<TfMain>(nullptr, &shell);
        main->show();
        // The first cycle ends quickly, its requests refused; wait until the timer runs.
        QTRY_VERIFY_WITH_TIMEOUT(main->Cycle().RefreshTimer().isActive(), 10000);
    }
    void TearDown() override {
        main.reset();
        SetDefaultConfig();
    }

    // Opens the options, lets edit change the dialog, and leaves it with Ok or Cancel.
    void RunOptions(const std::function<void(TfSetupDlg&)>& edit, bool ok) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TfSetupDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            edit(*dialog);
            (ok ? dialog->btnOk : dialog->btnCancel)->click();
        });
        main->ShowOptions();
        EXPECT_TRUE(seen);
    }
    std::string Registry() const { return ReadFile(profile.RegistryFile()); }
    bool LogonEntry() const {
        return QFile::exists(QString::fromStdString(profile.Path(".config/autostart/plotvane.desktop")));
    }
};

} // namespace

TEST_F(ShowOptionsTest, OkSavesAndAppliesEverySetting) {
    QTimer& timer = main->Cycle().RefreshTimer();
    ASSERT_EQ(timer.interval(), 3 * 360000);
    RunOptions(
        [](TfSetupDlg& d) {
            d.cmbCheckForNewMovies->setCurrentIndex(0);
            d.cmbProgramUpdates->setCurrentIndex(3);
            d.cbAutoStart->setChecked(true);
            d.cbStartMinimized->setChecked(true);
        },
        true);
    EXPECT_NE(Registry().find("\"Check for new movies\"=dword:00000000"), std::string::npos) << Registry();
    EXPECT_NE(Registry().find("\"Update interval\"=dword:00000003"), std::string::npos);
    EXPECT_NE(Registry().find("\"Minimize on run\"=dword:00000001"), std::string::npos);
    EXPECT_TRUE(LogonEntry());
    EXPECT_EQ(timer.interval(), 360000) << "the row captioned \"1 hour\" checks every 6 minutes";
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(main->Updater().UpdateMode(), TUpdateMode::umMonthly);
    EXPECT_TRUE(main->Cycle().AllowClose) << "nothing to reload";

    // And off again.
    RunOptions([](TfSetupDlg& d) { d.cbAutoStart->setChecked(false); }, true);
    EXPECT_FALSE(LogonEntry());
}

TEST_F(ShowOptionsTest, ANewIntervalStartsAStoppedTimer) {
    QTimer& timer = main->Cycle().RefreshTimer();
    timer.stop();
    RunOptions([](TfSetupDlg&) {}, true);
    EXPECT_FALSE(timer.isActive()) << "the same interval leaves the timer as it was";
    RunOptions([](TfSetupDlg& d) { d.cmbCheckForNewMovies->setCurrentIndex(7); }, true);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 24 * 360000);
}

TEST_F(ShowOptionsTest, ReloadOnlyForANewCodeOrQueueLength) {
    RunOptions([](TfSetupDlg& d) { d.cmbProgramUpdates->setCurrentIndex(0); }, true);
    EXPECT_TRUE(main->Cycle().AllowClose);
    RunOptions([](TfSetupDlg& d) { d.edNetFlixID->setText(QStringLiteral("T ")); }, true);
    EXPECT_FALSE(main->Cycle().AllowClose) << "a code that differs by a space is another code: a refresh began";
    QTRY_VERIFY_WITH_TIMEOUT(main->Cycle().RefreshTimer().isActive(), 10000);
    RunOptions([](TfSetupDlg& d) { d.cmbMoviesInQueue->setCurrentIndex(5); }, true);
    EXPECT_FALSE(main->Cycle().AllowClose);
    EXPECT_EQ(Config.NetFlixID, "T ");
}

TEST_F(ShowOptionsTest, CancelChangesNothing) {
    const std::string before = Registry();
    const TConfigRec config = Config;
    RunOptions(
        [](TfSetupDlg& d) {
            d.edNetFlixID->setText(QStringLiteral("OTHER"));
            d.cbAutoStart->setChecked(true);
            d.cmbCheckForNewMovies->setCurrentIndex(0);
        },
        false);
    EXPECT_EQ(Config, config);
    EXPECT_EQ(Registry(), before);
    EXPECT_FALSE(LogonEntry());
    EXPECT_EQ(main->Cycle().RefreshTimer().interval(), 3 * 360000);
    EXPECT_EQ(main->Updater().UpdateMode(), TUpdateMode::umDaily) << "the design value stays";
    EXPECT_TRUE(main->Cycle().AllowClose);
}

TEST_F(ShowOptionsTest, ASaveThatFailsIsToldAndTheValuesStayForTheSession) {
    const std::string folder = profile.Path(".config/Plotvane");
    TReadOnlyFolder readOnly(folder);
    if (!readOnly.Active())
        GTEST_SKIP() << "this file system can make no folder read-only for this user";
    const std::string before = Registry();
    QString warning;
    // The warning comes after the dialog has gone, from ShowOptions itself.
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            warning = box->text();
            box->accept();
        }
    });
    watcher.start(20);
    RunOptions([](TfSetupDlg& d) { d.edNetFlixID->setText(QStringLiteral("NEWCODE")); }, true);
    watcher.stop();
    EXPECT_TRUE(warning.contains(QStringLiteral("could not save its settings"))) << warning.toStdString();
    EXPECT_EQ(Config.NetFlixID, "NEWCODE") << "the confirmed values apply until the program ends";
    EXPECT_EQ(Registry(), before);
}
