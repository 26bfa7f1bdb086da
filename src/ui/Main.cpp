#include "ui/Main.h"

#include "app/StartUp.h"
#include "platform/MessagePort.h"
#include "settings/AutoStart.h"
#include "settings/OptionsUnit.h"

#include <QPalette>

Q_LOGGING_CATEGORY(lcMain, "plotvane.main", QtWarningMsg)

namespace {
constexpr int DesignWidth = 460;
constexpr int DesignHeight = 553;
constexpr int MinimumHeight = 360;
} // namespace

TfMain::TfMain(QWidget* parent)
    : QWidget(parent) {
    setWindowTitle(QStringLiteral("Plotvane"));
    setFixedWidth(DesignWidth);
    setMinimumHeight(MinimumHeight);
    resize(DesignWidth, DesignHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    FormCreate();
}

TfMain::~TfMain() = default;

void TfMain::FormCreate() {
    m_messages = new platform::TMessagePort(this);
    m_messages->OnMessage = [this](std::uint32_t msg, std::uint64_t, std::int64_t) {
        if (msg == platform::WM_RESTORE_APP) {
            qCInfo(lcMain) << "message 1025: restoring the window";
            RestoreApp();
        }
    };
    FirstCycle = true;
    InitializeFolders();
    AllowClose = true;
    LoadConfig();
    // The logon entry, not the stored setting, says whether the program starts at logon.
    Config.AutoStartup = AutoStartExists();
    if (Config.MinimizeOnRun)
        setWindowState(windowState() | Qt::WindowMinimized);
}

void TfMain::RestoreApp() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}
