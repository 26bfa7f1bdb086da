#include "desktop/DesktopSession.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <fstream>
#include <map>
#include <sstream>

namespace {

using namespace std::chrono_literals;

// Components get this long to come up; a loaded CI machine may need most of it.
constexpr auto StartTimeout = 30s;

std::string ReadText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

std::string Tail(const std::string& text, std::size_t lines) {
    std::size_t pos = text.size();
    for (std::size_t n = 0; n <= lines && pos != std::string::npos && pos > 0; ++n)
        pos = text.rfind('\n', pos - 1);
    return pos == std::string::npos || pos == 0 ? text : text.substr(pos + 1);
}

} // namespace

TDesktopSession::TDesktopSession()
    : m_dir(QDir::tempPath() + QStringLiteral("/pvdesk-XXXXXX"))
    , m_env(QProcessEnvironment::systemEnvironment()) {
    const QString home = m_dir.path();
    for (const char* folder : {".config/Plotvane", ".local/share", ".cache", "run", "tmp"})
        QDir(home).mkpath(QString::fromLatin1(folder));
    QFile::setPermissions(home + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_env.insert(QStringLiteral("HOME"), home);
    m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    m_env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    m_env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    m_env.insert(QStringLiteral("TMPDIR"), home + QStringLiteral("/tmp"));
    // Nothing of the machine's own desktop: no display, bus, session or accessibility bus.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_SESSION_TYPE",
                             "XDG_CURRENT_DESKTOP", "QT_QPA_PLATFORM", "SESSION_MANAGER"})
        m_env.remove(QString::fromLatin1(name));
    m_env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    m_env.insert(QStringLiteral("http_proxy"), QStringLiteral("http://127.0.0.1:9"));
    m_env.insert(QStringLiteral("no_proxy"), QString());
}

TDesktopSession::~TDesktopSession() {
    if (::testing::Test::HasFailure())
        std::cout << Report() << std::flush;
    // Last started, first ended: the program goes before the display it draws on.
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it)
        if (it->Process->state() != QProcess::NotRunning && !Terminate(it->Process.get(), 5s)) {
            it->Process->kill();
            it->Process->waitForFinished(2000);
        }
}

std::string TDesktopSession::Path(const std::string& relative) const {
    return m_dir.path().toStdString() + "/" + relative;
}

void TDesktopSession::WriteSettings(const std::string& feedCode, bool minimizeOnRun) const {
    std::ofstream(Path(".config/Plotvane/registry.reg"))
        << "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Plotvane\\Config]\n"
           "\"Movies in queue\"=dword:00000007\n\"Check for new movies\"=dword:00000000\n"
           "\"Update interval\"=dword:00000002\n\"NetFlixID\"=\""
        << feedCode << "\"\n\"Minimize on run\"=dword:0000000" << (minimizeOnRun ? 1 : 0)
        << "\n\"Auto startup\"=dword:00000000\n\"NLFA\"=hex:00,00,00,00,00,00,00,00\n\n";
}

QProcess* TDesktopSession::Launch(const QString& name, const QString& program, const QStringList& args,
                                  const QProcessEnvironment& env) {
    TProcess entry{name, std::make_unique<QProcess>(),
                   m_dir.path() + QStringLiteral("/") + name + QStringLiteral(".log")};
    entry.Process->setProcessEnvironment(env);
    entry.Process->setWorkingDirectory(m_dir.path());
    entry.Process->setProcessChannelMode(QProcess::MergedChannels);
    entry.Process->setStandardOutputFile(entry.Log);
    entry.Process->setStandardInputFile(QProcess::nullDevice());
    entry.Process->start(program, args);
    QProcess* process = entry.Process.get();
    m_processes.push_back(std::move(entry));
    if (!process->waitForStarted(10000))
        ADD_FAILURE() << name.toStdString() << ": " << program.toStdString() << " could not be started ("
                      << process->errorString().toStdString() << "); is it installed? scripts/bootstrap installs it";
    return process;
}

QProcess* TDesktopSession::Start(const QString& name, const QString& program, const QStringList& args) {
    return Launch(name, program, args, m_env);
}

bool TDesktopSession::Ready(const QString& what, QProcess* process, const std::function<bool()>& predicate,
                            std::chrono::milliseconds timeout) {
    if (process->state() == QProcess::NotRunning) {
        ADD_FAILURE() << what.toStdString() << " did not start";
        return false;
    }
    const bool ready = WaitFor([&] { return process->state() == QProcess::NotRunning || predicate(); }, timeout);
    if (!ready || process->state() == QProcess::NotRunning) {
        ADD_FAILURE() << what.toStdString()
                      << (process->state() == QProcess::NotRunning ? " ended while starting"
                                                                   : " did not come up in time");
        return false;
    }
    return true;
}

bool TDesktopSession::StartX(const QString& screen) {
    // Xvfb writes its display number once it accepts clients; without auto-repeat, a key whose
    // release went astray cannot type on into the next window.
    const QString numberFile = m_dir.path() + QStringLiteral("/display");
    QProcess* x = Launch(QStringLiteral("Xvfb"), QStringLiteral("/bin/sh"),
                         {QStringLiteral("-c"),
                          QStringLiteral("exec Xvfb -displayfd 3 -screen 0 %1 -nolisten tcp -r 3>\"$0\"").arg(screen),
                          numberFile},
                         m_env);
    if (!Ready(
            QStringLiteral("Xvfb"), x, [&] { return !ReadText(numberFile).empty(); }, StartTimeout))
        return false;
    m_env.insert(QStringLiteral("DISPLAY"),
                 QStringLiteral(":") + QString::fromStdString(ReadText(numberFile)).trimmed());
    m_env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("x11"));
    return true;
}

bool TDesktopSession::StartOpenbox() {
    // Openbox runs its startup command once it manages the screen: a window mapped before that
    // may stay undecorated at 0,0.
    const QString ready = m_dir.path() + QStringLiteral("/openbox.ready");
    QProcess* wm =
        Launch(QStringLiteral("openbox"), QStringLiteral("openbox"),
               {QStringLiteral("--sm-disable"), QStringLiteral("--startup"), QStringLiteral("touch ") + ready}, m_env);
    return Ready(
        QStringLiteral("openbox"), wm, [&] { return QFile::exists(ready); }, StartTimeout);
}

bool TDesktopSession::StartCompositor() {
    QProcess* compositor = Launch(QStringLiteral("xcompmgr"), QStringLiteral("xcompmgr"), {}, m_env);
    // It takes the compositing selection with a window of its own name.
    return Ready(
        QStringLiteral("xcompmgr"), compositor,
        [&] { return !FindWindow(QStringLiteral("^xcompmgr$"), false).empty(); }, StartTimeout);
}

bool TDesktopSession::StartDBus() {
    QProcess* bus = Launch(QStringLiteral("dbus-daemon"), QStringLiteral("dbus-daemon"),
                           {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--address=unix:path=") + m_dir.path() + QStringLiteral("/run/bus"),
                            QStringLiteral("--print-address=1")},
                           m_env);
    const QString log = m_dir.path() + QStringLiteral("/dbus-daemon.log");
    if (!Ready(
            QStringLiteral("dbus-daemon"), bus, [&] { return ReadText(log).find("unix:") != std::string::npos; },
            StartTimeout))
        return false;
    m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                 QString::fromStdString(ReadText(log)).section(QLatin1Char('\n'), 0, 0).trimmed());
    return true;
}

bool TDesktopSession::StartTrayHost(const QString& program) {
    QStringList args;
    if (program == QLatin1String("trayer"))
        args = {QStringLiteral("--edge"),   QStringLiteral("bottom"),      QStringLiteral("--align"),
                QStringLiteral("right"),    QStringLiteral("--widthtype"), QStringLiteral("request"),
                QStringLiteral("--height"), QStringLiteral("24")};
    QProcess* host = Launch(program, program, args, m_env);
    if (program == QLatin1String("xfce4-panel")) {
        // The panel's tray plugin is both the StatusNotifier watcher and its host.
        return Ready(
            program, host,
            [&] {
                const auto answer = Run(
                    QStringLiteral("gdbus"),
                    {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                     QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("--object-path"),
                     QStringLiteral("/StatusNotifierWatcher"), QStringLiteral("--method"),
                     QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                     QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("IsStatusNotifierHostRegistered")},
                    3000);
                return answer && answer->find("true") != std::string::npos;
            },
            StartTimeout);
    }
    // The XEmbed trays of the rig: trayer's window is a "panel", tint2's its own.
    return Ready(
        program, host,
        [&] {
            const auto found = Run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--classname"),
                                                               QStringLiteral("^(panel|tint2)$")});
            return found && !found->empty();
        },
        StartTimeout);
}

bool TDesktopSession::StartWeston(bool xwayland) {
    const QString socket = QStringLiteral("pv-wayland");
    QStringList args = {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=") + socket,
                        QStringLiteral("--idle-time=0"), QStringLiteral("--width=1280"),
                        QStringLiteral("--height=800")};
    if (xwayland)
        args << QStringLiteral("--xwayland");
    QProcess* weston = Launch(QStringLiteral("weston"), QStringLiteral("weston"), args, m_env);
    const QString socketPath = m_env.value(QStringLiteral("XDG_RUNTIME_DIR")) + QStringLiteral("/") + socket;
    const QString log = m_dir.path() + QStringLiteral("/weston.log");
    static const QRegularExpression display(QStringLiteral("xserver listening on display (:\\d+)"));
    if (!Ready(
            QStringLiteral("weston"), weston,
            [&] {
                return QFile::exists(socketPath) &&
                       (!xwayland || display.match(QString::fromStdString(ReadText(log))).hasMatch());
            },
            StartTimeout))
        return false;
    m_env.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    m_env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    if (xwayland)
        m_env.insert(QStringLiteral("DISPLAY"), display.match(QString::fromStdString(ReadText(log))).captured(1));
    return true;
}

bool TDesktopSession::StartDemo(const QStringList& options) {
    const QString portFile = m_dir.path() + QStringLiteral("/demo.port");
    // The service takes the last of an option given twice.
    QProcess* demo = Launch(
        QStringLiteral("demo-service"), QStringLiteral(PLOTVANE_DEMO_EXE),
        QStringList{QStringLiteral("--port-file"), portFile, QStringLiteral("--step-seconds"), QStringLiteral("180")} +
            options,
        m_env);
    if (!Ready(
            QStringLiteral("the demo service"), demo, [&] { return !ReadText(portFile).empty(); }, StartTimeout))
        return false;
    m_env.insert(QStringLiteral("http_proxy"),
                 QStringLiteral("http://127.0.0.1:") + QString::fromStdString(ReadText(portFile)).trimmed());
    return true;
}

bool TDesktopSession::AskDemo(const QString& pathAndQuery) const {
    return Run(QStringLiteral("curl"), {QStringLiteral("-sf"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                                        QStringLiteral("http://www.netflix.com") + pathAndQuery})
        .has_value();
}

QProcess* TDesktopSession::StartPlotvane(const QProcessEnvironment& extra) {
    QProcessEnvironment env = m_env;
    env.insert(extra);
    int runs = 0;
    for (const TProcess& p : m_processes)
        runs += p.Name.startsWith(QLatin1String("plotvane"));
    // PLOTVANE_TEST_EXE runs the same desktops against another build, an older one say.
    const QString exe = qEnvironmentVariable("PLOTVANE_TEST_EXE", QStringLiteral(PLOTVANE_EXE));
    return Launch(QStringLiteral("plotvane-%1").arg(runs + 1), exe, {}, env);
}

std::optional<std::string> TDesktopSession::Run(const QString& program, const QStringList& args, int timeoutMs) const {
    QProcess process;
    process.setProcessEnvironment(m_env);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, args);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput().toStdString();
}

bool TDesktopSession::WaitFor(const std::function<bool()>& predicate, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    for (;;) {
        if (predicate())
            return true;
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(100);
    }
}

std::optional<int> TDesktopSession::Terminate(QProcess* process, std::chrono::milliseconds timeout) {
    if (process->state() == QProcess::NotRunning)
        return process->exitStatus() == QProcess::NormalExit ? std::optional<int>(process->exitCode()) : std::nullopt;
    process->terminate();
    if (!process->waitForFinished(static_cast<int>(timeout.count())))
        return std::nullopt;
    return process->exitStatus() == QProcess::NormalExit ? std::optional<int>(process->exitCode()) : std::nullopt;
}

std::string TDesktopSession::FindWindow(const QString& namePattern, bool onlyVisible) const {
    QStringList args = {QStringLiteral("search")};
    if (onlyVisible)
        args << QStringLiteral("--onlyvisible");
    args << QStringLiteral("--name") << namePattern;
    const auto found = Run(QStringLiteral("xdotool"), args, 3000);
    if (!found)
        return {};
    std::istringstream lines(*found);
    std::string first;
    std::getline(lines, first);
    return first;
}

bool TDesktopSession::IsViewable(const std::string& window) const {
    const auto info = Run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::fromStdString(window)}, 3000);
    return info && info->find("IsViewable") != std::string::npos;
}

QRect TDesktopSession::Geometry(const std::string& window) const {
    const auto shell =
        Run(QStringLiteral("xdotool"),
            {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::fromStdString(window)}, 3000);
    if (!shell)
        return {};
    static const QRegularExpression field(QStringLiteral("^(X|Y|WIDTH|HEIGHT)=(-?\\d+)$"),
                                          QRegularExpression::MultilineOption);
    std::map<QString, int> values;
    for (const auto& match : field.globalMatch(QString::fromStdString(*shell)))
        values[match.captured(1)] = match.captured(2).toInt();
    if (values.size() != 4)
        return {};
    return {values[QStringLiteral("X")], values[QStringLiteral("Y")], values[QStringLiteral("WIDTH")],
            values[QStringLiteral("HEIGHT")]};
}

bool TDesktopSession::Keys(const QStringList& keys) const {
    return Run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys, 3000).has_value();
}

std::vector<std::string> TDesktopSession::TaskbarWindows() const {
    std::vector<std::string> windows;
    const auto list = Run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST")}, 3000);
    if (!list)
        return windows;
    static const QRegularExpression id(QStringLiteral("0x[0-9a-f]+"));
    for (const auto& match : id.globalMatch(QString::fromStdString(*list)))
        windows.push_back(std::to_string(match.captured(0).toULong(nullptr, 16)));
    return windows;
}

std::string TDesktopSession::WindowProperty(const std::string& window, const QString& property) const {
    const auto value =
        Run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::fromStdString(window), property}, 3000);
    if (!value || value->find("not found") != std::string::npos || value->find(" = ") == std::string::npos)
        return {};
    std::string text = value->substr(value->find(" = ") + 3);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

bool TDesktopSession::HasBoxArt() const {
    const QDir cache(QString::fromStdString(Path(".local/share/Plotvane/Plotvane/Cache")));
    return cache.entryList({QStringLiteral("*.jpg")}, QDir::Files).size() >= 10;
}

std::string TDesktopSession::Registry() const {
    return ReadText(QString::fromStdString(Path(".config/Plotvane/registry.reg")));
}

std::string TDesktopSession::Log(const QString& name) const {
    for (const TProcess& p : m_processes)
        if (p.Name == name)
            return ReadText(p.Log);
    return {};
}

std::string TDesktopSession::Report() const {
    std::ostringstream out;
    out << "---- the desktop at the failure\n";
    if (m_env.contains(QStringLiteral("DISPLAY"))) {
        const auto windows = Run(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("xwininfo -root -tree | grep -E '^ +0x[0-9a-f]+ \"' | head -n 40")});
        out << "-- windows on " << m_env.value(QStringLiteral("DISPLAY")).toStdString() << ":\n"
            << windows.value_or("") << "\n";
    }
    for (const TProcess& p : m_processes) {
        out << "-- " << p.Name.toStdString() << ": "
            << (p.Process->state() == QProcess::NotRunning ? "ended, exit code " + std::to_string(p.Process->exitCode())
                                                           : std::string("running"))
            << "\n"
            << Tail(ReadText(p.Log), 25) << "\n";
    }
    return out.str();
}
