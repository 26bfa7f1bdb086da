#include "platform/LinuxShell.h"

#include "platform/DesktopEntry.h"
#include "platform/Paths.h"

#include <QLoggingCategory>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cctype>

Q_LOGGING_CATEGORY(lcShell, "plotvane.platform.shell", QtWarningMsg)

namespace platform {

namespace {

std::string RunForLine(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args, QIODevice::ReadOnly);
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput().trimmed().toStdString();
}

bool LooksLikeAddress(const std::string& file) {
    const std::size_t colon = file.find(':');
    if (colon == std::string::npos || colon == 0 || file.find('/') < colon)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = file[i];
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'))
            return false;
    }
    return true;
}

void Start(const std::string& program, const std::string& argument) {
    // Nothing a server sent may reach a program as an option of its own.
    if (argument.starts_with('-')) {
        qCWarning(lcShell) << "refused an argument that reads as an option:" << argument.c_str();
        return;
    }
    QStringList args;
    if (!argument.empty())
        args << QString::fromStdString(argument);
    if (!QProcess::startDetached(QString::fromStdString(program), args))
        qCWarning(lcShell) << "could not start" << program.c_str();
}

} // namespace

std::string TLinuxShell::HtmlOpenCommand() {
    std::string id =
        RunForLine(QStringLiteral("xdg-settings"), {QStringLiteral("get"), QStringLiteral("default-web-browser")});
    if (id.empty())
        id = RunForLine(QStringLiteral("xdg-mime"),
                        {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/http")});
    const std::string file = FindDesktopFile(id);
    if (file.empty())
        return {};
    const auto exec = ReadDesktopEntryValue(file, "Exec");
    if (!exec)
        return {};
    const auto args = SplitDesktopExec(*exec);
    if (!args || args->empty())
        return {};
    const std::string program = FindProgram(args->front());
    if (program.empty())
        return {};
    // A wrapper (env, flatpak run, a snap's launcher) stays in front of the browser it starts.
    const std::vector<std::string> rest(args->begin() + 1, args->end());
    return QuoteDesktopExecArg(program) + (rest.empty() ? "" : " " + JoinDesktopExec(rest));
}

void TLinuxShell::StartProgram(const std::vector<std::string>& argv) {
    if (argv.empty() || argv.front().empty())
        return;
    QStringList args;
    for (std::size_t i = 1; i < argv.size(); ++i)
        args << QString::fromStdString(argv[i]);
    if (!QProcess::startDetached(QString::fromStdString(argv.front()), args))
        qCWarning(lcShell) << "could not start" << argv.front().c_str();
}

void TLinuxShell::ShellExecute(const std::string& verb, const std::string& file, const std::string& params) {
    if (file.empty())
        return;
    // A package is opened with the system's package handler, whatever its permissions say.
    const bool program = !LooksLikeAddress(file) && IsExecutableFile(file) && !IsSystemPackage(file);
    if (program)
        Start(file, params);
    else if (verb.empty() || params.empty())
        Start("xdg-open", file);
    // "open" of a program that is not there with an argument for it: a failure, as on any shell.
}

} // namespace platform
