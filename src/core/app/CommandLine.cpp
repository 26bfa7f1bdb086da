#include "core/app/CommandLine.h"

#include "core/update/UpdateFormats.h"
#include "platform/FileVersion.h"

#include <cstring>

TCommand ParseCommandLine(int argc, const char* const argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (!argv[i])
            continue;
        if (std::strcmp(argv[i], "--help") == 0)
            return TCommand::Help;
        if (std::strcmp(argv[i], "--version") == 0)
            return TCommand::Version;
    }
    return TCommand::Run;
}

std::string HelpText() {
    return "Usage: plotvane [--help | --version]\n"
           "\n"
           "Plotvane shows the DVDs in your rental queue, at home and recently returned, from your\n"
           "two personal feeds of the rental service, and tells you when they change. It lives in\n"
           "the tray; started again while it runs, it brings its window forward.\n"
           "\n"
           "Options:\n"
           "  --help     print this help and exit\n"
           "  --version  print the version and exit\n"
           "\n"
           "Any other argument is ignored.\n"
           "\n"
           "Environment:\n"
           "  http_proxy, no_proxy  the proxy every request goes through, and the hosts it skips\n"
           "  QT_LOGGING_RULES      what is logged on standard error, e.g. 'plotvane.*=true'\n"
           "\n"
           "The settings, the cache and the logon entry are listed in plotvane(1).\n";
}

std::string VersionText(const std::string& executable) {
    platform::TFileVersion version;
    if (!platform::ReadFileVersion(executable, version))
        return "Plotvane (version unknown)\n";
    return "Plotvane " + VersionToStr(PackFileVersion(version.VersionMS, version.VersionLS)) + "\n";
}
