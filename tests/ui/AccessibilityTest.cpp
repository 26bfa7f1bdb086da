// What assistive technology sees through Qt's accessibility interface, and where Tab goes.

#include "settings/OptionsUnit.h"
#include "ui/Main.h"
#include "ui/MovieThumbnail.h"

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

TEST_F(AccessibilityTest, LinksAreNamedByTheirCaptions) {
    QStringList names;
    for (auto* label : main->findChildren<QLabel*>())
        if (label->textInteractionFlags() & Qt::LinksAccessibleByKeyboard)
            names << Name(label);
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("About"), QStringLiteral("Go to Queue"), QStringLiteral("Options")}));
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
            if (qobject_cast<QLabel*>(w))
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
