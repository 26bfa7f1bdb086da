#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

/**
 * The options dialog: the settings on page "General", the feed-code discovery on page
 * "NetFlix". Ok copies the controls into Config; the dialog itself never saves.
 */
class TfSetupDlg final : public QDialog {
    Q_OBJECT
public:
    /** How a question or a message reaches the member; tests answer in their place. */
    enum class TMessageKind { Error, Information, Confirmation };
    using TMessageBox = std::function<bool(TMessageKind kind, const QString& text)>;

    explicit TfSetupDlg(QWidget* parent = nullptr);

    void SetMessageBox(TMessageBox box) { m_messageBox = std::move(box); }

    void LoadFromConfig();
    void SaveToConfig();
    void btnOkClick();
    void btnStep1Click();
    void btnStep2Click();
    /** Fetches the RSS-feeds page and takes the code and the member's name from it. */
    bool FindFeedCode();

    const std::string& FoundCode() const { return m_foundCode; }
    const std::string& FoundUserName() const { return m_foundUserName; }

    // The controls, as tests and the tab order reach them.
    QTabWidget* pcSetup = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QComboBox* cmbMoviesInQueue = nullptr;
    QComboBox* cmbCheckForNewMovies = nullptr;
    QComboBox* cmbProgramUpdates = nullptr;
    QCheckBox* cbAutoStart = nullptr;
    QCheckBox* cbStartMinimized = nullptr;
    QPushButton* btnStep1 = nullptr;
    QPushButton* btnStep2 = nullptr;
    QLineEdit* edNetFlixID = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    static constexpr const char* NotFoundText = "Could not retrive NetFlix code!\r\nPlease try again Step1 and Step2.";
    static constexpr const char* TryAgainText = "Please try again Step1 and Step2.";

private:
    void CreateGeneralPage();
    void CreateNetFlixPage();
    bool Ask(TMessageKind kind, const std::string& text);

    std::string m_foundCode;
    std::string m_foundUserName;
    TMessageBox m_messageBox;
};
