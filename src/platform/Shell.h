#pragma once

#include <string>

namespace platform {

/** What the program asks of the desktop shell: which browser opens web pages, and opening things. */
class TShell {
public:
    virtual ~TShell() = default;

    /**
     * The command line of the program that opens web pages, its program path in double quotes
     * ("\"/usr/bin/firefox-esr\" %u"); empty when the desktop names none.
     */
    virtual std::string HtmlOpenCommand() = 0;

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
