#pragma once

#include "ui/GifPicture.h"

#include <QThread>
#include <QWidget>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

/** Times a GIF's frames on a thread of its own; every step is drawn on the GUI thread. */
class TGifDriver final : public QThread {
    Q_OBJECT
public:
    explicit TGifDriver(const TGifPicture& picture);
    ~TGifDriver() override;

    void Pause();
    void Resume();
    /** The frame shown last; -1 before the first. */
    int CurrentIndex() const { return m_current.load(); }

Q_SIGNALS:
    void FrameShown(int index);

protected:
    void run() override;

private:
    const TGifPicture& m_picture;
    std::atomic<int> m_current{-1};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_paused = true;
    bool m_stopping = false;
};

/** The busy view's animation: a GIF from the program's resources with a line of bold text under it. */
class TGifAnim final : public QWidget {
    Q_OBJECT
public:
    explicit TGifAnim(QWidget* owner = nullptr);
    ~TGifAnim() override;

    void SetGifResName(const QString& name);
    const QString& Text() const { return m_text; }
    void SetText(const QString& text);
    void Start();
    void Stop();
    bool Running() const { return m_running; }
    /** The frame the picture shows now; -1 before the first. */
    int CurrentIndex() const { return m_driver ? m_driver->CurrentIndex() : -1; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TGifPicture m_picture;
    std::unique_ptr<TGifDriver> m_driver;
    QString m_text;
    QString m_shownText;
    bool m_running = false;
    // Frames 0 .. m_compositeUpTo drawn over one another, kept between paints.
    QImage m_composite;
    int m_compositeUpTo = -1;
};
