#include "ui/GifPicture.h"

#include <QPainter>

#include <cstring>
#include <gif_lib.h>

namespace {

struct TReader {
    const QByteArray* Bytes;
    int Offset = 0;
};

int ReadBytes(GifFileType* gif, GifByteType* buffer, int size) {
    auto* reader = static_cast<TReader*>(gif->UserData);
    const int n = std::max(0, std::min(size, static_cast<int>(reader->Bytes->size()) - reader->Offset));
    std::memcpy(buffer, reader->Bytes->constData() + reader->Offset, static_cast<std::size_t>(n));
    reader->Offset += n;
    return n;
}

} // namespace

bool TGifPicture::Load(const QByteArray& bytes) {
    m_frames.clear();
    m_screen = {};
    TReader reader{&bytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadBytes, &error);
    if (!gif)
        return false;
    const auto close = [&gif] {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    };
    if (gif->SWidth <= 0 || gif->SHeight <= 0 || gif->SWidth > MaxSide || gif->SHeight > MaxSide ||
        DGifSlurp(gif) != GIF_OK || gif->ImageCount <= 0 || gif->ImageCount > MaxFrames) {
        close();
        return false;
    }
    std::vector<TGifFrame> frames;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        const GifImageDesc& desc = image.ImageDesc;
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!map || !map->Colors || desc.Width <= 0 || desc.Height <= 0 || desc.Width > MaxSide ||
            desc.Height > MaxSide || !image.RasterBits) {
            close();
            return false;
        }
        TGifFrame frame;
        GraphicsControlBlock gcb{};
        if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
            frame.DelayCs = gcb.DelayTime;
            frame.Disposal = gcb.DisposalMode;
            frame.Transparent = gcb.TransparentColor;
        }
        frame.Rect = QRect(desc.Left, desc.Top, desc.Width, desc.Height);
        frame.Image = QImage(desc.Width, desc.Height, QImage::Format_ARGB32);
        for (int y = 0; y < desc.Height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(frame.Image.scanLine(y));
            for (int x = 0; x < desc.Width; ++x) {
                const int index = image.RasterBits[static_cast<std::size_t>(y) * desc.Width + x];
                // An index past the colour map or the transparent one shows nothing.
                if (index == frame.Transparent || index >= map->ColorCount) {
                    line[x] = qRgba(0, 0, 0, 0);
                } else {
                    const GifColorType& c = map->Colors[index];
                    line[x] = qRgb(c.Red, c.Green, c.Blue);
                }
            }
        }
        frames.push_back(std::move(frame));
    }
    m_screen = QSize(gif->SWidth, gif->SHeight);
    close();
    m_frames = std::move(frames);
    return true;
}

void TGifPicture::DrawFrame(QPainter& painter, int index, QPoint origin) const {
    if (index < 0 || index >= static_cast<int>(m_frames.size()))
        return;
    const TGifFrame& frame = m_frames[static_cast<std::size_t>(index)];
    // Clipped to the logical screen: nothing is drawn outside it, nothing tiled or scaled.
    painter.save();
    painter.setClipRect(QRect(origin, m_screen));
    painter.drawImage(origin + frame.Rect.topLeft(), frame.Image);
    painter.restore();
}
