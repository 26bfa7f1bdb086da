#include "core/feeds/BoxArt.h"

#include "core/feeds/RentalLists.h"
#include "core/net/DownloadQueue.h"
#include "core/net/WebFetch.h"

#include <QBuffer>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcBoxArt, "plotvane.feeds.boxart", QtWarningMsg)

void AcceptPicture(TDownloadQueue*, const std::string&, void*, bool& accept, QIODevice& stream,
                   const std::string& fileName) {
    if (fileName.find(".jpg") == std::string::npos)
        return;
    const QByteArray head = stream.peek(4);
    accept = head.size() == 4 && head == QByteArray("\xFF\xD8\xFF\xE0", 4);
}

void PictureArrived(TDownloadQueue* sender, const std::string&, void* data, bool success, const std::string& fileName) {
    auto* request = static_cast<TPassMovieDataRec*>(data);
    if (!request)
        return;
    try {
        // A card that no longer exists gets nothing more: no picture, no search, no second download.
        if (const std::shared_ptr<TPictureTarget> picture = request->Picture.lock()) {
            bool lookFurther = !success;
            if (success) {
                try {
                    lookFurther = !picture->LoadFromFile(fileName);
                } catch (...) {
                    qCWarning(lcBoxArt) << "box art" << fileName.c_str() << "could not be shown; its page is searched";
                    lookFurther = true;
                }
            }
            if (lookFurther && !request->PageUrl.empty() && !request->MovieId.empty() &&
                request->PageSearches < MaxPageSearches) {
                ++request->PageSearches;
                if (const auto id = ScrapeBoxArtId(request->PageUrl)) {
                    sender->Add(BoxArtAddress(*id), request->MovieId + ".jpg", true, request);
                    return;
                }
            }
        }
    } catch (...) {
        // Never into the download queue.
        qCWarning(lcBoxArt) << "box art for movie" << request->MovieId.c_str() << "lost on the way";
    }
    delete request;
}

std::optional<std::string> FindBoxArtId(const std::string& page) {
    const std::string prefix = BoxArtAddress("").substr(0, BoxArtAddress("").size() - 4);
    const std::size_t at = page.find(prefix);
    if (at == std::string::npos)
        return std::nullopt;
    const std::size_t from = at + prefix.size();
    const std::size_t end = page.find(".jpg\"", from);
    if (end == std::string::npos)
        return std::nullopt;
    return page.substr(from, end - from);
}

std::optional<std::string> ScrapeBoxArtId(const std::string& pageUrl) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!DownloadToStream(pageUrl, buffer))
        return std::nullopt;
    return FindBoxArtId(bytes.toStdString());
}
