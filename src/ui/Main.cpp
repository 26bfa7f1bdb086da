#include "ui/Main.h"

#include "app/StartUp.h"
#include "feeds/RefreshCycle.h"
#include "net/Hosts.h"
#include "platform/MessagePort.h"
#include "platform/Registry.h"
#include "settings/AutoStart.h"
#include "settings/OptionsUnit.h"
#include "ui/Artwork.h"
#include "ui/GifAnim.h"
#include "ui/GradientLabel.h"
#include "ui/MovieCard.h"
#include "ui/MyTray.h"
#include "ui/PopupWin.h"
#include "ui/TrayShell.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QPalette>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcMain, "plotvane.main", QtWarningMsg)

namespace {
constexpr int DesignWidth = 460;
constexpr int DesignHeight = 553;
constexpr int MinimumHeight = 360;

QLabel* MakeLink(const QString& text, QWidget* parent) {
    auto* link = new QLabel(QStringLiteral("<a href=\"#\">%1</a>").arg(text), parent);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    return link;
}

// "At home" and "Returns": a band from white to green or purple with the section's icon.
TGradientLabel* MakeSectionHeader(bool atHome, QWidget* parent) {
    auto* header = new TGradientLabel(parent);
    header->setFixedHeight(35);
    header->SetCaption(atHome ? QStringLiteral("At home") : QStringLiteral("Returns"));
    header->SetBottomColor(atHome ? QColor(0, 128, 0) : QColor(128, 0, 128));
    header->SetImage(atHome ? AtHomeIcon() : ReturnsIcon());
    header->SetVerticalOffset(6);
    header->SetShadow(true);
    header->SetShadowColor(Qt::white);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    font.setBold(true);
    header->setFont(font);
    return header;
}

void OpenCardUrl(const std::string& url) {
    if (url.empty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    OpenURL(url);
    QApplication::restoreOverrideCursor();
}
} // namespace

TfMain::TfMain(QWidget* parent, TTrayShell* trayShell)
    : QWidget(parent) {
    setWindowTitle(QStringLiteral("Plotvane"));
    setFixedWidth(DesignWidth);
    setMinimumHeight(MinimumHeight);
    resize(DesignWidth, DesignHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addWidget(BuildLinks());
    pcMainTabs = new QTabWidget(this);
    sbQueue = BuildBox(m_queueLayout);
    sbRecent = BuildBox(m_recentLayout);
    pcMainTabs->addTab(sbQueue, QStringLiteral("DVDs in Your Queue"));
    pcMainTabs->addTab(sbRecent, QStringLiteral("Recent"));
    pcMainTabs->setCurrentIndex(1);
    pcMainTabs->hide();
    layout->addWidget(pcMainTabs, 1);
    layout->addStretch(0);

    setWindowIcon(PlotvaneIcon());
    m_cycle = std::make_unique<TRefreshCycle>(*this);
    FormCreate();
    CreateTrayIcon(trayShell);
    m_busy = new TGifAnim(this);
    m_busy->SetGifResName(QStringLiteral("GIF_PROGRESS"));
    m_busy->SetText({});
    m_busy->hide();
    CentreAnimation();
}

TfMain::~TfMain() {
    StorePlacement();
    // The icon talks to its shell as it goes, so it goes before the shell does.
    delete TrayIconEx;
    delete m_popup;
}

QWidget* TfMain::BuildLinks() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    lbGoToQueue = MakeLink(QStringLiteral("Go to Queue"), bar);
    lbGoToQueue->hide();
    lbOptions = MakeLink(QStringLiteral("Options"), bar);
    connect(lbGoToQueue, &QLabel::linkActivated, this, [] { OpenCardUrl(std::string(hosts::ServiceWeb) + "/Queue"); });
    connect(lbOptions, &QLabel::linkActivated, this, [this] { ShowOptions(); });
    row->addWidget(lbGoToQueue);
    row->addWidget(lbOptions);
    return bar;
}

QScrollArea* TfMain::BuildBox(QVBoxLayout*& layout) {
    auto* box = new QScrollArea(this);
    box->setWidgetResizable(true);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(box);
    content->setAutoFillBackground(true);
    QPalette pal = content->palette();
    pal.setColor(QPalette::Window, QColor(247, 246, 245));
    content->setPalette(pal);
    layout = new QVBoxLayout(content);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addStretch(1);
    box->setWidget(content);
    return box;
}

void TfMain::FormCreate() {
    m_messages = new platform::TMessagePort(this);
    m_messages->OnMessage = [this](std::uint32_t msg, std::uint64_t, std::int64_t) {
        if (msg == platform::WM_RESTORE_APP) {
            qCInfo(lcMain) << "message 1025: restoring the window";
            RestoreApp();
        }
    };
    m_cycle->FirstCycle = true;
    InitializeFolders();
    m_cycle->AllowClose = true;
    RestorePlacement();
    LoadConfig();
    // The logon entry, not the stored setting, says whether the program starts at logon.
    Config.AutoStartup = AutoStartExists();
    if (Config.MinimizeOnRun)
        setWindowState(windowState() | Qt::WindowMinimized);
}

void TfMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // The first refresh starts once the window is up, as the message loop runs it.
        QMetaObject::invokeMethod(
            this, [this] { m_cycle->Refresh(); }, Qt::QueuedConnection);
    }
}

void TfMain::ShowBusy() {
    pcMainTabs->hide();
    lbGoToQueue->hide();
    lbOptions->setEnabled(false);
    m_busy->show();
    m_busy->Start();
    m_busy->SetText({});
    ProcessMessages();
}

void TfMain::SetBusyText(const std::string& text) {
    m_busy->SetText(QString::fromStdString(text));
}

void TfMain::CentreAnimation() {
    if (m_busy)
        m_busy->move((width() - m_busy->width()) / 2, (height() - m_busy->height()) / 2);
}

void TfMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    CentreAnimation();
}

void TfMain::ShowLists() {
    m_busy->Stop();
    m_busy->hide();
    m_busy->SetText({});
    pcMainTabs->show();
    lbGoToQueue->show();
    lbOptions->setEnabled(true);
    // The cycle allows closing right after this; a close asked for meanwhile happens then.
    QTimer::singleShot(0, this, [this] { CloseIfPending(); });
}

QVBoxLayout* TfMain::LayoutOf(TListBox box) const {
    return box == TListBox::Recent ? m_recentLayout : m_queueLayout;
}

void TfMain::ClearList(TListBox box) {
    QVBoxLayout* layout = LayoutOf(box);
    // Everything but the closing stretch goes; cards take their pictures with them.
    while (layout->count() > 1) {
        QLayoutItem* item = layout->takeAt(0);
        delete item->widget();
        delete item;
    }
    (box == TListBox::Recent ? sbRecent : sbQueue)->verticalScrollBar()->setValue(0);
}

void TfMain::BeginList(TListBox) {}

void TfMain::EndList(TListBox) {}

std::shared_ptr<TPictureTarget> TfMain::AddCard(const TCardInfo& card) {
    const TListBox box =
        card.Kind == TCardKind::AtHome || card.Kind == TCardKind::Returns ? TListBox::Recent : TListBox::Queue;
    QVBoxLayout* layout = LayoutOf(box);
    QWidget* content = layout->parentWidget();
    // A section header before the first card of each Recent section.
    if (box == TListBox::Recent) {
        bool sectionStarted = false;
        for (int i = 0; i < layout->count() - 1; ++i)
            if (auto* existing = qobject_cast<TMovieCard*>(layout->itemAt(i)->widget()))
                sectionStarted = sectionStarted || existing->Info().Kind == card.Kind;
        if (!sectionStarted)
            layout->insertWidget(layout->count() - 1, MakeSectionHeader(card.Kind == TCardKind::AtHome, content));
    }
    auto* widget = new TMovieCard(card, content);
    connect(widget, &TMovieCard::Clicked, this, [](const std::string& url) { OpenCardUrl(url); });
    layout->insertWidget(layout->count() - 1, widget);
    return widget->Picture();
}

void TfMain::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfMain::FocusActiveList() {
    if (pcMainTabs->isVisible())
        (pcMainTabs->currentIndex() == 0 ? sbQueue : sbRecent)->setFocus();
}

void TfMain::ShowOptions() {
    bool ok = false;
    const QString code = QInputDialog::getText(this, QStringLiteral("Options"), QStringLiteral("Your feed code:"),
                                               QLineEdit::Normal, QString::fromStdString(Config.NetFlixID), &ok);
    if (!ok)
        return;
    const bool changed = code.toStdString() != Config.NetFlixID;
    Config.NetFlixID = code.toStdString();
    try {
        SaveConfig();
    } catch (const platform::ERegistryException&) {
    }
    m_cycle->RefreshTimer().setInterval(TRefreshCycle::CheckIntervalMs());
    if (changed)
        m_cycle->Refresh();
}

void TfMain::ShowNotification(const std::string& text) {
    // A window of its own: the main window may be hidden in the tray when a change comes.
    if (!m_popup)
        m_popup = new TfPopupWin;
    m_popup->SetOnMessageDblClick([this](TfPopupWin*) { m_cycle->PopupDblClick(); });
    m_popup->PlaceAtWorkAreaCorner();
    m_popup->SetMessage(QString::fromStdString(text));
    m_popup->show();
}
