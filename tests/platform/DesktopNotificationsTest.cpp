#include "platform/DesktopNotifications.h"

#include "support/ChildMode.h"
#include "support/NotificationRecorder.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

namespace {

bool Spin(const std::function<bool()>& done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

// A session bus of the child's own, its address in DBUS_SESSION_BUS_ADDRESS before Qt's first
// look at the session bus.
struct TPrivateBus {
    QTemporaryDir dir;
    QProcess daemon;
    QString address;
    TPrivateBus() {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                      QStringLiteral("--address=unix:path=") + dir.path() + QStringLiteral("/bus")});
        if (daemon.waitForStarted(5000) && daemon.waitForReadyRead(5000))
            address = QString::fromUtf8(daemon.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    }
    ~TPrivateBus() {
        daemon.terminate();
        daemon.waitForFinished(3000);
    }
};

// Exit codes: 0 all held; 10+ which step failed.
const bool g_notify = RegisterChildMode("desktop-notifier", [] {
    TPrivateBus bus;
    if (bus.address.isEmpty())
        return 10;
    auto recorder = std::make_unique<TNotificationRecorder>(bus.address);
    if (!recorder->Serving())
        return 11;
    platform::TDesktopNotifier notifier;
    int sent = 0, activated = 0;
    QString failed;
    notifier.OnSent = [&] { ++sent; };
    notifier.OnActivated = [&] { ++activated; };
    notifier.OnFailed = [&](const QString& why) { failed = why; };

    notifier.Notify(QStringLiteral("Plotvane"), QStringLiteral("Queue DVDs changed!"),
                    QStringLiteral("example.plotvane.Plotvane"), QStringLiteral("example.plotvane.Plotvane"));
    if (!Spin([&] { return sent == 1; }) || recorder->Received().size() != 1)
        return 12;
    const TNotificationRecorder::TNotification first = recorder->Received()[0]; // a copy: more arrive
    if (first.AppName != QLatin1String("Plotvane") || first.Summary != QLatin1String("Plotvane") ||
        first.Body != QLatin1String("Queue DVDs changed!") ||
        first.Icon != QLatin1String("example.plotvane.Plotvane") ||
        first.Hints.value(QStringLiteral("desktop-entry")).toString() != QLatin1String("example.plotvane.Plotvane") ||
        !first.Actions.contains(QStringLiteral("default")) || first.ReplacesId != 0)
        return 13;

    // A click on another program's notification is not ours; on ours it is.
    recorder->Click(first.Id + 100);
    recorder->Click(first.Id);
    if (!Spin([&] { return activated >= 1; }) || activated != 1)
        return 14;

    // The next change replaces the notification still on show.
    notifier.Notify(QStringLiteral("Plotvane"), QStringLiteral("Recent DVDs changed!"), {}, {});
    if (!Spin([&] { return sent == 2; }) || recorder->Received().size() != 2 ||
        recorder->Received()[1].ReplacesId != first.Id)
        return 15;

    // The service goes away: the caller learns it, and shows its own.
    recorder.reset();
    notifier.Notify(QStringLiteral("Plotvane"), QStringLiteral("Queue DVDs changed!"), {}, {});
    if (!Spin([&] { return !failed.isEmpty(); }) || sent != 2)
        return 16;
    return 0;
});

const bool g_noBus = RegisterChildMode("desktop-notifier-no-bus", [] {
    TTempProfile profile;
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray("unix:path=") + profile.Path("no-bus-here").c_str());
    platform::TDesktopNotifier notifier;
    QString failed;
    notifier.OnFailed = [&](const QString& why) { failed = why; };
    notifier.Notify(QStringLiteral("Plotvane"), QStringLiteral("Queue DVDs changed!"), {}, {});
    return Spin([&] { return !failed.isEmpty(); }) ? 0 : 20;
});

} // namespace

TEST(DesktopNotifier, TheServiceGetsTheChangeAClickComesBackAndWithoutAServiceTheCallerKnows) {
    // 10 no bus started (is dbus-daemon installed?), 11 the recorder could not serve, 12 nothing
    // sent, 13 what arrived was not what was sent, 14 the click, 15 no replacement, 16 no failure.
    EXPECT_EQ(WaitForChild(StartChildMode("desktop-notifier")), 0);
    EXPECT_EQ(WaitForChild(StartChildMode("desktop-notifier-no-bus")), 0);
}

TEST(DesktopNotifier, OnlyAWaylandSessionWithoutAnXServerPlacesTheWindows) {
    TTempProfile profile;
    const struct {
        const char* Display;
        const char* Wayland;
        bool Placed;
    } cases[] = {{":0", nullptr, false},
                 {":0", "wayland-0", false},
                 {nullptr, "wayland-0", true},
                 {nullptr, nullptr, false},
                 {"", "wayland-0", true}};
    for (const auto& c : cases) {
        profile.SetEnv("DISPLAY", c.Display ? c.Display : "");
        if (!c.Display)
            qunsetenv("DISPLAY");
        profile.SetEnv("WAYLAND_DISPLAY", c.Wayland ? c.Wayland : "");
        if (!c.Wayland)
            qunsetenv("WAYLAND_DISPLAY");
        EXPECT_EQ(platform::WindowsArePlacedByTheCompositor(), c.Placed)
            << (c.Display ? c.Display : "(no DISPLAY)") << " " << (c.Wayland ? c.Wayland : "(no WAYLAND_DISPLAY)");
    }
}
