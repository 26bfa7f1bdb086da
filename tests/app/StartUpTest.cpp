#include "core/app/StartUp.h"
#include "core/feeds/RefreshCycle.h"
#include "core/settings/OptionsUnit.h"
#include "platform/LogonEntries.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "ui/Main.h"

#include "support/TempProfile.h"

#include <gtest/gtest.h>

namespace {

class StartUpTest : public ::testing::Test {
protected:
    TTempProfile profile;
    void SetUp() override { SetDefaultConfig(); }
    void TearDown() override { SetDefaultConfig(); }
};

} // namespace

TEST_F(StartUpTest, FreshAccountGetsTheDataAndCacheFolders) {
    InitializeFolders();
    EXPECT_EQ(DataFolder, profile.Path(".local/share/Plotvane/Plotvane/"));
    EXPECT_EQ(CacheFolder, DataFolder + "Cache/");
    EXPECT_TRUE(platform::DirectoryExists(CacheFolder));
    EXPECT_EQ(TempFolder, profile.Path("tmp/"));
}

TEST_F(StartUpTest, FoldersFallBackWhenTheyCannotBeCreated) {
    WriteFile(profile.Path(".local/share/Plotvane"), "a file in the way");
    InitializeFolders();
    EXPECT_EQ(DataFolder, platform::ExtractFilePath(platform::ExecutablePath()));
    EXPECT_EQ(CacheFolder, DataFolder + "Cache/") << "the executable's folder takes the cache then";

    WriteFile(profile.Path(".local/share/Plotvane"), "");
    QFile::remove(QString::fromStdString(profile.Path(".local/share/Plotvane")));
    QDir().mkpath(QString::fromStdString(profile.Path(".local/share/Plotvane/Plotvane")));
    WriteFile(profile.Path(".local/share/Plotvane/Plotvane/Cache"), "a file where the cache goes");
    InitializeFolders();
    EXPECT_EQ(DataFolder, profile.Path(".local/share/Plotvane/Plotvane/"));
    EXPECT_EQ(CacheFolder, "Cache/");
}

TEST_F(StartUpTest, MainWindowLooksAsDesigned) {
    TfMain main;
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Plotvane"));
    EXPECT_EQ(main.minimumWidth(), 460);
    EXPECT_EQ(main.maximumWidth(), 460);
    EXPECT_EQ(main.minimumHeight(), 360);
    EXPECT_EQ(main.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_TRUE(main.Cycle().AllowClose);
    EXPECT_TRUE(main.Cycle().FirstCycle);
    main.show();
    const QImage shot = main.grab().toImage();
    EXPECT_EQ(shot.pixelColor(shot.width() / 2, shot.height() / 2), QColor(Qt::white));
}

TEST_F(StartUpTest, CreationLoadsTheSettingsAndTheLogonEntryDecidesAutoStartup) {
    {
        platform::TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(ConfigKey, true));
        reg.WriteInteger("Movies in queue", 4);
        reg.WriteInteger("Check for new movies", 1);
        reg.WriteInteger("Update interval", 3);
        reg.WriteString("NetFlixID", "P77");
        reg.WriteInteger("Minimize on run", 1);
        reg.WriteInteger("Auto startup", 1);
        reg.WriteDateTime("NLFA", 46000.0);
    }
    {
        TfMain main;
        EXPECT_EQ(Config.MoviesInQueue, 4);
        EXPECT_EQ(Config.NetFlixID, "P77");
        EXPECT_FALSE(Config.AutoStartup) << "no logon entry, whatever was stored";
        main.Start(); // no tray here: minimised onto the task bar
        EXPECT_TRUE(main.windowState() & Qt::WindowMinimized) << "minimize on run";
        main.RestoreApp();
        EXPECT_FALSE(main.windowState() & Qt::WindowMinimized);
    }
    ASSERT_TRUE(platform::WriteLogonEntry("plotvane", "Plotvane", "/usr/bin/plotvane"));
    TfMain main;
    EXPECT_TRUE(Config.AutoStartup);
}
