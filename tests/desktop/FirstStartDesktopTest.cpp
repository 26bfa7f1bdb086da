// A newcomer's first start, no settings at all: the options dialog opens on its NetFlix page by
// itself, centred on the main window. Step 2 reads the demo service's RSS-feeds page; a signed-out
// page is refused, the member's own page gives the code, the member answers Yes and presses Ok,
// and the lists arrive fetched with the code found.
#include "desktop/Desktop.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

const QString OptionsName = QStringLiteral("^Options$");

/** How many windows called "Plotvane" stand on the screen: the main window, and a message box over it. */
int PlotvaneWindows(const TDesktopSession& session) {
    const auto found = session.Run(
        QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), MainWindowName}, 3000);
    return found ? static_cast<int>(std::count(found->begin(), found->end(), '\n')) : 0;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
        ++n;
    return n;
}

} // namespace

TEST(FirstStartDesktop, TheOptionsFindTheCodeOnTheMembersPageAndTheListsArriveWithIt) {
    TDesktopSession session;
    ASSERT_TRUE(session.StartX() && session.StartOpenbox() && session.StartTrayHost(QStringLiteral("trayer")) &&
                session.StartDemo())
        << session.Report();
    ASSERT_TRUE(session.AskDemo(QStringLiteral("/demo/rss-page?variant=signed-out"))) << session.Report();
    QFile::remove(QString::fromStdString(session.Path(".config/Plotvane/registry.reg")));
    session.StartPlotvane();

    std::string dialog;
    ASSERT_TRUE(
        TDesktopSession::WaitFor([&] { return !(dialog = session.FindWindow(OptionsName, true)).empty(); }, 20s))
        << "the options dialog opens by itself\n"
        << session.Report();
    const std::string main = session.FindWindow(MainWindowName, true);
    ASSERT_FALSE(main.empty()) << session.Report();

    // The window manager chose the main window's place, and may still be placing the dialog.
    QRect placed;
    const bool centred = TDesktopSession::WaitFor(
        [&] {
            placed = session.Geometry(dialog);
            const QRect window = session.Geometry(main);
            return !placed.isEmpty() && std::abs(placed.center().x() - window.center().x()) <= 2;
        },
        6s);
    EXPECT_TRUE(centred) << "centred on the main window: " << placed.x() << "," << placed.y();
    EXPECT_EQ(placed.size(), QSize(399, 263)) << "its client area";

    // Neither "Find my Netflix code" nor Ok has a key of its own (no button of the dialog is its
    // default), so they are clicked where the dialog's fixed layout puts them; the message boxes
    // answer to Return.
    const auto click = [&](int x, int y) {
        return session
            .Run(QStringLiteral("xdotool"),
                 {QStringLiteral("mousemove"), QStringLiteral("--window"), QString::fromStdString(dialog),
                  QString::number(x), QString::number(y), QStringLiteral("click"), QStringLiteral("1")})
            .has_value();
    };
    const auto step2 = [&] { return click(320, 130); };
    const auto messageBox = [&] { return PlotvaneWindows(session) >= 2; };
    const auto noMessageBox = [&] { return PlotvaneWindows(session) < 2; };

    ASSERT_TRUE(step2());
    ASSERT_TRUE(TDesktopSession::WaitFor(messageBox, 10s)) << "a signed-out page: the error box\n" << session.Report();
    session.Keys({QStringLiteral("Return")});
    ASSERT_TRUE(TDesktopSession::WaitFor(noMessageBox, 5s)) << session.Report();

    ASSERT_TRUE(session.AskDemo(QStringLiteral("/demo/rss-page?variant=member")));
    ASSERT_TRUE(step2());
    ASSERT_TRUE(TDesktopSession::WaitFor(messageBox, 10s)) << "the member's page: the confirmation\n"
                                                           << session.Report();
    session.Keys({QStringLiteral("Return")}); // Yes
    ASSERT_TRUE(TDesktopSession::WaitFor(noMessageBox, 5s)) << session.Report();
    ASSERT_TRUE(click(268, 238)); // Ok
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return session.FindWindow(OptionsName, true).empty(); }, 5s))
        << "Ok closes the dialog";

    EXPECT_NE(session.Registry().find("\"NetFlixID\"=\"DEMO8015427\""), std::string::npos) << "the code is stored";
    EXPECT_EQ(Count(session.Log(QStringLiteral("demo-service")), "GET http://www.netflix.com/RSSFeeds?lnkctr=mfRSS"),
              2u)
        << "the page was asked for twice";
    ASSERT_TRUE(WaitForLists(session)) << "the lists and their box art arrive\n" << session.Report();
    EXPECT_NE(session.Log(QStringLiteral("demo-service")).find("GET http://rss.netflix.com/QueueRSS?id=DEMO8015427"),
              std::string::npos)
        << "the feeds were fetched with the found code";
}
