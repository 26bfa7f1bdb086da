#include "core/feeds/RefreshCycle.h"
#include "core/settings/OptionsUnit.h"
#include "core/settings/WindowPlacement.h"
#include "platform/Registry.h"
#include "ui/Main.h"
#include "ui/MyTray.h"
#include "ui/PlacementKeeper.h"

#include "support/FakeTrayShell.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

TEST(WindowFlags, TwentyFourLittleEndianBytes) {
    const TWindowFlagsRec rec{-5, 300, 460, 553, 2, 1};
    const std::string bytes = EncodeWindowFlags(rec);
    ASSERT_EQ(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xFB\xFF\xFF\xFF", 4));
    EXPECT_EQ(bytes.substr(8, 4), std::string("\xCC\x01\0\0", 4));
    EXPECT_EQ(bytes[16], '\x02');
    EXPECT_EQ(bytes.substr(17, 3), std::string(3, '\0'));
    EXPECT_EQ(DecodeWindowFlags(bytes), rec);
    EXPECT_FALSE(DecodeWindowFlags(bytes.substr(0, 23)));
    EXPECT_FALSE(DecodeWindowFlags(bytes + "x"));
}

class PlacementTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TFakeTrayShell shell;

    void SetUp() override { SetDefaultConfig(); }
    void TearDown() override { SetDefaultConfig(); }

    void Store(const TWindowFlagsRec& rec) { SaveWindowPlacement(rec); }
};

/** A window shaped as the main one (fixed width, its design and minimum heights), two pages, its placement. */
struct TPlacedWindow {
    QWidget window;
    QTabWidget* pages = new QTabWidget(&window);
    TPlacementKeeper keeper{window, *pages};
    bool minimised = false;

    TPlacedWindow() {
        window.setFixedWidth(460);
        window.setMinimumHeight(360);
        window.resize(460, 553);
        pages->addTab(new QWidget, QStringLiteral("DVDs in Your Queue"));
        pages->addTab(new QWidget, QStringLiteral("Recent"));
        pages->setCurrentIndex(1);
        minimised = keeper.Restore();
    }
};

TEST_F(PlacementTest, RestoreRules) {
    Store({-40, 70, 50, 420, 0, 0});
    {
        TPlacedWindow main;
        EXPECT_EQ(main.window.pos(), QPoint(0, 70)) << "a negative left becomes 0";
        EXPECT_EQ(main.window.height(), 420);
        EXPECT_EQ(main.window.width(), 460) << "a width of 100 or less is ignored, and the width is fixed";
        EXPECT_EQ(main.pages->currentIndex(), 0);
        EXPECT_FALSE(main.minimised);
    }
    Store({10, 20, 460, 90, 0, 7});
    {
        TPlacedWindow main;
        EXPECT_EQ(main.window.height(), 553) << "a height of 100 or less keeps the design height";
        EXPECT_EQ(main.pages->currentIndex(), 1) << "an index out of range keeps the design page";
    }
    Store({10, 20, 460, 300, 1, 1});
    {
        TPlacedWindow main;
        EXPECT_EQ(main.window.height(), 360) << "the minimum height applies";
        EXPECT_TRUE(main.minimised) << "it ended minimised";
    }
    // The main window is placed by the same rules.
    Store({-40, 70, 50, 420, 0, 0});
    TfMain main(nullptr, &shell);
    EXPECT_EQ(main.pos(), QPoint(0, 70));
    EXPECT_EQ(main.height(), 420);
}

TEST_F(PlacementTest, AnotherKindOfValueIsIgnored) {
    {
        platform::TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Software\\Plotvane\\Window", true));
        reg.WriteString("WindowFlags", std::string(24, 'x'));
    }
    TPlacedWindow main;
    EXPECT_EQ(main.window.height(), 553);
}

TEST_F(PlacementTest, TheWindowStoresItsPlacementWhenItGoes) {
    {
        TfMain main(nullptr, &shell);
        main.move(33, 44);
        main.resize(460, 500);
        main.findChild<QTabWidget*>()->setCurrentIndex(0);
        main.show();
    }
    const auto rec = LoadWindowPlacement();
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->Height, 500);
    EXPECT_EQ(rec->Width, 460);
    EXPECT_EQ(rec->ActivePage, 0);
    EXPECT_EQ(rec->State, 0);
}

TEST_F(PlacementTest, CloseButtonGoesToTheTrayAndCloseWaitsForTheFeeds) {
    TfMain main(nullptr, &shell);
    ASSERT_TRUE(main.HasTray());
    main.show();
    main.close();
    EXPECT_FALSE(main.isVisible()) << "hidden in the tray";
    EXPECT_TRUE(main.TrayIcon()->InTray());
    main.RestoreApp();
    EXPECT_TRUE(main.isVisible());

    main.Cycle().AllowClose = false;
    main.miTrayCloseClick();
    EXPECT_TRUE(main.isVisible()) << "\"Close\" does nothing while feeds download";
    EXPECT_FALSE(LoadWindowPlacement());
    main.Cycle().AllowClose = true;
    main.miTrayCloseClick();
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(LoadWindowPlacement()) << "ending stores the placement";
}

TEST_F(PlacementTest, WithoutATrayClosingTheWindowEndsTheProgram) {
    shell.Available = false;
    TfMain main(nullptr, &shell);
    EXPECT_FALSE(main.HasTray());
    main.show();
    main.close();
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(LoadWindowPlacement()) << "it ended as a Close does, not into a tray that is not there";
}

TEST_F(PlacementTest, TrayMenuItemsAreActedOnAfterTheMenuHasClosed) {
    profile.WriteMemberSettings("MEMBER"); // a first start would open the options instead
    TfMain main(nullptr, &shell);
    main.show();
    main.close();
    ASSERT_FALSE(main.isVisible());
    QMenu* menu = nullptr;
    // As QMenu::exec does: the chosen item fires before the menu returns.
    main.TrayIcon()->PopupMenuAt = [&menu](QMenu* shown, QPoint) {
        menu = shown;
        shown->actions().at(0)->trigger();
    };
    main.TrayIcon()->WindowProc(WM_TRAYNOTIFY, WM_RBUTTONUP);
    ASSERT_TRUE(menu);
    QCoreApplication::processEvents();
    EXPECT_TRUE(main.isVisible()) << "\"Show Plotvane\" brings the window back";

    // The first refresh, started as the window showed, must end before "Close" may.
    ASSERT_TRUE(QTest::qWaitFor([&main] { return main.Cycle().AllowClose; }, 20000));
    main.TrayIcon()->PopupMenuAt = [](QMenu* shown, QPoint) { shown->actions().at(2)->trigger(); };
    main.TrayIcon()->WindowProc(WM_TRAYNOTIFY, WM_RBUTTONUP);
    EXPECT_TRUE(main.isVisible()) << "not while the menu is still open";
    QCoreApplication::processEvents();
    EXPECT_FALSE(main.isVisible()) << "\"Close\" ends the program";
    EXPECT_TRUE(LoadWindowPlacement());
}

TEST_F(PlacementTest, StartingMinimisedGoesIntoTheTrayAndKeepsThePlacement) {
    const TWindowFlagsRec stored{200, 150, 460, 500, 1, 0};
    profile.WriteMemberSettings("MEMBER");
    Store(stored);
    {
        TfMain main(nullptr, &shell);
        main.Start();
        QCoreApplication::processEvents();
        EXPECT_FALSE(main.isVisible()) << "hidden into the tray, no task bar entry";
        EXPECT_FALSE(main.Cycle().AllowClose) << "the first refresh runs all the same";
        EXPECT_TRUE(main.TrayIcon()->InTray());
    }
    EXPECT_EQ(LoadWindowPlacement(), stored) << "a window that never stood on the screen keeps where it was";
}

TEST_F(PlacementTest, AStoredPlaceOffTheScreenComesBackOntoIt) {
    Store({3000, 2000, 460, 32767, 0, 0});
    TPlacedWindow placed;
    const QWidget& main = placed.window;
    const QRect screen = QGuiApplication::primaryScreen()->availableVirtualGeometry();
    EXPECT_LE(main.height(), std::max(screen.height(), main.minimumHeight()));
    EXPECT_TRUE(screen.intersects(QRect(main.pos(), main.size()))) << main.pos().x() << "," << main.pos().y();
    EXPECT_GE(main.pos().x(), screen.left());
    EXPECT_GE(main.pos().y(), screen.top());
}
