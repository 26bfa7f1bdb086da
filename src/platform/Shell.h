#pragma once

#include <string>
#include <vector>

namespace platform {

/** What the program asks of the desktop shell: which browser opens web pages, and opening things. */
class TShell {
public:
    virtual ~TShell() = default;

    /**
     * The command line of the program that opens web pages, as a desktop entry's Exec= value
     * with the program's full path in double quotes ("\"/usr/bin/env\" MOZ_X=1 firefox %u");
     * empty when the desktop names none or its program is not installed.
     */
    virtual std::string HtmlOpenCommand() = 0;

    /** Starts argv[0] with the other elements as its arguments, detached from the program. */
    virtual void StartProgram(const std::vector<std::string>& argv) = 0;

    /**
     * With verb "open": starts program file with params as its one argument. With an empty verb:
     * opens file (an address or a document) with whatever the desktop associates with it, or
     * runs it when it is an executable file.
     */
    virtual void ShellExecute(const std::string& verb, const std::string& file, const std::string& params) = 0;
};

/** The shell in use: the desktop's, unless a test put another in place. */
TShell& Shell();

/** Puts a shell in place for tests; nullptr restores the desktop's. Not owned. */
void SetShell(TShell* shell);

} // namespace platform
