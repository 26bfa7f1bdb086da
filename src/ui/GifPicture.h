#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

#include <vector>

class QPainter;
struct GifFileType;

/** One frame of a GIF: its pixels (transparent where the GIF says so) and where they go. */
struct TGifFrame {
    QImage Image;
    QRect Rect;
    int DelayCs = 0;
    int Disposal = 0;
    int Transparent = -1;
};

/** A decoded GIF picture. Any bytes are safe to load: a damaged or oversized GIF simply fails. */
class TGifPicture final {
public:
    bool Load(const QByteArray& bytes);
    bool Empty() const { return m_frames.empty(); }
    QSize ScreenSize() const { return m_screen; }
    const std::vector<TGifFrame>& Frames() const { return m_frames; }
    /** Draws a frame at its place in a logical screen whose top left is origin, keeping transparency. */
    void DrawFrame(QPainter& painter, int index, QPoint origin) const;

    static constexpr int MaxSide = 4096;
    static constexpr int MaxFrames = 2000;

private:
    static bool ReadFrames(GifFileType* gif, std::vector<TGifFrame>& frames);

    QSize m_screen;
    std::vector<TGifFrame> m_frames;
};
