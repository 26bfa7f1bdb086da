#include "core/update/SFUpdate.h"

#include "core/net/BSCB.h"
#include "core/net/Hosts.h"
#include "core/net/IEDownload.h"
#include "core/settings/DateTime.h"
#include "platform/FileVersion.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QLoggingCategory>
#include <QTimer>

#include <cmath>

Q_LOGGING_CATEGORY(lcUpdate, "plotvane.update", QtWarningMsg)

namespace {

// Days of the month that a date-time falls in.
int DaysInMonth(TDateTime when) {
    const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(when)));
    return date.daysInMonth();
}

// The longest a mode ever waits between checks, in days.
// The update check and the installer's start; the installer's length adds its own time to it.
constexpr int CheckDeadlineMs = 60000;
// 4 KiB/s: a 20 MB installer may take 85 minutes.
constexpr std::int64_t InstallerMinimumRate = 4096;

int LongestWait(std::uint8_t mode) {
    switch (static_cast<TUpdateMode>(mode)) {
    case TUpdateMode::umDaily:
        return 1;
    case TUpdateMode::umWeekly:
        return 7;
    default:
        return 31;
    }
}

} // namespace

TSFUpdate::TSFUpdate(QObject* owner)
    : QObject(owner) {
    m_transferDone = true;
    m_updateMode = TUpdateMode::umNever;
    ResetStatus();
    // Not the shared temporary folder: there another user could plant the file that is run.
    m_tempPath = platform::DownloadFolder();
    m_download = std::make_unique<TIEDownload>();
    m_download->TimeOut = 5000;
    m_download->Deadline = CheckDeadlineMs;
    m_download->Options = {TBindInfoOption::Asynchronous,     TBindInfoOption::AsyncStorage,
                           TBindInfoOption::GetNewestVersion, TBindInfoOption::NoWriteCache,
                           TBindInfoOption::NeedFile,         TBindInfoOption::IgnoreSecurityProblem,
                           TBindInfoOption::Resynchronize,    TBindInfoOption::No_UI,
                           TBindInfoOption::SilentOperation,  TBindInfoOption::Pragma_No_Cache};
    m_download->Codepage = TCodePageOption::Ansi;
    m_download->UrlEncode.clear();
    m_download->Method = TBindVerbOption::Get;
}

TSFUpdate::~TSFUpdate() {
    m_download->Cancel();
    while (!m_transferDone)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    m_download.reset();
    SaveStatus();
}

void TSFUpdate::ResetStatus() {
    m_status = TUpdateStatus{};
    m_answer.RemoteInfo = TVersionRec{};
    // A status that could not be read keeps the member's interval, not "never": otherwise no
    // check would run again until Options is confirmed.
    m_status.Mode = static_cast<std::uint8_t>(m_updateMode);
    m_status.NextCheck = NextCheckFrom(m_updateMode, Now(), true);
}

TDateTime TSFUpdate::NextCheckFrom(TUpdateMode mode, TDateTime now, bool todayForDaily) {
    switch (mode) {
    case TUpdateMode::umNever:
        return 0;
    case TUpdateMode::umDaily:
        return todayForDaily ? std::floor(now) : now + 1;
    case TUpdateMode::umWeekly:
        return now + 7;
    case TUpdateMode::umMonthly:
        return now + DaysInMonth(now);
    }
    return 0;
}

void TSFUpdate::SetUpdateMode(TUpdateMode mode) {
    m_updateMode = mode;
    m_status.Mode = static_cast<std::uint8_t>(mode);
    if (m_status.NextCheck == 0)
        m_status.NextCheck = NextCheckFrom(mode, Now(), true);
}

void TSFUpdate::SetVersionFileName(const std::string& path) {
    m_versionFileName = path;
    m_localInfo = TVersionRec{};
    if (!platform::FileExists(path))
        return;
    m_localInfo.BaseName = platform::ExtractFileName(path).substr(0, 64);
    platform::TFileVersion version;
    if (platform::ReadFileVersion(path, version)) {
        m_localInfo.Valid = 1;
        m_localInfo.Version = PackFileVersion(version.VersionMS, version.VersionLS);
    }
}

void TSFUpdate::CheckForUpdate(bool force) {
    ReadStatus();
    const TDateTime now = Now();
    // A next check more than a day beyond the longest wait means the clock was turned back since
    // (the day's slack covers summer time): waiting for it could mean no check for years.
    const bool due = m_status.Mode != static_cast<std::uint8_t>(TUpdateMode::umNever) &&
                     (std::floor(m_status.NextCheck) <= std::floor(now) ||
                      m_status.NextCheck > now + LongestWait(m_status.Mode) + 1);
    if (m_status.DownloadPending == 1 || due || force)
        StartCheck();
    else if (onVersionCheckComplete)
        onVersionCheckComplete(this);
}

void TSFUpdate::ReadStatus() {
    std::string stream;
    if (OnReadUpdateStatus) {
        try {
            OnReadUpdateStatus(this, stream);
        } catch (const std::exception& error) {
            qCWarning(lcUpdate) << "update status unreadable, starting afresh at the member's interval:"
                                << error.what();
            ResetStatus();
            stream.clear();
        } catch (...) {
            qCWarning(lcUpdate) << "update status unreadable, starting afresh at the member's interval";
            ResetStatus();
            stream.clear();
        }
    }
    // A record that does not read whole is no status at all.
    if (!stream.empty() && !ReadStatusRecord(stream, m_status))
        ResetStatus();
}

void TSFUpdate::SaveStatus() {
    m_status.NextCheck = NextCheckFrom(static_cast<TUpdateMode>(m_status.Mode), Now(), false);
    if (m_status.Mode > static_cast<std::uint8_t>(TUpdateMode::umMonthly))
        m_status.NextCheck = 0;
    if (!OnSaveUpdateStatus)
        return;
    try {
        OnSaveUpdateStatus(this, WriteStatusRecord(m_status));
    } catch (const std::exception& error) {
        qCWarning(lcUpdate) << "update status not stored:" << error.what();
    } catch (...) {
        qCWarning(lcUpdate) << "update status not stored";
    }
}

void TSFUpdate::StartCheck() {
    m_transferDone = false;
    m_download->Options.Exclude(TBindInfoOption::NeedFile);
    m_download->MinimumRate = 0;
    m_download->OnComplete = [this](TBSCB* s, QIODevice* stream, HRESULT r) { CheckFinished(s, stream, r); };
    m_download->Go(std::string(hosts::VendorUpdate) +
                       "/cgi-bin/autoupdate/AutoUpdateSrv.dll/GetProjectInfo?ProjectID=" + ProjectWebID,
                   {});
}

void TSFUpdate::CheckFinished(TBSCB*, QIODevice* stream, HRESULT result) {
    m_transferDone = true;
    if (result != hresult::S_OK || !stream)
        return;
    stream->seek(0);
    const QByteArray bytes = stream->readAll();
    try {
        ParseAnswer(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), m_answer);
    } catch (const EBadDecompression& error) {
        qCWarning(lcUpdate) << "the update answer did not unpack:" << error.what();
        m_download->OnComplete = nullptr;
        if (OnError)
            OnError(error.what());
        return;
    }
    m_download->OnComplete = nullptr;
    Defer([this] { AfterVersionCheck(); });
}

void TSFUpdate::Defer(std::function<void()> continuation) {
    // Runs on the main thread once the downloader's notification has returned.
    QTimer::singleShot(1, this, std::move(continuation));
}

void TSFUpdate::AfterVersionCheck() {
    if (onVersionCheckComplete)
        onVersionCheckComplete(this);
    const TVersionRec& remote = m_answer.RemoteInfo;
    if (remote.Valid == 0 || remote.Version <= m_localInfo.Version)
        return;
    // A name from the server becomes a path in the temporary folder: it must name a file there.
    if (!platform::IsPlainFileName(remote.BaseName))
        return;
    if (m_status.DownloadPending == 1) {
        // The settings name the partial file; one outside the program's own download folder is
        // nothing this program wrote, and nothing is appended to it.
        const std::string& partial = m_status.TempFile;
        if (m_tempPath.empty() || platform::ExtractFilePath(partial) != m_tempPath ||
            !platform::IsPlainFileName(platform::ExtractFileName(partial))) {
            qCWarning(lcUpdate) << "pending download dropped, its file lies outside" << m_tempPath.c_str() << ":"
                                << partial.c_str();
            m_status.DownloadPending = 0;
            m_status.DownloadVersion = 0;
            m_status.DownloadStarted = 0;
            m_status.TempFile.clear();
            return;
        }
        StartDownload(false);
        return;
    }
    bool toDownload = false;
    if (onNewVersionAvailable) {
        try {
            onNewVersionAvailable(this, remote.Version, toDownload);
        } catch (...) {
            qCWarning(lcUpdate) << "the offer of version" << remote.Version << "failed; nothing is downloaded";
            toDownload = false;
        }
    }
    if (toDownload)
        StartDownload(true);
}

void TSFUpdate::StartDownload(bool isNew) {
    m_download->Cancel();
    if (m_tempPath.empty()) {
        qCWarning(lcUpdate) << "no private folder to download the installer into; the download waits";
        return;
    }
    const TVersionRec& remote = m_answer.RemoteInfo;
    const std::string url = m_answer.DownloadFolder + "/" + remote.BaseName;
    std::string target = m_tempPath + remote.BaseName + ".tmp";
    const TDateTime now = Now();
    if (isNew) {
        m_status.TempFile = target;
        m_status.DownloadVersion = remote.Version;
        m_status.DownloadStarted = now;
    } else {
        target = m_status.TempFile;
        if (remote.Version != m_status.DownloadVersion) {
            // A newer version appeared since: its download starts afresh.
            isNew = true;
            m_status.DownloadVersion = remote.Version;
            m_status.DownloadStarted = now;
            target = m_tempPath + remote.BaseName + ".tmp";
            m_status.TempFile = target;
        }
    }
    // A new download starts from no file at all: whatever has the name, a link included, goes.
    if (isNew && !platform::RemoveFileOrLink(target)) {
        qCWarning(lcUpdate) << "could not clear the download's place of an earlier file:" << target.c_str();
        return;
    }
    m_resumed = !isNew && platform::FileLength(target) > 0;
    m_status.DownloadPending = 1;
    m_transferDone = false;
    m_download->Options.Include(TBindInfoOption::NeedFile);
    // However long the installer, a server that keeps it below this rate is given up on; the
    // partial file stays and the next run continues it.
    m_download->MinimumRate = InstallerMinimumRate;
    m_download->OnComplete = [this](TBSCB* s, QIODevice* stream, HRESULT r) { DownloadFinished(s, stream, r); };
    m_download->Go(url, target);
}

void TSFUpdate::DownloadFinished(TBSCB* sender, QIODevice*, HRESULT result) {
    m_transferDone = true;
    if (result == hresult::S_OK) {
        Defer([this] { FinishDownload(); });
    } else if (result == hresult::E_ABORT && sender && sender->ResponseCode() == 206) {
        // Stays pending for the next run.
    } else if (result == hresult::E_ABORT && sender && sender->ResponseCode() == 416 && m_resumed) {
        Defer([this] { FinishDownload(); }); // the partial file was complete already
    } else if (result == hresult::E_ABORT && sender && sender->ResponseCode() == 416) {
        // Asked for the whole file, none is "complete": a server that answers so has nothing.
        qCWarning(lcUpdate) << "the installer's server answered 416 to a request without a range";
        m_download->Cancel();
    } else {
        m_download->Cancel();
    }
}

void TSFUpdate::FinishDownload() {
    m_transferDone = true;
    m_status.DownloadPending = 0;
    m_status.DownloadVersion = 0;
    m_status.DownloadStarted = 0;
    const std::string finished = m_tempPath + m_answer.RemoteInfo.BaseName;
    // A resumed download lives where it was started, which need not be today's temporary folder.
    std::string downloaded = finished + ".tmp";
    if (!platform::FileExists(downloaded) && platform::FileExists(m_status.TempFile))
        downloaded = m_status.TempFile;
    // Only the member's own regular file, written by this download, is ever offered to run.
    if (!platform::IsOwnRegularFile(downloaded)) {
        qCWarning(lcUpdate) << "the download's file is gone or not the member's own:" << downloaded.c_str();
        return;
    }
    if (!platform::RemoveFileOrLink(finished)) {
        qCWarning(lcUpdate) << "could not remove an earlier installer" << finished.c_str();
        return;
    }
    if (!QFile::rename(QString::fromStdString(downloaded), QString::fromStdString(finished)) ||
        !platform::IsOwnRegularFile(finished)) {
        qCWarning(lcUpdate) << "could not put the installer in place:" << finished.c_str();
        return;
    }
    // The member runs it now or at the next logon, either way as a program; a package goes to
    // the system's package handler instead.
    if (!platform::IsSystemPackage(finished))
        platform::MarkExecutable(finished);
    bool autoExecute = false;
    if (OnDownloadComplete) {
        try {
            OnDownloadComplete(this, finished, autoExecute);
        } catch (...) {
            qCWarning(lcUpdate) << "the downloaded installer could not be offered:" << finished.c_str();
            autoExecute = false;
        }
    }
    if (autoExecute && platform::FileExists(finished))
        platform::Shell().ShellExecute("open", finished, {});
}
