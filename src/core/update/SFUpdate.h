#pragma once

#include "core/net/IEDownload.h"
#include "core/settings/DateTime.h"
#include "core/update/UpdateFormats.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>

class TBSCB;
class QIODevice;

/**
 * Keeps the program up to date: knows the installed version, asks the vendor's update server
 * once per run whether a newer one exists, downloads the installer into the temporary folder
 * when the owner agrees (resuming an interrupted download in a later run), and hands it over.
 * Its status record is kept by the owner, through two events.
 */
class TSFUpdate final : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TSFUpdate* sender)>;
    using TOnNewVersionEvent = std::function<void(TSFUpdate* sender, TVersion versionFull, bool& toDownload)>;
    using TOnDownloadCompleteEvent =
        std::function<void(TSFUpdate* sender, const std::string& fileName, bool& autoExecute)>;
    using TOnSaveUpdateStatus = std::function<void(TSFUpdate* sender, const std::string& configStream)>;
    using TOnReadUpdateStatus = std::function<void(TSFUpdate* sender, std::string& configStream)>;
    /** Where an error that ends a step goes: the program's general error reporting. */
    using TOnError = std::function<void(const std::string& message)>;

    explicit TSFUpdate(QObject* owner = nullptr);
    ~TSFUpdate() override;

    std::string ProjectWebID;
    TUpdateMode UpdateMode() const { return m_updateMode; }
    void SetUpdateMode(TUpdateMode mode);
    const std::string& VersionFileName() const { return m_versionFileName; }
    void SetVersionFileName(const std::string& path);
    TVersion VersionFileVersion() const { return m_localInfo.Version; }

    TNotifyEvent onVersionCheckComplete;
    TOnNewVersionEvent onNewVersionAvailable;
    TOnDownloadCompleteEvent OnDownloadComplete;
    TOnSaveUpdateStatus OnSaveUpdateStatus;
    TOnReadUpdateStatus OnReadUpdateStatus;
    TOnError OnError;

    /** Asks the server when a check is due, a download is pending, or force is set. */
    void CheckForUpdate(bool force);

    const std::string& ProjectName() const { return m_answer.ProjectName; }
    const std::string& ReleaseDescription() const { return m_answer.ReleaseDescription; }
    const std::string& ReleaseBugFixes() const { return m_answer.ReleaseBugFixes; }
    const std::string& ReleaseFeatures() const { return m_answer.ReleaseFeatures; }
    TVersion NewVersion() const { return m_answer.RemoteInfo.Version; }

    // What tests look at.
    const TUpdateStatus& Status() const { return m_status; }
    bool TransferDone() const { return m_transferDone; }
    const std::string& TempPath() const { return m_tempPath; }
    TIEDownload& Downloader() { return *m_download; }

private:
    void ResetStatus();
    void ReadStatus();
    void SaveStatus();
    void StartCheck();
    void CheckFinished(TBSCB* sender, QIODevice* stream, HRESULT result);
    void Defer(std::function<void()> continuation);
    void AfterVersionCheck();
    void StartDownload(bool isNew);
    void DownloadFinished(TBSCB* sender, QIODevice* stream, HRESULT result);
    void FinishDownload();
    static TDateTime NextCheckFrom(TUpdateMode mode, TDateTime now, bool todayForDaily);

    TUpdateMode m_updateMode = TUpdateMode::umNever;
    std::string m_versionFileName;
    TVersionRec m_localInfo;
    TUpdateAnswer m_answer;
    TUpdateStatus m_status;
    std::string m_tempPath;
    // The running download continues a partial file (it asked for a range).
    bool m_resumed = false;
    bool m_transferDone = true;
    std::unique_ptr<TIEDownload> m_download;
};
