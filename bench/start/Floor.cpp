// The floor for the start benchmark: the least a Qt 6 Widgets program with a tray icon does before
// its window is on the screen. A window of Plotvane's size with a tab widget, an icon in the tray,
// nothing read, nothing drawn of its own. It logs its first paint as Plotvane does, with the same
// logging machinery, so that the two are measured alike.
#include <QApplication>
#include <QEvent>
#include <QLoggingCategory>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>

Q_LOGGING_CATEGORY(lcFloor, "plotvane.main", QtWarningMsg)

namespace {

class TFloorWindow final : public QWidget {
public:
    TFloorWindow() {
        setWindowTitle(QStringLiteral("Floor"));
        resize(460, 553);
        auto* layout = new QVBoxLayout(this);
        auto* tabs = new QTabWidget(this);
        tabs->addTab(new QWidget, QStringLiteral("DVDs in Your Queue"));
        tabs->addTab(new QWidget, QStringLiteral("Recent"));
        layout->addWidget(tabs);
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            qCInfo(lcFloor) << "window painted";
        }
        return QWidget::event(e);
    }

private:
    bool m_painted = false;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QPixmap icon(22, 22);
    icon.fill(Qt::darkRed);
    QSystemTrayIcon tray{QIcon(icon)};
    tray.show();
    TFloorWindow window;
    window.show();
    return QApplication::exec();
}
