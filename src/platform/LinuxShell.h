#pragma once

#include "platform/Shell.h"

namespace platform {

/** The freedesktop shell: xdg-settings/xdg-mime for the browser, xdg-open for everything else. */
class TLinuxShell final : public TShell {
public:
    std::string HtmlOpenCommand() override;
    void StartProgram(const std::vector<std::string>& argv) override;
    void ShellExecute(const std::string& verb, const std::string& file, const std::string& params) override;
};

} // namespace platform
