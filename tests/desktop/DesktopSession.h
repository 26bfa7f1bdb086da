#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

/**
 * A member's desktop for one test, made of the real programs Debian ships: an X server or a
 * Wayland compositor, a window manager, a compositor, a tray or a panel, a D-Bus session, the
 * demo service and Plotvane itself, each held as a QProcess and ended, last started first, when
 * the session goes. Everything runs in a throw-away profile; nothing reaches a real host.
 *
 * A component that does not start fails the test with a message that names it.
 */
class TDesktopSession final {
public:
    TDesktopSession();
    ~TDesktopSession();
    TDesktopSession(const TDesktopSession&) = delete;
    TDesktopSession& operator=(const TDesktopSession&) = delete;

    /** The profile's path of a file or folder. */
    std::string Path(const std::string& relative) const;
    /** The settings of a member with a feed code; "Minimize on run" as asked. */
    void WriteSettings(const std::string& feedCode, bool minimizeOnRun = false) const;
    /** The environment every process of the session gets. */
    QProcessEnvironment& Env() { return m_env; }

    bool StartX(const QString& screen = QStringLiteral("1280x800x24"));
    bool StartOpenbox();
    bool StartCompositor();
    bool StartDBus();
    /** A tray host or panel by its program name (trayer, tint2, xfce4-panel), once it is on the screen. */
    bool StartTrayHost(const QString& program);
    /** A headless Weston; with XWayland, DISPLAY is set to its X server. */
    bool StartWeston(bool xwayland);
    /** The demo service; its own options (--feed-delay-ms, --step-seconds, …) follow the defaults. */
    bool StartDemo(const QStringList& options = {});
    /** Asks the demo service for one of its own pages (a variant of a page, the next step), through the proxy. */
    bool AskDemo(const QString& pathAndQuery) const;
    /** Plotvane itself; its log goes with a failure's report. */
    QProcess* StartPlotvane(const QProcessEnvironment& extra = {});
    /** Any other program of the session, as a member would start it. */
    QProcess* Start(const QString& name, const QString& program, const QStringList& args);

    /** Runs a command to its end (at most timeoutMs) and gives its standard output; nullopt when it failed. */
    std::optional<std::string> Run(const QString& program, const QStringList& args, int timeoutMs = 10000) const;

    /** Waits, with the event loop running, until the predicate holds; false when the time ran out. */
    static bool WaitFor(const std::function<bool()>& predicate, std::chrono::milliseconds timeout);

    /** Ends a process of the session with SIGTERM; its exit code, or nullopt when it did not end in time. */
    static std::optional<int> Terminate(QProcess* process, std::chrono::milliseconds timeout);

    // What a member sees, through the tools of the desktop.
    /** The first window on the X display whose name matches the pattern exactly, visible or not. */
    std::string FindWindow(const QString& namePattern, bool onlyVisible) const;
    bool IsViewable(const std::string& window) const;
    /** Where a window stands on the screen, frame excluded; empty when it is not there. */
    QRect Geometry(const std::string& window) const;
    /** Presses keys on the focused window, as xdotool names them ("Return", "Up"). */
    bool Keys(const QStringList& keys) const;
    /** The windows the window manager lists for the task bar (_NET_CLIENT_LIST). */
    std::vector<std::string> TaskbarWindows() const;
    /** A property of a window as xprop prints it; empty when it is not set. */
    std::string WindowProperty(const std::string& window, const QString& property) const;
    /** The cached box art: the lists are in once ten pictures are. */
    bool HasBoxArt() const;
    std::string Registry() const;

    /** Everything the process of that name wrote so far (the demo service logs each request). */
    std::string Log(const QString& name) const;

    /** The windows, the processes that ended and the end of every log: what a failure shows. */
    std::string Report() const;

private:
    struct TProcess {
        QString Name;
        std::unique_ptr<QProcess> Process;
        QString Log;
    };
    QProcess* Launch(const QString& name, const QString& program, const QStringList& args,
                     const QProcessEnvironment& env);
    bool Ready(const QString& what, QProcess* process, const std::function<bool()>& predicate,
               std::chrono::milliseconds timeout);

    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    std::vector<TProcess> m_processes;
};
