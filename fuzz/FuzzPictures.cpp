// The picture decoders: box art (JPEG) and the progress animation's GIF loader.
#include "core/feeds/JpegPicture.h"
#include "ui/GifPicture.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DecodeJpeg(data, size);
    TGifPicture gif;
    gif.Load(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
