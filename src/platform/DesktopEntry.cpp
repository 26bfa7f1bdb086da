#include "platform/DesktopEntry.h"

#include "platform/Paths.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform {

std::optional<std::vector<std::string>> SplitDesktopExec(const std::string& exec) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (c == '"') {
            inArg = true;
            for (++i;; ++i) {
                if (i >= exec.size())
                    return std::nullopt;
                if (exec[i] == '"')
                    break;
                if (exec[i] == '\\' && i + 1 < exec.size())
                    ++i;
                else if (exec[i] == '%' && i + 1 < exec.size() && exec[i + 1] == '%')
                    ++i;
                current.push_back(exec[i]);
            }
        } else if (c == ' ' || c == '\t') {
            if (inArg)
                args.push_back(std::move(current));
            current.clear();
            inArg = false;
        } else {
            current.push_back(c);
            inArg = true;
        }
        // "%%" stands for a literal percent sign; other field codes are left for the caller.
        if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%')
            ++i;
    }
    if (inArg)
        args.push_back(std::move(current));
    return args;
}

std::string QuoteDesktopExecArg(const std::string& arg) {
    std::string out = "\"";
    for (char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
        if (c == '%')
            out.push_back('%');
    }
    out.push_back('"');
    return out;
}

std::optional<std::string> ReadDesktopEntryValue(const std::string& file, const std::string& key) {
    std::ifstream in(file);
    if (!in)
        return std::nullopt;
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || !line.starts_with(key))
            continue;
        std::size_t pos = key.size();
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        if (pos < line.size() && line[pos] == '=') {
            ++pos;
            while (pos < line.size() && line[pos] == ' ')
                ++pos;
            return line.substr(pos);
        }
    }
    return std::nullopt;
}

std::string FindDesktopFile(const std::string& desktopId) {
    if (desktopId.empty() || desktopId.find('/') != std::string::npos || desktopId.starts_with('.'))
        return {};
    std::vector<std::string> folders;
    if (const std::string home = AppDataFolder(); !home.empty())
        folders.push_back(home);
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::istringstream list(dirs && dirs[0] ? dirs : "/usr/local/share:/usr/share");
    for (std::string dir; std::getline(list, dir, ':');)
        if (!dir.empty())
            folders.push_back(dir);
    for (const std::string& folder : folders) {
        const std::string candidate = folder + "/applications/" + desktopId;
        if (FileExists(candidate))
            return candidate;
    }
    return {};
}

} // namespace platform
