#include "ui/MyTray.h"

#include "support/FakeTrayShell.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QTest>
#include <QWidget>

namespace {

QIcon Coloured(Qt::GlobalColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

class TrayIconTest : public ::testing::Test {
protected:
    TFakeTrayShell shell;
    QWidget window;
    QMenu menu;
    std::vector<std::string> events;
    std::vector<QPoint> menusAt;

    std::unique_ptr<TTrayIconEx> Make() {
        auto tray = std::make_unique<TTrayIconEx>(shell, &window);
        tray->SetPopupMenu(&menu);
        tray->PopupMenuAt = [this, raw = tray.get()](QMenu*, QPoint at) {
            menusAt.push_back(at);
            EXPECT_TRUE(raw->MenuOpen());
            events.push_back("menu");
        };
        tray->OnRestoreApp = [this](TTrayIconEx*) { events.push_back("restore"); };
        tray->OnLButtonDown = [this](TTrayIconEx*) { events.push_back("ldown"); };
        tray->OnLButtonUp = [this](TTrayIconEx*) { events.push_back("lup"); };
        tray->OnLButtonDblClick = [this](TTrayIconEx*) { events.push_back("ldbl"); };
        tray->OnRButtonUp = [this](TTrayIconEx*) { events.push_back("rup"); };
        tray->OnBalloonHintClick = [this](TTrayIconEx*) { events.push_back("balloon"); };
        return tray;
    }
};

} // namespace

TEST_F(TrayIconTest, RecordLayoutFollowsTheShellVersion) {
    const std::string longHint(200, 'h');
    for (const auto& [version, size, tip] :
         {std::tuple{4, 88u, 63u}, std::tuple{5, 488u, 127u}, std::tuple{6, 488u, 127u}}) {
        shell.Version = version;
        auto tray = Make();
        tray->SetHint(longHint);
        EXPECT_EQ(tray->Record().cbSize, size) << version;
        EXPECT_EQ(tray->Record().szTip.size(), tip) << version;
        EXPECT_EQ(tray->Record().uCallbackMessage, 0x2420u);
    }
}

TEST_F(TrayIconTest, HintSetsTheTipFlagAndSameTextSendsNothing) {
    auto tray = Make();
    EXPECT_EQ(tray->Record().uFlags, 3u);
    tray->SetHint("Plotvane");
    EXPECT_EQ(tray->Record().uFlags, 7u);
    const std::size_t sent = shell.Calls.size();
    tray->SetHint("Plotvane");
    EXPECT_EQ(shell.Calls.size(), sent);
    tray->SetHint("");
    EXPECT_EQ(tray->Record().uFlags, 3u);
    EXPECT_EQ(shell.Calls.back().Message, TNotifyMessage::Modify);
}

TEST_F(TrayIconTest, LoadedAddsTheIconOrRaises) {
    auto tray = Make();
    tray->Loaded();
    EXPECT_EQ(shell.CountOf(TNotifyMessage::Add), 1u);
    EXPECT_TRUE(tray->InTray());
    const std::size_t sent = shell.Calls.size();
    tray->SetEnabled(true);
    EXPECT_EQ(shell.Calls.size(), sent) << "writing Enabled with its value sends nothing";

    shell.Available = false;
    auto refused = Make();
    try {
        refused->Loaded();
        FAIL() << "no exception";
    } catch (const ETrayIconError& error) {
        EXPECT_STREQ(error.what(), "Cannot create Shell Notification Icon");
    }
    EXPECT_FALSE(refused->InTray());
}

TEST_F(TrayIconTest, GesturesFollowTheTable) {
    auto tray = Make();
    tray->Loaded();
    window.showMinimized();
    tray->WindowProc(WM_TRAYNOTIFY, WM_LBUTTONDOWN);
    tray->WindowProc(WM_TRAYNOTIFY, WM_LBUTTONUP);
    EXPECT_EQ(events, (std::vector<std::string>{"ldown", "lup"})) << "a single left click only fires events";
    events.clear();
    tray->WindowProc(WM_TRAYNOTIFY, WM_LBUTTONDBLCLK);
    EXPECT_EQ(events, (std::vector<std::string>{"restore", "ldbl"}));
    events.clear();
    tray->WindowProc(WM_TRAYNOTIFY, WM_RBUTTONUP);
    EXPECT_EQ(events, (std::vector<std::string>{"menu", "rup"}));
    EXPECT_EQ(menusAt.back(), QPoint(100, 200));
    EXPECT_FALSE(tray->MenuOpen());
    events.clear();
    tray->PopupMenuOn = TTrayIconClicks::ticLeftDblClick;
    tray->WindowProc(WM_TRAYNOTIFY, WM_LBUTTONDBLCLK);
    EXPECT_EQ(events, (std::vector<std::string>{"restore", "menu", "ldbl"})) << "restore first, then the menu";
    events.clear();
    tray->WindowProc(WM_TRAYNOTIFY, NIN_BALLOONUSERCLICK);
    tray->WindowProc(WM_TRAYNOTIFY, 0x9999);
    EXPECT_EQ(events, std::vector<std::string>{"balloon"});
    EXPECT_EQ(tray->WindowProc(WM_QUERYENDSESSION, 0), 1) << "never blocks a log-off";
    EXPECT_EQ(tray->WindowProc(WM_ENDSESSION, 0), 0);
    EXPECT_EQ(shell.Calls.back().Message, TNotifyMessage::Delete);
}

TEST_F(TrayIconTest, DoubleClickWhileTheMenuIsOpenDoesNotRestore) {
    auto tray = Make();
    tray->Loaded();
    tray->PopupMenuAt = [&](QMenu*, QPoint) {
        events.push_back("menu");
        tray->WindowProc(WM_TRAYNOTIFY, WM_LBUTTONDBLCLK);
    };
    tray->WindowProc(WM_TRAYNOTIFY, WM_RBUTTONUP);
    EXPECT_EQ(events, (std::vector<std::string>{"menu", "ldbl", "rup"}));
}

TEST_F(TrayIconTest, TheIconComesBackWithTheTray) {
    shell.Available = false;
    auto tray = Make();
    EXPECT_THROW(tray->Loaded(), ETrayIconError);
    shell.Available = true;
    ASSERT_TRUE(shell.OnTaskbarCreated);
    shell.OnTaskbarCreated();
    EXPECT_TRUE(tray->InTray());
    EXPECT_EQ(shell.CountOf(TNotifyMessage::Add), 2u);

    tray->SetEnabled(false);
    const std::size_t adds = shell.CountOf(TNotifyMessage::Add);
    shell.OnTaskbarCreated();
    EXPECT_EQ(shell.CountOf(TNotifyMessage::Add), adds) << "a disabled icon stays away";
    shell.Available = false;
    EXPECT_THROW(tray->SetEnabled(true), ETrayIconError) << "enabling without a tray says so";
}

TEST_F(TrayIconTest, MinimiseHidesTheWindowAndRestoreBringsItBack) {
    auto tray = Make();
    tray->Loaded();
    window.show();
    tray->MinimizeApp();
    EXPECT_FALSE(window.isVisible());
    tray->RestoreApp();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    tray->HideOnMinimize = false;
    tray->MinimizeApp();
    EXPECT_TRUE(window.isVisible()) << "without HideOnMinimize the task bar button stays";
}

TEST_F(TrayIconTest, AnimationCyclesThroughTheImages) {
    auto tray = Make();
    tray->SetInterval(10);
    tray->SetAnimate(true);
    QTest::qWait(50);
    EXPECT_EQ(tray->IconIndex(), 0) << "without images the ticks change nothing";
    tray->SetIcons({Coloured(Qt::red), Coloured(Qt::green), Coloured(Qt::blue)});
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        const int before = tray->IconIndex();
        QTRY_VERIFY_WITH_TIMEOUT(tray->IconIndex() != before, 2000);
        seen.push_back(tray->IconIndex());
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1}));
    tray->SetAnimate(false);
}
