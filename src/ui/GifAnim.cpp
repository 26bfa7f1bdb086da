#include "ui/GifAnim.h"

#include <QFile>
#include <QFontMetrics>
#include <QPainter>

// Resources built into a static library are linked only when something names them.
static void InitResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {
// A frame without a delay would spin the driver; browsers show such frames for 100 ms too.
constexpr int DefaultDelayMs = 100;
constexpr int TextBand = 40;
} // namespace

TGifDriver::TGifDriver(const TGifPicture& picture)
    : m_picture(picture) {}

TGifDriver::~TGifDriver() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    wait();
}

void TGifDriver::Pause() {
    std::lock_guard lock(m_mutex);
    m_paused = true;
}

void TGifDriver::Resume() {
    {
        std::lock_guard lock(m_mutex);
        m_paused = false;
    }
    m_wake.notify_all();
}

void TGifDriver::run() {
    const auto& frames = m_picture.Frames();
    std::unique_lock lock(m_mutex);
    while (true) {
        // Paused, the thread sleeps until it is resumed or stopped: nothing wakes it meanwhile.
        m_wake.wait(lock, [this] { return m_stopping || !m_paused; });
        if (m_stopping)
            return;
        const int next = (m_current.load() + 1) % static_cast<int>(frames.size());
        m_current = next;
        Q_EMIT FrameShown(next);
        const int delay = frames[static_cast<std::size_t>(next)].DelayCs * 10;
        m_wake.wait_for(lock, std::chrono::milliseconds(delay > 0 ? delay : DefaultDelayMs),
                        [this] { return m_stopping; });
        if (m_stopping)
            return;
    }
}

TGifAnim::TGifAnim(QWidget* owner)
    : QWidget(owner) {
    resize(134, 170);
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(11);
    setFont(bold);
}

TGifAnim::~TGifAnim() {
    // The driver's thread ends before the picture it reads goes.
    m_driver.reset();
}

void TGifAnim::SetGifResName(const QString& name) {
    InitResources();
    QFile file(QStringLiteral(":/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return;
    TGifPicture picture;
    if (!picture.Load(file.readAll()))
        return;
    m_driver.reset();
    m_picture = std::move(picture);
    m_composite = QImage();
    m_compositeUpTo = -1;
    resize(m_picture.ScreenSize().width(), m_picture.ScreenSize().height() + TextBand);
    m_driver = std::make_unique<TGifDriver>(m_picture);
    connect(
        m_driver.get(), &TGifDriver::FrameShown, this, [this] { update(); }, Qt::QueuedConnection);
    m_driver->start();
    if (m_running)
        m_driver->Resume();
}

void TGifAnim::SetText(const QString& text) {
    m_text = text;
    if (m_running) {
        m_shownText = text;
        repaint();
    }
}

void TGifAnim::Start() {
    if (m_driver)
        m_driver->Resume();
    m_running = true;
    m_shownText = m_text;
    repaint();
}

void TGifAnim::Stop() {
    if (m_driver)
        m_driver->Pause();
    m_running = false;
    m_shownText.clear();
    repaint();
}

void TGifAnim::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(backgroundRole()));
    const QSize screen = m_picture.ScreenSize();
    if (!m_picture.Empty()) {
        const int upTo = m_driver ? m_driver->CurrentIndex() : 0;
        if (upTo < m_compositeUpTo || m_composite.isNull()) {
            m_composite = QImage(screen, QImage::Format_ARGB32_Premultiplied);
            m_composite.fill(Qt::transparent);
            m_compositeUpTo = -1;
        }
        QPainter layer(&m_composite);
        for (int i = m_compositeUpTo + 1; i <= upTo; ++i)
            m_picture.DrawFrame(layer, i, QPoint(0, 0));
        m_compositeUpTo = std::max(m_compositeUpTo, upTo);
        layer.end();
        painter.drawImage(0, 0, m_composite);
    }
    if (!m_shownText.isEmpty()) {
        // The substituted font runs wider than the one the control was designed for: the line
        // gives way to the control's width rather than losing its ends.
        QFont text = font();
        while (text.pixelSize() > 8 && QFontMetrics(text).horizontalAdvance(m_shownText) > width())
            text.setPixelSize(text.pixelSize() - 1);
        painter.setFont(text);
        painter.drawText(QRect(0, screen.height() + 1, width(), height() - screen.height() - 1),
                         Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, m_shownText);
    }
}
