// The download gate: whether downloaded bytes are XML.
#include "FuzzSupport.h"
#include "core/feeds/RSS_Reader.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    TRSSReader reader;
    reader.IsXmlStream(stream);
    return 0;
}
