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
    std::vector<TGifFrame> frames;
    const bool ok = gif->SWidth > 0 && gif->SHeight > 0 && gif->SWidth <= MaxSide && gif->SHeight <= MaxSide &&
                    ReadFrames(gif, frames) && !frames.empty();
    if (ok)
        m_screen = QSize(gif->SWidth, gif->SHeight);
    int ignored = 0;
    DGifCloseFile(gif, &ignored);
    if (ok)
        m_frames = std::move(frames);
    return ok;
}

// Record by record rather than with DGifSlurp: a frame's size is checked before its raster is
// allocated, so a damaged header cannot ask for gigabytes.
bool TGifPicture::ReadFrames(GifFileType* gif, std::vector<TGifFrame>& frames) {
    GraphicsControlBlock control{};
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    do {
        if (DGifGetRecordType(gif, &type) != GIF_OK)
            return false;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) != GIF_OK)
                return false;
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
                DGifExtensionToGCB(block[0], block + 1, &control);
            while (block)
                if (DGifGetExtensionNext(gif, &block) != GIF_OK)
                    return false;
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (frames.size() >= static_cast<std::size_t>(MaxFrames) || DGifGetImageDesc(gif) != GIF_OK)
                return false;
            const GifImageDesc& desc = gif->Image;
            const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
            if (!map || !map->Colors || desc.Width <= 0 || desc.Height <= 0 || desc.Width > MaxSide ||
                desc.Height > MaxSide)
                return false;
            std::vector<GifPixelType> raster(static_cast<std::size_t>(desc.Width) * desc.Height);
            const auto readRow = [&](int y) {
                return DGifGetLine(gif, raster.data() + static_cast<std::size_t>(y) * desc.Width, desc.Width) == GIF_OK;
            };
            if (desc.Interlace) {
                constexpr int offsets[] = {0, 4, 2, 1};
                constexpr int steps[] = {8, 8, 4, 2};
                for (int pass = 0; pass < 4; ++pass)
                    for (int y = offsets[pass]; y < desc.Height; y += steps[pass])
                        if (!readRow(y))
                            return false;
            } else {
                for (int y = 0; y < desc.Height; ++y)
                    if (!readRow(y))
                        return false;
            }
            TGifFrame frame;
            frame.DelayCs = control.DelayTime;
            frame.Disposal = control.DisposalMode;
            frame.Transparent = control.TransparentColor;
            frame.Rect = QRect(desc.Left, desc.Top, desc.Width, desc.Height);
            frame.Image = QImage(desc.Width, desc.Height, QImage::Format_ARGB32);
            for (int y = 0; y < desc.Height; ++y) {
                auto* line = reinterpret_cast<QRgb*>(frame.Image.scanLine(y));
                for (int x = 0; x < desc.Width; ++x) {
                    const int index = raster[static_cast<std::size_t>(y) * desc.Width + x];
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
            // A graphic control block applies to the one image that follows it.
            control = GraphicsControlBlock{};
            control.TransparentColor = NO_TRANSPARENT_COLOR;
        }
    } while (type != TERMINATE_RECORD_TYPE);
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
