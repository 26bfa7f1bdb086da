#include "core/feeds/RefreshCycle.h"
#include "core/settings/OptionsUnit.h"
#include "ui/Main.h"
#include "ui/PopupWin.h"

#include "support/FakeTrayShell.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>

namespace {

void Flush() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

TEST(Popup, AlphaRunsTheWholeCycleExactly) {
    QPointer<TfPopupWin> popup = new TfPopupWin;
    std::vector<int> alphas{popup->Alpha()};
    for (int tick = 0; tick < 26; ++tick) {
        popup->tmAlphaTimer();
        alphas.push_back(popup->Alpha());
    }
    std::vector<int> expected{0};
    for (int a = 10; a <= 250; a += 10)
        expected.push_back(a);
    expected.push_back(255);
    EXPECT_EQ(alphas, expected);
    EXPECT_EQ(popup->Phase(), TfPopupWin::TPhase::Hold);
    EXPECT_EQ(popup->AlphaTimer().interval(), 5000);
    EXPECT_NEAR(popup->windowOpacity(), 1.0, 1.0 / 255);

    popup->tmAlphaTimer(); // the one hold tick
    EXPECT_EQ(popup->Phase(), TfPopupWin::TPhase::FadeOut);
    EXPECT_EQ(popup->AlphaTimer().interval(), 50);
    EXPECT_EQ(popup->Alpha(), 255);

    alphas.clear();
    for (int tick = 0; tick < 25; ++tick) {
        popup->tmAlphaTimer();
        alphas.push_back(popup->Alpha());
    }
    expected.clear();
    for (int a = 245; a >= 5; a -= 10)
        expected.push_back(a);
    EXPECT_EQ(alphas, expected) << "it never reaches 0 while open";
    popup->show();
    popup->tmAlphaTimer();
    Flush();
    EXPECT_TRUE(popup.isNull()) << "the 26th tick closes and destroys it";
}

TEST(Popup, ShowingFadesInAndTheTimerRuns) {
    QPointer<TfPopupWin> popup = new TfPopupWin;
    EXPECT_EQ(popup->windowTitle(), QStringLiteral("Plotvane: Movie remainder"));
    EXPECT_EQ(popup->size(), QSize(181, 95));
    popup->show();
    EXPECT_TRUE(popup->AlphaTimer().isActive());
    QTRY_COMPARE_WITH_TIMEOUT(popup->Alpha(), 255, 5000);
    EXPECT_EQ(popup->Phase(), TfPopupWin::TPhase::Hold);
    popup->show(); // shown again while open: the hold goes on
    EXPECT_EQ(popup->Phase(), TfPopupWin::TPhase::Hold);
    EXPECT_EQ(popup->Alpha(), 255);
    delete popup;
}

TEST(Popup, DoubleClickRunsTheActionAndClosesAtOnce) {
    QPointer<TfPopupWin> popup = new TfPopupWin;
    popup->show();
    popup->tmAlphaTimer();
    popup->lbMessageDblClick(); // without an action nothing happens
    Flush();
    ASSERT_FALSE(popup.isNull());
    int runs = 0;
    popup->SetOnMessageDblClick([&](TfPopupWin* sender) {
        EXPECT_EQ(sender, popup.data());
        ++runs;
    });
    QLabel* message = nullptr;
    for (QLabel* label : popup->findChildren<QLabel*>())
        if (label->geometry() == QRect(10, 32, 159, 55))
            message = label;
    ASSERT_NE(message, nullptr);
    QTest::mouseDClick(message, Qt::LeftButton);
    Flush();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(popup.isNull()) << "closed during the fade-in, without a fade-out";
}

TEST(Popup, CloseGlyphClosesInAnyPhase) {
    QPointer<TfPopupWin> popup = new TfPopupWin;
    popup->show();
    QLabel* glyph = nullptr;
    for (QLabel* label : popup->findChildren<QLabel*>())
        if (label->geometry() == QRect(161, 5, 15, 15))
            glyph = label;
    ASSERT_NE(glyph, nullptr);
    EXPECT_EQ(glyph->toolTip(), QStringLiteral("Close"));
    QTest::mouseClick(glyph, Qt::LeftButton);
    Flush();
    EXPECT_TRUE(popup.isNull());
}

TEST(Popup, OneAtATimeAtTheBottomRightOfTheWorkArea) {
    TTempProfile profile;
    SetDefaultConfig();
    TFakeTrayShell shell;
    TfMain main(nullptr, &shell);
    main.ShowNotification("Queue DVDs changed!");
    auto popups = [] {
        std::vector<TfPopupWin*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TfPopupWin*>(w); p && p->isVisible())
                found.push_back(p);
        return found;
    };
    ASSERT_EQ(popups().size(), 1u);
    TfPopupWin* first = popups()[0];
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(first->geometry().bottomRight(), area.bottomRight());
    main.ShowNotification("Recent DVDs changed!\r\n");
    ASSERT_EQ(popups().size(), 1u);
    EXPECT_EQ(popups()[0], first) << "reused while open";
    EXPECT_EQ(first->Message(), QStringLiteral("Recent DVDs changed!\r\n"));
    first->close();
    Flush();
    main.ShowNotification("Queue DVDs changed!");
    EXPECT_EQ(popups().size(), 1u) << "a new one after the old one closed";
}
