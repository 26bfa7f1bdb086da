#include "core/feeds/RefreshCycle.h"
#include "core/settings/AutoStart.h"
#include "core/settings/OptionsUnit.h"
#include "core/update/SFUpdate.h"
#include "core/update/UpdateState.h"
#include "platform/LogonEntries.h"
#include "ui/AboutDlg.h"
#include "ui/Main.h"
#include "ui/update/InstallReady.h"
#include "ui/update/NewVersionDlg.h"

#include "support/FakeShell.h"
#include "support/FakeTrayShell.h"
#include "support/QtPrinters.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

class MainUpdateTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TFakeTrayShell tray;
    TFakeShell shell;
    std::unique_ptr<TfMain> main;

    void SetUp() override {
        SetDefaultConfig();
        profile.SetEnv("http_proxy", "http://127.0.0.1:9");
        profile.WriteMemberSettings("T");
        main = std::make_unique<TfMain>(nullptr, &tray);
        main->show();
        QTRY_VERIFY_WITH_TIMEOUT(main->Cycle().RefreshTimer().isActive(), 10000);
    }
    void TearDown() override {
        main.reset();
        SetDefaultConfig();
    }

    // Answers the next modal dialog of type T with act.
    template <class T>
    void Answer(std::function<void(T&)> act) {
        QTimer::singleShot(0, [act] {
            auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(*dialog);
        });
    }
};

} // namespace

TEST_F(MainUpdateTest, TheNewVersionDialogShowsTheNotesAndTheAnswer) {
    QString header, note;
    bool sections = true;
    Answer<TfNewVersionDlg>([&](TfNewVersionDlg& d) {
        EXPECT_EQ(d.lbNewVersion->text(), QStringLiteral("New version: 1.2.3.5"));
        EXPECT_EQ(d.lbCurVersion->text(), QStringLiteral("Current version: 0.0.0.0")) << "the test program has no note";
        header = d.findChild<QLabel*>(QStringLiteral("tmpLabel0tmp"))->text();
        const auto* grey = d.findChild<QLabel*>(QStringLiteral("tmpLabel1tmp"));
        note = grey ? grey->text() : QString();
        sections = d.findChild<QWidget*>(QStringLiteral("tmpTab0tmp")) != nullptr;
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    bool toDownload = true;
    main->SFUpdateNewVersionAvailable(0x01020305, toDownload);
    EXPECT_FALSE(toDownload) << "Escape is Later";
    EXPECT_EQ(header, QStringLiteral("What's new in  version 1.2.3.5")) << "no answer yet: no project name";
    EXPECT_EQ(note, QStringLiteral("No additional information about."));
    EXPECT_FALSE(sections);

    Answer<TfNewVersionDlg>([](TfNewVersionDlg& d) { d.Button1->click(); });
    main->SFUpdateNewVersionAvailable(0x01020305, toDownload);
    EXPECT_TRUE(toDownload);
}

TEST_F(MainUpdateTest, InstallLaterHandsTheNextLogonToTheInstaller) {
    SetAutoStart(true);
    Config.AutoStartup = true;
    ASSERT_TRUE(platform::LogonEntryExists("plotvane"));
    const std::string installer = profile.Path("tmp/plotvane-setup.sh");
    WriteFile(installer, "#!/bin/sh\n", 0755);
    Answer<TfDownloadReady>([](TfDownloadReady& d) { d.Button2->click(); });
    bool autoExecute = true;
    main->SFUpdateDownloadComplete(installer, autoExecute);
    EXPECT_FALSE(autoExecute);
    EXPECT_FALSE(platform::LogonEntryExists("plotvane")) << "the program's own entry is withdrawn";
    EXPECT_TRUE(platform::LogonEntryExists(updatestate::LogonEntryId));
    EXPECT_TRUE(Config.AutoStartup) << "the setting itself stays";
    EXPECT_TRUE(main->isVisible()) << "the program goes on";
    EXPECT_TRUE(shell.Calls.empty());
}

TEST_F(MainUpdateTest, InstallNowRunsTheInstallerAndEnds) {
    const std::string installer = profile.Path("tmp/plotvane-setup.sh");
    WriteFile(installer, "#!/bin/sh\n", 0755);
    main->Cycle().AllowClose = false; // even in the middle of a refresh
    Answer<TfDownloadReady>([](TfDownloadReady& d) { d.Button1->click(); });
    bool autoExecute = true;
    main->SFUpdateDownloadComplete(installer, autoExecute);
    EXPECT_FALSE(autoExecute);
    ASSERT_EQ(shell.Calls.size(), 1u);
    EXPECT_EQ(shell.Calls[0], (TFakeShell::TCall{"open", installer, ""}));
    EXPECT_FALSE(main->isVisible()) << "the window is closed, which ends the program";
    EXPECT_FALSE(platform::LogonEntryExists(updatestate::LogonEntryId));
}

TEST_F(MainUpdateTest, InstallNowWithoutTheFileStillEnds) {
    Answer<TfDownloadReady>([](TfDownloadReady& d) { d.Button1->click(); });
    bool autoExecute = false;
    main->SFUpdateDownloadComplete(profile.Path("tmp/gone.sh"), autoExecute);
    EXPECT_TRUE(shell.Calls.empty());
    EXPECT_FALSE(main->isVisible());
}

TEST_F(MainUpdateTest, AboutShowsTheInstalledVersion) {
    QString version;
    Answer<TfAboutDlg>([&](TfAboutDlg& d) {
        version = d.lbVersion->text();
        EXPECT_FALSE(d.imgAbout->pixmap().isNull()) << "the main window's logo";
        QTest::keyClick(&d, Qt::Key_Return);
    });
    main->ShowAbout();
    EXPECT_EQ(version, QStringLiteral("Version: 0.0.0.0")) << "the test program carries no version note";
}
