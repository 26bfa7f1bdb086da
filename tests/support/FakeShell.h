#pragma once

#include "platform/Shell.h"

#include <string>
#include <vector>

/** A shell that answers a set browser command and records what it was asked to open. */
class TFakeShell final : public platform::TShell {
public:
    struct TCall {
        std::string Verb;
        std::string File;
        std::string Params;
        bool operator==(const TCall&) const = default;
    };

    TFakeShell() { platform::SetShell(this); }
    ~TFakeShell() override { platform::SetShell(nullptr); }

    std::string BrowserCommand;
    std::vector<TCall> Calls;
    std::vector<std::vector<std::string>> Started;

    std::string HtmlOpenCommand() override { return BrowserCommand; }
    void ShellExecute(const std::string& verb, const std::string& file, const std::string& params) override {
        Calls.push_back({verb, file, params});
    }
    void StartProgram(const std::vector<std::string>& argv) override { Started.push_back(argv); }
};
