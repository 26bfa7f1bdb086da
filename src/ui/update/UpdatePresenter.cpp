#include "ui/update/UpdatePresenter.h"

#include "core/app/CrashReport.h"
#include "core/settings/AutoStart.h"
#include "core/settings/OptionsUnit.h"
#include "core/update/SFUpdate.h"
#include "core/update/UpdateState.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "ui/update/InstallReady.h"
#include "ui/update/NewVersionDlg.h"

#include <QLabel>

namespace {

QString Version(TVersion version) {
    return QString::fromStdString(VersionToStr(version));
}

} // namespace

TUpdatePresenter::TUpdatePresenter(QWidget* window, QPixmap logo)
    : m_window(window)
    , m_logo(std::move(logo))
    , m_checker(std::make_unique<TSFUpdate>()) {
    TSFUpdate& checker = *m_checker;
    checker.ProjectWebID = "Plotvane";
    checker.OnReadUpdateStatus = [](TSFUpdate*, std::string& stream) { updatestate::Read(stream); };
    checker.OnSaveUpdateStatus = [](TSFUpdate*, const std::string& stream) { updatestate::Save(stream); };
    checker.onNewVersionAvailable = [this](TSFUpdate*, TVersion version, bool& toDownload) {
        NewVersionAvailable(version, toDownload);
    };
    checker.OnDownloadComplete = [this](TSFUpdate*, const std::string& fileName, bool& autoExecute) {
        DownloadComplete(fileName, autoExecute);
    };
    checker.OnError = [](const std::string& message) { crashreport::ReportError(message); };
    checker.SetUpdateMode(TUpdateMode::umDaily);
    checker.SetVersionFileName(platform::ExecutablePath());
}

// The checker waits for its transfer and stores its status as it goes.
TUpdatePresenter::~TUpdatePresenter() = default;

QString TUpdatePresenter::InstalledVersion() const {
    return Version(m_checker->VersionFileVersion());
}

void TUpdatePresenter::NewVersionAvailable(TVersion version, bool& toDownload) {
    TfNewVersionDlg dialog(m_window);
    dialog.imgPlotvaneLogo->setPixmap(m_logo);
    dialog.imgPlotvaneLogo->adjustSize();
    dialog.lbCurVersion->setText(QStringLiteral("Current version: %1").arg(InstalledVersion()));
    dialog.lbCurVersion->adjustSize();
    dialog.lbNewVersion->setText(QStringLiteral("New version: %1").arg(Version(version)));
    dialog.lbNewVersion->adjustSize();
    dialog.AddHeader(QStringLiteral("What's new in %1 version %2")
                         .arg(QString::fromStdString(m_checker->ProjectName()), Version(version)),
                     QColor(62, 113, 249));
    const std::string& description = m_checker->ReleaseDescription();
    const std::string& bugFixes = m_checker->ReleaseBugFixes();
    const std::string& features = m_checker->ReleaseFeatures();
    if (description.empty() && bugFixes.empty() && features.empty())
        dialog.AddNote(QStringLiteral("No additional information about."), QColor(128, 128, 128));
    if (!description.empty())
        dialog.AddSection(QStringLiteral("Description"), QString::fromStdString(description));
    if (!bugFixes.empty())
        dialog.AddSection(QStringLiteral("Bug fix"), QString::fromStdString(bugFixes));
    if (!features.empty())
        dialog.AddSection(QStringLiteral("Features"), QString::fromStdString(features));
    toDownload = dialog.exec() == QDialog::Accepted;
}

void TUpdatePresenter::DownloadComplete(const std::string& fileName, bool& autoExecute) {
    autoExecute = false;
    int result = TfDownloadReady::No;
    {
        TfDownloadReady dialog(m_window);
        dialog.imgPlotvaneLogo->setPixmap(m_logo);
        dialog.imgPlotvaneLogo->adjustSize();
        dialog.lbVersion->setText(QStringLiteral("New version: %1").arg(Version(m_checker->NewVersion())));
        dialog.lbVersion->adjustSize();
        result = dialog.exec();
    }
    if (result == TfDownloadReady::Yes) {
        if (platform::FileExists(fileName))
            platform::Shell().ShellExecute("open", fileName, {});
        // The installer replaces our files: the program ends, downloads or not.
        if (OnInstallNow)
            OnInstallNow();
        return;
    }
    // At the next logon the installer runs instead of the program.
    if (Config.AutoStartup)
        SetAutoStart(false);
    updatestate::ScheduleAtLogon(fileName);
}
