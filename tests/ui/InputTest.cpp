#include "core/settings/OptionsUnit.h"
#include "ui/CardBox.h"
#include "ui/Main.h"
#include "ui/MovieMenu.h"
#include "ui/MovieThumbnail.h"

#include "support/FakeTrayShell.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

namespace {

class InputTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TFakeTrayShell shell;
    std::unique_ptr<TfMain> main;
    QScrollArea* queueBox = nullptr;

    void SetUp() override {
        SetDefaultConfig();
        // With a code, the first refresh ends without asking for options (its requests fail at once).
        profile.SetEnv("http_proxy", "http://127.0.0.1:9");
        profile.WriteMemberSettings("T");
        main = std::make_unique<TfMain>(nullptr, &shell);
        main->show();
        QTRY_VERIFY_WITH_TIMEOUT(main->findChild<QTabWidget*>()->isVisible(), 10000);
        main->findChild<QTabWidget*>()->setCurrentIndex(0);
        main->BeginList(TListBox::Queue);
        for (int i = 1; i <= 20; ++i)
            main->AddCard(
                {TCardKind::Queue, "Film " + std::to_string(i), "Words.", i % 2 ? "http://x/" : "", std::to_string(i)});
        main->EndList(TListBox::Queue);
        for (QScrollArea* area : main->findChildren<QScrollArea*>())
            if (area->isVisible())
                queueBox = area;
        ASSERT_NE(queueBox, nullptr);
        QCoreApplication::processEvents();
    }

    QScrollBar* Bar() const { return queueBox->verticalScrollBar(); }
    int C() const { return queueBox->viewport()->height(); }
};

} // namespace

TEST_F(InputTest, KeysScrollByTheWindowsRules) {
    QApplication::setActiveWindow(main.get());
    queueBox->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), queueBox);
    QTest::keyPress(queueBox, Qt::Key_PageDown);
    EXPECT_EQ(Bar()->value(), 0) << "nothing moves on the press";
    QTest::keyRelease(queueBox, Qt::Key_PageDown);
    EXPECT_EQ(Bar()->value(), C() - 20) << "Page Down moves by the client height less 20";
    QTest::keyRelease(queueBox, Qt::Key_Down);
    EXPECT_EQ(Bar()->value(), C() - 20 + (C() * 9 / 10) / 10);
    QTest::keyRelease(queueBox, Qt::Key_End);
    EXPECT_EQ(Bar()->value(), Bar()->maximum());
    QTest::keyRelease(queueBox, Qt::Key_Home);
    EXPECT_EQ(Bar()->value(), 0);
    QTest::keyRelease(queueBox, Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(Bar()->value(), 0) << "not with Shift held";
    QTest::keyRelease(queueBox, Qt::Key_Right);
    EXPECT_EQ(Bar()->value(), 0);
}

TEST_F(InputTest, SwitchingTabsKeepsEachListWhereTheMemberLeftIt) {
    auto* tabs = main->findChild<QTabWidget*>();
    Bar()->setValue(Bar()->maximum() / 2);
    const int place = Bar()->value();
    ASSERT_GT(place, 0);
    // By the mouse on the tab bar, the focus in the list, as a member switches.
    queueBox->setFocus();
    for (int index : {1, 0}) {
        const QRect tab = tabs->tabBar()->tabRect(index);
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tab.center());
        QCoreApplication::processEvents();
        ASSERT_EQ(tabs->currentIndex(), index);
    }
    EXPECT_EQ(Bar()->value(), place) << "the queue is where it was";
    EXPECT_TRUE(queueBox->hasFocus() || queueBox->isAncestorOf(QApplication::focusWidget()));
    // And by the keyboard.
    QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(Bar()->value(), place);
}

// The queue's box alone, twenty cards in it, and the menu its cards open.
class CardBoxInput : public ::testing::Test {
protected:
    TCardBox box{TListBox::Queue, nullptr};
    TMovieMenu menu{&box};

    void SetUp() override {
        box.resize(440, 480);
        box.show();
        box.Begin(box.viewport()->width());
        for (int i = 1; i <= 20; ++i)
            box.Add(
                {TCardKind::Queue, "Film " + std::to_string(i), "Words.", i % 2 ? "http://x/" : "", std::to_string(i)});
        box.End();
        QCoreApplication::processEvents();
    }

    TMovieMenu* MovieMenu(TCustomMovieThumbnail* card) {
        menu.Prepare(card);
        return &menu;
    }
    QScrollBar* Bar() const { return box.verticalScrollBar(); }
    int C() const { return box.viewport()->height(); }
};

TEST_F(CardBoxInput, WheelMovesOneLineStepPerTurn) {
    const QPoint at(50, 50);
    QWheelEvent down(at, box.viewport()->mapToGlobal(at), {}, {0, -360}, Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(box.viewport(), &down);
    EXPECT_EQ(Bar()->value(), (C() * 9 / 10) / 10) << "one step, however large the turn";
    QWheelEvent up(at, box.viewport()->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                   false);
    QApplication::sendEvent(box.viewport(), &up);
    EXPECT_EQ(Bar()->value(), 0);
}

TEST_F(CardBoxInput, MovieMenuFollowsTheCard) {
    auto cards = box.findChildren<TMovieThumbnail*>();
    std::sort(cards.begin(), cards.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    TMovieMenu* menu = MovieMenu(cards[0]);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 6);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Film 1"));
    EXPECT_TRUE(actions[0]->isVisible());
    EXPECT_TRUE(actions[0]->isEnabled());
    EXPECT_EQ(menu->defaultAction(), actions[0]);
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Copy"));
    EXPECT_EQ(actions[3]->text(), QStringLiteral("Refresh data"));
    EXPECT_EQ(actions[5]->text(), QStringLiteral("Options.."));

    MovieMenu(cards[1]);
    EXPECT_FALSE(actions[0]->isEnabled()) << "a card without an address";
    MovieMenu(nullptr);
    EXPECT_FALSE(actions[0]->isVisible());
    EXPECT_FALSE(actions[1]->isVisible());
    EXPECT_TRUE(actions[3]->isVisible());

    MovieMenu(cards[0]);
    actions[1]->trigger();
    const QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), cards[0]->size()) << "the card as a picture on the clipboard";
}

TEST_F(CardBoxInput, TheAdvertisementCardHasNoTitleItem) {
    box.Begin(box.viewport()->width());
    box.Add({TCardKind::Advertisement, {}, "An ad", "http://ad/", {}});
    box.End();
    const auto ads = box.findChildren<TAdvertismentThumbnail*>();
    ASSERT_EQ(ads.size(), 1);
    TMovieMenu* menu = MovieMenu(ads[0]);
    EXPECT_FALSE(menu->actions()[0]->isVisible());
    EXPECT_TRUE(menu->actions()[1]->isVisible());
}
