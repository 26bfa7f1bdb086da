// What assistive technology sees through Qt's accessibility interface, and where Tab goes.

#include "core/settings/OptionsUnit.h"
#include "ui/Main.h"
#include "ui/MovieThumbnail.h"
#include "ui/TextLink.h"

#include "support/FakeShell.h"
#include "support/FakeTrayShell.h"
#include "support/QtPrinters.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

namespace {

QString Name(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("(no interface)");
}

// The widgets Tab visits from the window's first one, in order.
std::vector<QWidget*> TabChain(QWidget* window) {
    std::vector<QWidget*> chain;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if (w->isVisibleTo(window) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            chain.push_back(w);
    return chain;
}

class AccessibilityTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TFakeTrayShell shell;
    std::unique_ptr<TfMain> main;

    void SetUp() override {
        profile.WriteMemberSettings("T");
        SetDefaultConfig();
        main = std::make_unique<TfMain>(nullptr, &shell);
        main->BeginList(TListBox::Queue);
        main->AddCard({TCardKind::Advertisement, {}, "Rate what you return", "http://ad/", {}});
        main->AddCard({TCardKind::Queue, "His Girl Friday", "An editor schemes.", "http://1/", "1"});
        main->AddCard({TCardKind::Queue, "Charade", "A widow in Paris.", "http://2/", "2"});
        main->EndList(TListBox::Queue);
        main->BeginList(TListBox::Recent);
        main->AddCard({TCardKind::AtHome, "Metropolis", "Shipped on 12/01/26.", "http://3/", {}});
        main->AddCard({TCardKind::Returns, "Rope", "Received on 12/02/26", "http://4/", {}});
        main->EndList(TListBox::Recent);
    }
    void TearDown() override {
        main.reset();
        SetDefaultConfig();
    }
};

} // namespace

TEST_F(AccessibilityTest, CardsAreNamedByTitleAndPlace) {
    std::map<QString, QString> seen; // name -> description
    for (auto* card : main->findChildren<TCustomMovieThumbnail*>()) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(card);
        ASSERT_NE(face, nullptr);
        seen[face->text(QAccessible::Name)] = face->text(QAccessible::Description);
    }
    const std::map<QString, QString> expected{
        {QStringLiteral("Advertisement"), QStringLiteral("Rate what you return")},
        {QStringLiteral("His Girl Friday, number 1 in the queue"), QStringLiteral("An editor schemes.")},
        {QStringLiteral("Charade, number 2 in the queue"), QStringLiteral("A widow in Paris.")},
        {QStringLiteral("Metropolis, at home"), QStringLiteral("Shipped on 12/01/26.")},
        {QStringLiteral("Rope, returned"), QStringLiteral("Received on 12/02/26")},
    };
    EXPECT_EQ(seen, expected);
}

TEST_F(AccessibilityTest, LinksAreNamedByTheirCaptionsAndCanBePressed) {
    TFakeShell browser;
    QStringList names;
    for (auto* link : main->findChildren<TTextLink*>()) {
        names << Name(link);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(link);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->role(), QAccessible::Link) << Name(link).toStdString();
        ASSERT_NE(face->actionInterface(), nullptr);
        EXPECT_TRUE(face->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("About"), QStringLiteral("Go to Queue"), QStringLiteral("Options")}));
    // Pressed by a screen reader, "Go to Queue" opens the queue page as a click does.
    auto* queue = main->findChild<TTextLink*>();
    ASSERT_EQ(Name(queue), QStringLiteral("Go to Queue"));
    QAccessible::queryAccessibleInterface(queue)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    ASSERT_EQ(browser.Calls.size(), 1u);
    EXPECT_EQ(browser.Calls[0].File, "http://www.netflix.com/Queue");
    // A disabled link offers no press.
    queue->setEnabled(false);
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(queue)->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));
    bool logo = false;
    for (auto* label : main->findChildren<QLabel*>())
        logo = logo || Name(label) == QStringLiteral("Plotvane web site");
    EXPECT_TRUE(logo);
}

TEST_F(AccessibilityTest, TabReachesTheLinksTheTabsTheListAndEveryCardInOrder) {
    main->ShowLists();
    main->show();
    auto* tabs = main->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    for (int page = 0; page < 2; ++page) {
        tabs->setCurrentIndex(page);
        QStringList chain;
        for (QWidget* w : TabChain(main.get())) {
            if (qobject_cast<TTextLink*>(w))
                chain << QStringLiteral("link ") + Name(w);
            else if (qobject_cast<QTabBar*>(w))
                chain << QStringLiteral("tabs ") + Name(w);
            else if (qobject_cast<QScrollArea*>(w))
                chain << QStringLiteral("list ") + Name(w);
            else if (qobject_cast<TCustomMovieThumbnail*>(w))
                chain << QStringLiteral("card ") + Name(w);
        }
        QStringList expected{QStringLiteral("link Go to Queue"), QStringLiteral("link Options"),
                             QStringLiteral("link About")};
        if (page == 0)
            expected << QStringLiteral("tabs DVDs in Your Queue") << QStringLiteral("list DVDs in Your Queue")
                     << QStringLiteral("card Advertisement")
                     << QStringLiteral("card His Girl Friday, number 1 in the queue")
                     << QStringLiteral("card Charade, number 2 in the queue");
        else
            expected << QStringLiteral("tabs Recent") << QStringLiteral("list Recent DVDs")
                     << QStringLiteral("card Metropolis, at home") << QStringLiteral("card Rope, returned");
        EXPECT_EQ(chain, expected) << page;
    }
}

TEST_F(AccessibilityTest, EachLinkIsOneTabStopWithAFocusMarkAndGreyWhileDisabled) {
    main->ShowLists();
    main->show();
    const auto links = main->findChildren<TTextLink*>();
    ASSERT_EQ(links.size(), 3);
    auto* options = links[1];
    ASSERT_EQ(Name(options), QStringLiteral("Options"));
    auto* about = links[2];
    options->setFocus();
    QApplication::setActiveWindow(main.get());
    const QImage unfocused = about->grab().toImage();
    QTest::keyClick(options, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), about) << "the next Tab reaches the next link, not a second stop";
    EXPECT_NE(about->grab().toImage(), unfocused) << "the link with the focus shows it";

    const auto drawsIn = [](QWidget* w, const QColor& colour) {
        const QImage image = w->grab().toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == colour)
                    return true;
        return false;
    };
    options->clearFocus();
    EXPECT_TRUE(drawsIn(options, QColor(0, 0, 255)));
    main->ShowBusy();
    EXPECT_FALSE(options->isEnabled());
    EXPECT_FALSE(drawsIn(options, QColor(0, 0, 255))) << "a disabled Options must not look like an enabled one";
}

TEST_F(AccessibilityTest, TheListsAreWhiteAroundTheHeadersAndBelowTheCardsAndTheLogoAnswersTheLeftButton) {
    main->ShowLists();
    main->show();
    auto* tabs = main->findChild<QTabWidget*>();
    tabs->setCurrentIndex(1);
    QCoreApplication::processEvents();
    auto* recent = qobject_cast<QScrollArea*>(tabs->currentWidget());
    ASSERT_NE(recent, nullptr);
    const QImage list = recent->viewport()->grab().toImage();
    EXPECT_EQ(list.pixelColor(200, 6), QColor(Qt::white)) << "the row above the \"At home\" gradient";
    EXPECT_EQ(list.pixelColor(200, list.height() - 3), QColor(Qt::white)) << "below the last card";

    TFakeShell browser;
    QLabel* logo = nullptr;
    for (auto* label : main->findChildren<QLabel*>())
        if (Name(label) == QStringLiteral("Plotvane web site"))
            logo = label;
    ASSERT_NE(logo, nullptr);
    QTest::mouseClick(logo, Qt::RightButton);
    QTest::mouseClick(logo, Qt::MiddleButton);
    EXPECT_TRUE(browser.Calls.empty()) << "only the left button opens the site";
    QTest::mouseClick(logo, Qt::LeftButton);
    ASSERT_EQ(browser.Calls.size(), 1u);
    EXPECT_EQ(browser.Calls[0].File, "http://www.plotvane.example");
}
