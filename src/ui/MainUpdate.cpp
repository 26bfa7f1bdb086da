// The main window's side of the self-update and the About box.
#include "ui/Main.h"

#include "core/feeds/RefreshCycle.h"
#include "core/update/SFUpdate.h"
#include "ui/AboutDlg.h"
#include "ui/HeaderStrip.h"
#include "ui/update/UpdatePresenter.h"

#include <QLabel>

void TfMain::CreateUpdater() {
    m_updates = std::make_unique<TUpdatePresenter>(this, m_header->Logo()->pixmap());
    m_updates->OnInstallNow = [this] {
        m_cycle->AllowClose = true;
        m_closeRequested = true;
        close();
    };
    // Once per run, after the first refresh.
    m_cycle->OnFirstCycle = [this] { m_updates->Checker().CheckForUpdate(false); };
}

TSFUpdate& TfMain::Updater() {
    return m_updates->Checker();
}

void TfMain::SFUpdateNewVersionAvailable(TVersion version, bool& toDownload) {
    m_updates->NewVersionAvailable(version, toDownload);
}

void TfMain::SFUpdateDownloadComplete(const std::string& fileName, bool& autoExecute) {
    m_updates->DownloadComplete(fileName, autoExecute);
}

void TfMain::ShowAbout() {
    TfAboutDlg dialog(this);
    dialog.imgAbout->setPixmap(m_header->Logo()->pixmap());
    dialog.imgAbout->adjustSize();
    dialog.lbVersion->setText(QStringLiteral("Version: %1").arg(m_updates->InstalledVersion()));
    dialog.lbVersion->adjustSize();
    dialog.exec();
}
