#include "core/app/CrashReport.h"

#include "core/settings/OptionsUnit.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QSysInfo>

#include <algorithm>
#include <exception>
#include <mutex>

Q_LOGGING_CATEGORY(lcCrash, "plotvane.errors")

namespace crashreport {
namespace {

std::mutex g_mutex;
TErrorHandler g_handler;

std::string Encoded(const std::string& text) {
    return QByteArray::fromStdString(text).toPercentEncoding().toStdString();
}

template <std::size_t N>
std::string Caption(const std::array<TComboData, N>& items, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N)
        return "(" + std::to_string(index) + ")";
    return std::string(items[static_cast<std::size_t>(index)].DisplayText);
}

} // namespace

void SetErrorHandler(TErrorHandler handler) {
    std::lock_guard lock(g_mutex);
    g_handler = std::move(handler);
}

void ReportError(const std::string& message) {
    TErrorHandler handler;
    {
        std::lock_guard lock(g_mutex);
        handler = g_handler;
    }
    qCWarning(lcCrash) << message.c_str();
    if (handler)
        handler(message);
}

bool Guard(const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const std::exception& error) {
        ReportError(error.what());
    } catch (...) {
        ReportError("An unknown error occurred.");
    }
    return false;
}

std::string BugReport(const std::string& version) {
    std::string report;
    report += "Plotvane version: " + version + "\r\n";
    report += "System: " + QSysInfo::prettyProductName().toStdString() + ", kernel " +
              QSysInfo::kernelVersion().toStdString() + ", " + QSysInfo::currentCpuArchitecture().toStdString() +
              "\r\n";
    report += "Qt: " + std::string(qVersion()) + "\r\n";
    report += "Settings:\r\n";
    report += "  Show movies in queue: " + Caption(MoviesInQueueItems, Config.MoviesInQueue) + "\r\n";
    report += "  Check for new movies every: " + Caption(CheckForNewMoviesItems, Config.CheckForNewMovies) + "\r\n";
    report += "  Check for program updates: " + Caption(UpdateIntervalItems, Config.UpdateInterval) + "\r\n";
    report += std::string("  Start minimized: ") + (Config.MinimizeOnRun ? "yes" : "no") + "\r\n";
    report += std::string("  Start at logon: ") + (Config.AutoStartup ? "yes" : "no") + "\r\n";
    // The code opens the member's feeds to anyone who has it: the report only says whether one is set.
    report += std::string("  Feed code: ") + (Config.NetFlixID.empty() ? "not set" : "set") + "\r\n";
    report += "\r\nWhat happened:\r\n\r\n\r\n";
    // What the program noticed goes to standard error, category by category, once asked for.
    report += "A log helps: start Plotvane from a terminal as\r\n"
              "  QT_LOGGING_RULES='plotvane.*=true' plotvane\r\n"
              "and paste what it prints here.\r\n";
    return report;
}

std::string MailToAddress(const std::string& recipient, const std::string& subject, const std::string& body) {
    return "mailto:" + Encoded(recipient) + "?subject=" + Encoded(subject) + "&body=" + Encoded(body);
}

void SendMail(const std::string& recipient, const std::string& subject, const std::string& body) {
    OpenURL(MailToAddress(recipient, subject, body));
}

} // namespace crashreport
