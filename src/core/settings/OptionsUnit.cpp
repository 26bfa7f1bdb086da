#include "core/settings/OptionsUnit.h"

#include "core/net/HttpText.h"
#include "platform/DesktopEntry.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

#include <QLoggingCategory>

#include <cctype>
#include <cmath>

Q_LOGGING_CATEGORY(lcOptions, "plotvane.settings", QtWarningMsg)

TConfigRec Config;
std::string DataFolder;
std::string CacheFolder;
std::string TempFolder;

namespace {

constexpr std::string_view ValMoviesInQueue = "Movies in queue";
constexpr std::string_view ValCheckForNewMovies = "Check for new movies";
constexpr std::string_view ValUpdateInterval = "Update interval";
constexpr std::string_view ValNetFlixID = "NetFlixID";
constexpr std::string_view ValMinimizeOnRun = "Minimize on run";
constexpr std::string_view ValAutoStartup = "Auto startup";
constexpr std::string_view ValNLFA = "NLFA";

template <std::size_t N>
std::int32_t IndexOr2(std::int32_t value, const std::array<TComboData, N>&) {
    return value >= 0 && value < static_cast<std::int32_t>(N) ? value : 2;
}

} // namespace

void SetDefaultConfig() {
    Config = TConfigRec{};
}

void LoadConfig() {
    platform::TRegistry reg;
    if (!reg.OpenKey(ConfigKey, false))
        return;
    try {
        Config.MoviesInQueue = IndexOr2(reg.ReadInteger(ValMoviesInQueue), MoviesInQueueItems);
        Config.CheckForNewMovies = IndexOr2(reg.ReadInteger(ValCheckForNewMovies), CheckForNewMoviesItems);
        Config.UpdateInterval = IndexOr2(reg.ReadInteger(ValUpdateInterval), UpdateIntervalItems);
        Config.NetFlixID = reg.ReadString(ValNetFlixID);
        Config.MinimizeOnRun = reg.ReadInteger(ValMinimizeOnRun) != 0;
        Config.AutoStartup = reg.ReadInteger(ValAutoStartup) != 0;
        if (reg.ValueExists(ValNLFA))
            Config.NLFA = reg.ReadDateTime(ValNLFA);
        if (Config.NLFA == 0.0 || !std::isfinite(Config.NLFA))
            Config.NLFA = Now();
    } catch (const platform::ERegistryException& error) {
        qCWarning(lcOptions) << "settings unreadable, the defaults apply:" << error.what();
        SetDefaultConfig();
    }
    reg.CloseKey();
}

void SaveConfig() {
    platform::TRegistry reg;
    if (!reg.OpenKey(ConfigKey, true))
        return;
    reg.WriteInteger(ValMoviesInQueue, Config.MoviesInQueue);
    reg.WriteInteger(ValCheckForNewMovies, Config.CheckForNewMovies);
    reg.WriteInteger(ValUpdateInterval, Config.UpdateInterval);
    reg.WriteString(ValNetFlixID, Config.NetFlixID);
    reg.WriteInteger(ValMinimizeOnRun, Config.MinimizeOnRun ? 1 : 0);
    reg.WriteInteger(ValAutoStartup, Config.AutoStartup ? 1 : 0);
    reg.WriteDateTime(ValNLFA, Config.NLFA);
    reg.CloseKey();
}

bool TrySaveConfig(std::string* reason) {
    try {
        SaveConfig();
        return true;
    } catch (const platform::ERegistryException& error) {
        qCWarning(lcOptions) << "settings not saved, they hold only until the program ends:" << error.what();
        if (reason)
            *reason = error.what();
        return false;
    }
}

void OpenURL(const std::string& url) {
    platform::TShell& shell = platform::Shell();
    const std::string command = shell.HtmlOpenCommand();
    if (command.empty() || url.find("mailto:") != std::string::npos) {
        shell.ShellExecute({}, url, {});
        return;
    }
    // Nothing a server sent may reach the browser as an option of its own.
    if (url.starts_with('-')) {
        qCWarning(lcOptions) << "refused to open an address that reads as an option:" << url.c_str();
        return;
    }
    // The whole command, wrappers included: "env MOZ_X=1 firefox %u" and "flatpak run ... %u"
    // start the browser only through what stands before it.
    const auto argv = platform::ExpandDesktopExec(command, url);
    if (!argv) {
        qCWarning(lcOptions) << "the browser command cannot be read, opening through the desktop:" << command.c_str();
        shell.ShellExecute({}, url, {});
        return;
    }
    shell.StartProgram(*argv);
}

bool IsWebAddress(const std::string& url) {
    return httptext::StartsWithNoCase(url, "http://") || httptext::StartsWithNoCase(url, "https://");
}

bool OpenServerURL(const std::string& url) {
    if (!IsWebAddress(url)) {
        qCWarning(lcOptions) << "refused to open a link that is no web address:" << url.c_str();
        return false;
    }
    OpenURL(url);
    return true;
}

bool CreateSubFolders(const std::string& base, const std::vector<std::string>& parts, std::string& path) {
    path.clear();
    if (!platform::DirectoryExists(base))
        return false;
    bool result = false;
    std::string accumulated;
    for (const std::string& part : parts) {
        accumulated += part;
        const std::string folder = base + accumulated;
        result = platform::DirectoryExists(folder) || platform::CreateDir(folder);
    }
    if (result)
        path = base + accumulated;
    return result;
}
