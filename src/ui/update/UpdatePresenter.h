#pragma once

#include "core/update/UpdateFormats.h"

#include <QPixmap>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class QWidget;
class TSFUpdate;

/**
 * The self-update as the member meets it: owns the update checker, and answers its two
 * questions with the new-version and the ready-to-install dialogs over the main window.
 */
class TUpdatePresenter final {
public:
    TUpdatePresenter(QWidget* window, QPixmap logo);
    ~TUpdatePresenter();
    TUpdatePresenter(const TUpdatePresenter&) = delete;
    TUpdatePresenter& operator=(const TUpdatePresenter&) = delete;

    TSFUpdate& Checker() { return *m_checker; }
    /** The installed version as About and the dialogs show it. */
    QString InstalledVersion() const;

    /** Shows what the new version brings; toDownload says whether the member wants it. */
    void NewVersionAvailable(TVersion version, bool& toDownload);
    /** Offers the downloaded installer now or at the next logon. */
    void DownloadComplete(const std::string& fileName, bool& autoExecute);

    /** The member chose "Install now": the program must end for the installer. */
    std::function<void()> OnInstallNow;

private:
    QWidget* m_window;
    QPixmap m_logo;
    std::unique_ptr<TSFUpdate> m_checker;
};
