// An X11 tray of the XEmbed kind other than trayer: tint2, as openbox, LXDE and many light
// desktops use it. The panel starts after the program, as it may at logon.
#include "desktop/Desktop.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

class XEmbedDesktop : public ::testing::Test {
protected:
    TDesktopSession session;

    /** The program's small window that the tray swallowed: its icon. */
    std::string TrayIcon() {
        const auto windows =
            session.Run(QStringLiteral("xdotool"),
                        {QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("^plotvane$")});
        std::istringstream ids(windows.value_or(""));
        for (std::string id; std::getline(ids, id);) {
            const auto size = Geometry(id);
            if (size && size->width() <= 64 && session.IsViewable(id))
                return id;
        }
        return {};
    }

    std::optional<QRect> Geometry(const std::string& window) {
        const auto shell =
            session.Run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"),
                                                    QString::fromStdString(window)});
        if (!shell)
            return std::nullopt;
        QRect rect;
        std::istringstream lines(*shell);
        for (std::string line; std::getline(lines, line);) {
            const std::size_t eq = line.find('=');
            if (eq == std::string::npos)
                continue;
            const int value = std::atoi(line.c_str() + eq + 1);
            const std::string key = line.substr(0, eq);
            if (key == "X")
                rect.moveLeft(value);
            else if (key == "Y")
                rect.moveTop(value);
            else if (key == "WIDTH")
                rect.setWidth(value);
            else if (key == "HEIGHT")
                rect.setHeight(value);
        }
        return rect;
    }

    /** The tray menu: the program's one visible window that is wide and low. */
    bool MenuOpen() {
        const auto windows =
            session.Run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                    QStringLiteral("--class"), QStringLiteral("^plotvane$")});
        std::istringstream ids(windows.value_or(""));
        for (std::string id; std::getline(ids, id);) {
            const auto rect = Geometry(id);
            if (rect && rect->width() >= 100 && rect->height() < 80)
                return true;
        }
        return false;
    }

    /** Clicks on the icon with a button, as often as asked. */
    void ClickIcon(const std::string& icon, int button, int times) {
        const auto rect = Geometry(icon);
        ASSERT_TRUE(rect);
        session.Run(QStringLiteral("xdotool"),
                    {QStringLiteral("mousemove"), QString::number(rect->x() + rect->width() / 2),
                     QString::number(rect->y() + rect->height() / 2), QStringLiteral("click"),
                     QStringLiteral("--repeat"), QString::number(times), QStringLiteral("--delay"),
                     QStringLiteral("80"), QString::number(button)});
    }

    /** Opens the tray menu with a right click and chooses an entry with the keyboard. */
    bool ChooseFromMenu(const std::string& icon, const QString& keys) {
        for (int attempt = 0; attempt < 3 && !MenuOpen(); ++attempt) {
            ClickIcon(icon, 3, 1);
            TDesktopSession::WaitFor([&] { return MenuOpen(); }, 3s);
        }
        if (!MenuOpen())
            return false;
        session.Run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys.split(QLatin1Char(' ')));
        return TDesktopSession::WaitFor([&] { return !MenuOpen(); }, 3s);
    }
};

} // namespace

TEST_F(XEmbedDesktop, Tint2TakesTheIconLateAndItsGesturesReachTheWindowAndTheMenu) {
    ASSERT_TRUE(session.StartX());
    ASSERT_TRUE(session.StartOpenbox());
    ASSERT_TRUE(session.StartDemo());
    session.WriteSettings("E2E-MEMBER");
    QProcess* app = session.StartPlotvane();
    ASSERT_TRUE(WaitForLists(session));
    const std::string window = WaitForMainWindow(session);
    ASSERT_FALSE(window.empty());

    ASSERT_TRUE(session.StartTrayHost(QStringLiteral("tint2")));
    std::string icon;
    ASSERT_TRUE(TDesktopSession::WaitFor([&] { return !(icon = TrayIcon()).empty(); }, 30s))
        << "the icon never arrived";

    ASSERT_TRUE(CloseMainWindow(session, window)) << "with the tray there, the close button hides into it";
    ASSERT_EQ(app->state(), QProcess::Running);
    ClickIcon(icon, 1, 2);
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return session.IsViewable(window); }, 10s)) << "a double click restores";

    ASSERT_TRUE(CloseMainWindow(session, window));
    ASSERT_TRUE(ChooseFromMenu(icon, QStringLiteral("Down Return"))) << "the menu opens on a right click";
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return session.IsViewable(window); }, 10s)) << "\"Show Plotvane\"";

    // "Close" is the menu's last entry; Up wraps round to it.
    ASSERT_TRUE(ChooseFromMenu(icon, QStringLiteral("Up Return")));
    ASSERT_TRUE(TDesktopSession::WaitFor([&] { return app->state() == QProcess::NotRunning; }, 15s)) << "\"Close\"";
    EXPECT_EQ(app->exitCode(), 0);
}

TEST_F(XEmbedDesktop, WaylandWithXWaylandRunsAsAnX11Client) {
    ASSERT_TRUE(session.StartWeston(true));
    ASSERT_TRUE(session.StartDemo());
    session.WriteSettings("E2E-MEMBER");
    QProcess* app = session.StartPlotvane();
    ASSERT_TRUE(WaitForLists(session));
    EXPECT_TRUE(TDesktopSession::WaitFor([&] { return !session.FindWindow(MainWindowName, true).empty(); }, 20s))
        << "the window stands on XWayland's display";
    EXPECT_EQ(app->state(), QProcess::Running);
    EXPECT_EQ(TDesktopSession::Terminate(app, 10s), 0);
    EXPECT_FALSE(StoredPlacement(session).empty());
}
