#include "platform/DesktopEntry.h"

#include "platform/Paths.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>

namespace platform {

namespace {

// Splits an Exec= value by its quoting rules. With an address, the field codes outside quotes
// are expanded as they are met; without one they are kept as text for the caller.
std::optional<std::vector<std::string>> Tokenize(const std::string& exec, const std::string* url, bool& urlUsed) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false;
    // An argument made only of dropped field codes ("%i" alone) is dropped with them.
    bool onlyDropped = false;
    const auto endArg = [&] {
        if (inArg && !(onlyDropped && current.empty()))
            args.push_back(std::move(current));
        current.clear();
        inArg = false;
        onlyDropped = false;
    };
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (c == '"') {
            inArg = true;
            onlyDropped = false;
            for (++i;; ++i) {
                if (i >= exec.size())
                    return std::nullopt;
                if (exec[i] == '"')
                    break;
                // A backslash escapes the next character; "%%" is one percent sign.
                if ((exec[i] == '\\' && i + 1 < exec.size()) ||
                    (exec[i] == '%' && i + 1 < exec.size() && exec[i + 1] == '%'))
                    ++i;
                current.push_back(exec[i]);
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            endArg();
        } else if (c == '%' && i + 1 < exec.size()) {
            const char code = exec[++i];
            if (code == '%' || !url) {
                // "%%" stands for a literal percent sign; without an address the code stays.
                current.push_back('%');
                if (code != '%')
                    current.push_back(code);
                onlyDropped = false;
            } else if (code == 'u' || code == 'U' || code == 'f' || code == 'F') {
                current += *url;
                urlUsed = true;
                onlyDropped = false;
            } else if (!inArg || onlyDropped) {
                onlyDropped = true;
            }
            inArg = true;
        } else {
            current.push_back(c);
            inArg = true;
            onlyDropped = false;
        }
    }
    endArg();
    return args;
}

} // namespace

std::optional<std::vector<std::string>> SplitDesktopExec(const std::string& exec) {
    bool unused = false;
    return Tokenize(exec, nullptr, unused);
}

std::optional<std::vector<std::string>> ExpandDesktopExec(const std::string& exec, const std::string& url) {
    bool urlUsed = false;
    auto args = Tokenize(exec, &url, urlUsed);
    if (!args || args->empty())
        return std::nullopt;
    if (!urlUsed)
        args->push_back(url);
    return args;
}

std::string JoinDesktopExec(const std::vector<std::string>& args) {
    std::string out;
    for (const std::string& arg : args) {
        if (!out.empty())
            out.push_back(' ');
        // A field code, alone or inside an argument ("--url=%u"), only expands outside quotes.
        const bool plain = !arg.empty() && arg.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos;
        out += plain ? arg : QuoteDesktopExecArg(arg);
    }
    return out;
}

std::string EscapeDesktopValue(const std::string& value) {
    std::string out;
    for (char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string UnescapeDesktopValue(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out.push_back(text[i]);
            continue;
        }
        switch (text[i + 1]) {
        case 's':
            out.push_back(' ');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 't':
            out.push_back('\t');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case '\\':
            out.push_back('\\');
            break;
        default:
            // Not an escape of the value: the backslash belongs to what the value holds (an
            // Exec= quoting such as \$).
            out.push_back('\\');
            out.push_back(text[i + 1]);
        }
        ++i;
    }
    return out;
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
    const std::optional<std::string> text = ReadRegularFile(file, std::int64_t{1024} * 1024);
    if (!text)
        return std::nullopt;
    std::istringstream in(*text);
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
            return UnescapeDesktopValue(line.substr(pos));
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
        std::string candidate = folder;
        candidate.append("/applications/").append(desktopId);
        if (FileExists(candidate))
            return candidate;
    }
    return {};
}

} // namespace platform
