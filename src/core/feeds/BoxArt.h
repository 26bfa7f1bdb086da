#pragma once

#include <memory>
#include <optional>
#include <string>

class QIODevice;
class TDownloadQueue;

/** What a card shows its picture with; the card owns it, picture requests only observe it. */
class TPictureTarget {
public:
    virtual ~TPictureTarget() = default;
    /** Loads the picture at path (decoder chosen by the name's extension); false when it cannot. */
    virtual bool LoadFromFile(const std::string& path) = 0;
};

/** A picture request travelling through the picture queue as an item's data. */
struct TPassMovieDataRec {
    std::string MovieId; // empty for an advertisement picture
    std::string PageUrl; // empty for an advertisement picture
    std::weak_ptr<TPictureTarget> Picture;
    int PageSearches = 0;
};

/** How many times one request may look its picture up on the movie's page. */
inline constexpr int MaxPageSearches = 1;

/** The picture queue's data check: a ".jpg" target takes only a JFIF JPEG. */
void AcceptPicture(TDownloadQueue* sender, const std::string& url, void* data, bool& accept, QIODevice& stream,
                   const std::string& fileName);

/**
 * The picture queue's per-item notification: loads the picture into its card, or looks the
 * box-art number up on the movie's page and queues that picture instead. A request whose card
 * is gone is dropped untouched.
 */
void PictureArrived(TDownloadQueue* sender, const std::string& url, void* data, bool success,
                    const std::string& fileName);

/** The box-art number a movie's page points at; nullopt when the page has none or cannot be had. */
std::optional<std::string> ScrapeBoxArtId(const std::string& pageUrl);

/** The same search over page text already fetched. */
std::optional<std::string> FindBoxArtId(const std::string& page);
