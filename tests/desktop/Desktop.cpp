#include "desktop/Desktop.h"

#include <QRegularExpression>

bool WaitForLists(TDesktopSession& session) {
    return TDesktopSession::WaitFor([&] { return session.HasBoxArt(); }, 120s);
}

bool StartTrayDesktop(TDesktopSession& session) {
    if (!session.StartX() || !session.StartOpenbox() || !session.StartTrayHost(QStringLiteral("trayer")) ||
        !session.StartDemo())
        return false;
    session.WriteSettings("E2E-MEMBER");
    return true;
}

std::string WaitForMainWindow(TDesktopSession& session) {
    std::string window;
    TDesktopSession::WaitFor([&] { return !(window = session.FindWindow(MainWindowName, true)).empty(); }, 20s);
    return window;
}

bool CloseMainWindow(TDesktopSession& session, const std::string& window) {
    for (int attempt = 0; attempt < 6; ++attempt) {
        session.Run(QStringLiteral("wmctrl"),
                    {QStringLiteral("-i"), QStringLiteral("-c"), QString::fromStdString(window)});
        if (TDesktopSession::WaitFor([&] { return !session.IsViewable(window); }, 4s))
            return true;
    }
    return false;
}

std::string StoredPlacement(const TDesktopSession& session) {
    static const QRegularExpression flags(QStringLiteral("\"WindowFlags\"=hex:([0-9a-f,]+)"));
    return flags.match(QString::fromStdString(session.Registry())).captured(1).toStdString();
}
