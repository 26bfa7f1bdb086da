#pragma once

#include <functional>
#include <string>

/**
 * The program's general error reporting: errors that end a step and exceptions nothing else
 * caught are shown to the member (by the handler the window installs) rather than ending the
 * program silently. Also composes the bug report that the About box mails.
 */
namespace crashreport {

using TErrorHandler = std::function<void(const std::string& message)>;

/** Installs where errors go; without one they go to the log. */
void SetErrorHandler(TErrorHandler handler);

/** Reports an error to the member. */
void ReportError(const std::string& message);

/** Runs work; an exception escaping it is reported instead. True when work completed. */
bool Guard(const std::function<void()>& work);

/** The bug report: version, system, and a summary of the settings without the feed code. */
std::string BugReport(const std::string& version);

/** The "mailto:" address that opens a new message with these fields in the mail program. */
std::string MailToAddress(const std::string& recipient, const std::string& subject, const std::string& body);

/** Opens a new message in the member's mail program; nothing is sent by the program. */
void SendMail(const std::string& recipient, const std::string& subject, const std::string& body);

} // namespace crashreport
