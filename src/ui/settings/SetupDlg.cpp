#include "ui/settings/SetupDlg.h"

#include "core/net/Hosts.h"
#include "core/net/WebFetch.h"
#include "core/settings/FeedCode.h"
#include "core/settings/OptionsUnit.h"
#include "platform/Shell.h"
#include "ui/DialogFrame.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>

#include <algorithm>

namespace {

constexpr QSize ClientSize(399, 263);
const QColor StepColour(128, 0, 0);

template <typename T>
T* Place(T* widget, int left, int top, int width = -1, int height = -1) {
    widget->move(left, top);
    if (width > 0)
        widget->setFixedSize(width, height);
    else
        widget->adjustSize();
    return widget;
}

QLabel* Label(QWidget* page, const char* text, int left, int top) {
    return Place(new QLabel(QString::fromUtf8(text), page), left, top);
}

QLabel* StepLabel(QWidget* page, const char* text, int left, int top) {
    QLabel* label = Label(page, text, left, top);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, StepColour);
    label->setPalette(palette);
    return label;
}

template <std::size_t N>
QComboBox* ItemList(QWidget* page, const std::array<TComboData, N>& items, int left, int top, int width) {
    auto* combo = Place(new QComboBox(page), left, top, width, 21);
    for (const TComboData& item : items)
        combo->addItem(QString::fromUtf8(item.DisplayText.data(), static_cast<qsizetype>(item.DisplayText.size())));
    return combo;
}

void Select(QComboBox* combo, int index) {
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

// The message texts keep the line breaks of the service's own dialogs; the desktop's boxes want
// plain line feeds.
QString BoxText(const std::string& text) {
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

bool DesktopMessageBox(QWidget* parent, TfSetupDlg::TMessageKind kind, const QString& text) {
    // The texts carry what the service's page said (the member's name): shown as written, never
    // read as markup.
    QMessageBox box(parent);
    box.setWindowTitle(QApplication::applicationName());
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (kind) {
    case TfSetupDlg::TMessageKind::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case TfSetupDlg::TMessageKind::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case TfSetupDlg::TMessageKind::Confirmation:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    }
    box.exec();
    return true;
}

} // namespace

TfSetupDlg::TfSetupDlg(QWidget* parent)
    : QDialog(parent) {
    dialogframe::Prepare(*this, QStringLiteral("Options"), ClientSize);

    pcSetup = Place(new QTabWidget(this), 0, 0, 399, 215);
    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    pcSetup->addTab(TabSheet1, QStringLiteral("General"));
    pcSetup->addTab(TabSheet2, QStringLiteral("NetFlix"));
    CreateGeneralPage();
    CreateNetFlixPage();

    btnOk = Place(new QPushButton(QStringLiteral("Ok"), this), 231, 226, 75, 25);
    btnCancel = Place(new QPushButton(QStringLiteral("Cancel"), this), 315, 226, 75, 25);
    btnOk->setAutoDefault(false);
    btnCancel->setAutoDefault(false);
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    // Escape rejects a QDialog already, as the Cancel button does.
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    QWidget::setTabOrder(pcSetup, btnOk);
    QWidget::setTabOrder(btnOk, btnCancel);

    // FormCreate
    m_foundCode.clear();
    m_foundUserName.clear();
    pcSetup->setCurrentWidget(TabSheet1);
    LoadFromConfig();
}

void TfSetupDlg::CreateGeneralPage() {
    QWidget* page = TabSheet1;
    Label(page, "Show movies in queue", 10, 16);
    Label(page, "Check for new movies every", 10, 48);
    Label(page, "Check for program updates", 10, 82);
    cmbMoviesInQueue = ItemList(page, MoviesInQueueItems, 154, 12, 67);
    cmbCheckForNewMovies = ItemList(page, CheckForNewMoviesItems, 154, 45, 67);
    cmbProgramUpdates = ItemList(page, UpdateIntervalItems, 154, 78, 101);
    cbAutoStart = Place(new QCheckBox(QStringLiteral("Launch program at Windows startup"), page), 10, 134, 309, 17);
    cbStartMinimized = Place(new QCheckBox(QStringLiteral("Start minimized"), page), 10, 156, 307, 17);
    QWidget::setTabOrder(cmbMoviesInQueue, cmbCheckForNewMovies);
    QWidget::setTabOrder(cmbCheckForNewMovies, cbStartMinimized);
    QWidget::setTabOrder(cbStartMinimized, cbAutoStart);
    QWidget::setTabOrder(cbAutoStart, cmbProgramUpdates);
}

void TfSetupDlg::CreateNetFlixPage() {
    QWidget* page = TabSheet2;
    StepLabel(page, "Step 1: Login to Netflix website with Internet Explorer.", 6, 6);
    auto* explanation = Place(new QLabel(QStringLiteral("We need to obtain a special code used by Netflix which keeps "
                                                        "track of your login information. So please open your web "
                                                        "browser and go to your Queue page."),
                                         page),
                              6, 24, 381, 31);
    explanation->setWordWrap(true);
    explanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A wider font than the one it was laid out for needs a third line rather than losing it.
    explanation->setFixedHeight(std::max(31, explanation->heightForWidth(381)));
    btnStep1 = Place(new QPushButton(QStringLiteral("Open Netflix website"), page), 256, 56, 129, 25);
    StepLabel(page, "Step 2: Find my Netflix code", 8, 98);
    btnStep2 = Place(new QPushButton(QStringLiteral("Find my Netflix code"), page), 256, 94, 129, 25);
    Label(page, "NetFlix code", 6, 134);
    edNetFlixID = Place(new QLineEdit(page), 6, 148, 379, 21);
    btnStep1->setAutoDefault(false);
    btnStep2->setAutoDefault(false);
    connect(btnStep1, &QPushButton::clicked, this, [this] { btnStep1Click(); });
    connect(btnStep2, &QPushButton::clicked, this, [this] { btnStep2Click(); });
}

void TfSetupDlg::LoadFromConfig() {
    Select(cmbMoviesInQueue, Config.MoviesInQueue);
    Select(cmbCheckForNewMovies, Config.CheckForNewMovies);
    Select(cmbProgramUpdates, Config.UpdateInterval);
    edNetFlixID->setText(QString::fromStdString(Config.NetFlixID));
    if (Config.NetFlixID.empty())
        pcSetup->setCurrentWidget(TabSheet2);
    cbAutoStart->setChecked(Config.AutoStartup);
    cbStartMinimized->setChecked(Config.MinimizeOnRun);
}

void TfSetupDlg::SaveToConfig() {
    Config.MoviesInQueue = cmbMoviesInQueue->currentIndex();
    Config.CheckForNewMovies = cmbCheckForNewMovies->currentIndex();
    Config.UpdateInterval = cmbProgramUpdates->currentIndex();
    Config.NetFlixID = edNetFlixID->text().toStdString();
    Config.AutoStartup = cbAutoStart->isChecked();
    Config.MinimizeOnRun = cbStartMinimized->isChecked();
}

void TfSetupDlg::btnOkClick() {
    SaveToConfig();
    accept();
}

void TfSetupDlg::btnStep1Click() {
    btnStep1->setEnabled(false);
    platform::Shell().ShellExecute({}, std::string(hosts::ServiceWeb) + "/Queue", "target:blank");
    btnStep1->setEnabled(true);
}

bool TfSetupDlg::FindFeedCode() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The fetch blocks; let the hourglass and the disabled button reach the screen first.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_foundCode.clear();
    m_foundUserName = "unknown";
    QByteArray page;
    QBuffer stream(&page);
    stream.open(QIODevice::WriteOnly);
    TFeedCodeFind find;
    if (DownloadToStream(FeedsPageUrl(), stream))
        find = ScrapeFeedCode(std::string_view(page.constData(), static_cast<std::size_t>(page.size())));
    m_foundCode = find.Code;
    m_foundUserName = find.UserName;
    QApplication::restoreOverrideCursor();
    return find.Found;
}

void TfSetupDlg::btnStep2Click() {
    btnStep2->setEnabled(false);
    if (!FindFeedCode()) {
        Ask(TMessageKind::Error, NotFoundText);
    } else {
        const std::string question =
            !m_foundUserName.empty()
                ? "A NetFlix code found for \"" + m_foundUserName + "\".\r\nIf this is your NetFlix user name?"
                : "A NetFlix code found: " + m_foundCode + "\r\nIf this is your NetFlix code?";
        if (Ask(TMessageKind::Confirmation, question))
            edNetFlixID->setText(QString::fromStdString(m_foundCode));
        else
            Ask(TMessageKind::Information, TryAgainText);
    }
    btnStep2->setEnabled(true);
}

bool TfSetupDlg::Ask(TMessageKind kind, const std::string& text) {
    const QString shown = BoxText(text);
    return m_messageBox ? m_messageBox(kind, shown) : DesktopMessageBox(this, kind, shown);
}
