// The main window's side of the self-update and the About box.
#include "ui/Main.h"

#include "core/app/CrashReport.h"
#include "core/feeds/RefreshCycle.h"
#include "core/settings/AutoStart.h"
#include "core/settings/OptionsUnit.h"
#include "core/update/SFUpdate.h"
#include "core/update/UpdateState.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "ui/AboutDlg.h"
#include "ui/update/InstallReady.h"
#include "ui/update/NewVersionDlg.h"

#include <QLabel>

namespace {

QString Version(TVersion version) {
    return QString::fromStdString(VersionToStr(version));
}

} // namespace

void TfMain::CreateUpdater() {
    SFUpdate = new TSFUpdate(this);
    SFUpdate->ProjectWebID = "Plotvane";
    SFUpdate->OnReadUpdateStatus = [](TSFUpdate*, std::string& stream) { updatestate::Read(stream); };
    SFUpdate->OnSaveUpdateStatus = [](TSFUpdate*, const std::string& stream) { updatestate::Save(stream); };
    SFUpdate->onNewVersionAvailable = [this](TSFUpdate*, TVersion version, bool& toDownload) {
        SFUpdateNewVersionAvailable(version, toDownload);
    };
    SFUpdate->OnDownloadComplete = [this](TSFUpdate*, const std::string& fileName, bool& autoExecute) {
        SFUpdateDownloadComplete(fileName, autoExecute);
    };
    SFUpdate->OnError = [](const std::string& message) { crashreport::ReportError(message); };
    SFUpdate->SetUpdateMode(TUpdateMode::umDaily);
    SFUpdate->SetVersionFileName(platform::ExecutablePath());
    // Once per run, after the first refresh.
    m_cycle->OnFirstCycle = [this] { SFUpdate->CheckForUpdate(false); };
}

void TfMain::SFUpdateNewVersionAvailable(TVersion version, bool& toDownload) {
    TfNewVersionDlg dialog(this);
    dialog.imgPlotvaneLogo->setPixmap(imgLogo->pixmap());
    dialog.imgPlotvaneLogo->adjustSize();
    dialog.lbCurVersion->setText(QStringLiteral("Current version: %1").arg(Version(SFUpdate->VersionFileVersion())));
    dialog.lbCurVersion->adjustSize();
    dialog.lbNewVersion->setText(QStringLiteral("New version: %1").arg(Version(version)));
    dialog.lbNewVersion->adjustSize();
    dialog.AddHeader(QStringLiteral("What's new in %1 version %2")
                         .arg(QString::fromStdString(SFUpdate->ProjectName()), Version(version)),
                     QColor(62, 113, 249));
    const std::string& description = SFUpdate->ReleaseDescription();
    const std::string& bugFixes = SFUpdate->ReleaseBugFixes();
    const std::string& features = SFUpdate->ReleaseFeatures();
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

void TfMain::SFUpdateDownloadComplete(const std::string& fileName, bool& autoExecute) {
    autoExecute = false;
    int result = TfDownloadReady::No;
    {
        TfDownloadReady dialog(this);
        dialog.imgPlotvaneLogo->setPixmap(imgLogo->pixmap());
        dialog.imgPlotvaneLogo->adjustSize();
        dialog.lbVersion->setText(QStringLiteral("New version: %1").arg(Version(SFUpdate->NewVersion())));
        dialog.lbVersion->adjustSize();
        result = dialog.exec();
    }
    if (result == TfDownloadReady::Yes) {
        if (platform::FileExists(fileName))
            platform::Shell().ShellExecute("open", fileName, {});
        // The installer replaces our files: the program ends, downloads or not.
        m_cycle->AllowClose = true;
        m_closeRequested = true;
        close();
        return;
    }
    // At the next logon the installer runs instead of the program.
    if (Config.AutoStartup)
        SetAutoStart(false);
    updatestate::ScheduleAtLogon(fileName);
}

void TfMain::ShowAbout() {
    TfAboutDlg dialog(this);
    dialog.imgAbout->setPixmap(imgLogo->pixmap());
    dialog.imgAbout->adjustSize();
    dialog.lbVersion->setText(QStringLiteral("Version: %1").arg(Version(SFUpdate->VersionFileVersion())));
    dialog.lbVersion->adjustSize();
    dialog.exec();
}
