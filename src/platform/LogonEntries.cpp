#include "platform/LogonEntries.h"

#include "platform/DesktopEntry.h"
#include "platform/Paths.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>

Q_LOGGING_CATEGORY(lcLogon, "plotvane.platform.logon", QtWarningMsg)

namespace platform {

namespace {

std::string AutostartFolder() {
    const std::string config = ConfigFolder();
    return config.empty() ? std::string() : config + "/autostart";
}

// Single quotes for sh -c: nothing inside is interpreted.
std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out.push_back(c);
    }
    return out + "'";
}

} // namespace

std::string LogonEntryFile(const std::string& entryId) {
    const std::string folder = AutostartFolder();
    return folder.empty() ? std::string() : folder + "/" + entryId + ".desktop";
}

bool LogonEntryExists(const std::string& entryId) {
    return FileExists(LogonEntryFile(entryId));
}

bool LogonEntryEnabled(const std::string& entryId) {
    const std::string file = LogonEntryFile(entryId);
    if (!FileExists(file))
        return false;
    return ReadDesktopEntryValue(file, "Hidden") != "true" &&
           ReadDesktopEntryValue(file, "X-GNOME-Autostart-enabled") != "false";
}

bool WriteLogonEntry(const std::string& entryId, const std::string& name, const std::string& program,
                     const std::string& argument, bool runOnce) {
    const std::string file = LogonEntryFile(entryId);
    if (file.empty())
        return false;
    // A line break would end the Exec= line and start another, of the path's choosing; no
    // control character belongs in a command a session runs.
    for (const std::string* text : {&program, &argument})
        if (std::any_of(text->begin(), text->end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; })) {
            qCWarning(lcLogon) << "refused a logon entry for a path with a control character:" << text->c_str();
            return false;
        }
    const std::string config = ConfigFolder();
    ::mkdir(config.c_str(), 0700);
    ::mkdir(AutostartFolder().c_str(), 0700);

    std::string exec;
    if (runOnce) {
        std::string command = ShellQuote(program);
        if (!argument.empty())
            command += " " + ShellQuote(argument);
        exec = QuoteDesktopExecArg("/bin/sh") + " -c " +
               QuoteDesktopExecArg("rm -f " + ShellQuote(file) + "; exec " + command);
    } else {
        exec = QuoteDesktopExecArg(program);
        if (!argument.empty())
            exec += " " + QuoteDesktopExecArg(argument);
    }
    const std::string temp = file + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        // The file's own escapes come on top of Exec='s quoting: a backslash inside a quoted
        // argument is written twice.
        out << "[Desktop Entry]\nType=Application\nName=" << EscapeDesktopValue(name)
            << "\nExec=" << EscapeDesktopValue(exec) << "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    return std::rename(temp.c_str(), file.c_str()) == 0;
}

bool DeleteLogonEntry(const std::string& entryId) {
    const std::string file = LogonEntryFile(entryId);
    return !file.empty() && std::remove(file.c_str()) == 0;
}

} // namespace platform
