#include "platform/LinuxShell.h"

#include "platform/DesktopEntry.h"
#include "platform/Paths.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cctype>

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
    if (argument.starts_with('-'))
        return;
    QStringList args;
    if (!argument.empty())
        args << QString::fromStdString(argument);
    QProcess::startDetached(QString::fromStdString(program), args);
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
    std::string program = (*args)[0];
    if (program.find('/') == std::string::npos) {
        program = QStandardPaths::findExecutable(QString::fromStdString(program)).toStdString();
        if (program.empty())
            return {};
    }
    std::string command = "\"" + program + "\"";
    for (std::size_t i = 1; i < args->size(); ++i)
        command += " " + (*args)[i];
    return command;
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
