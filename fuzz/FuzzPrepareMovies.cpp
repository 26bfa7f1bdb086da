// Preparing movies from arbitrary item texts: titles, links and descriptions as a feed gives them.
#include "core/feeds/RSS_Reader.h"
#include "core/feeds/RentalLists.h"

#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input is split at NUL bytes into title, link and description of one item after another.
    const std::string text(reinterpret_cast<const char*>(data), size);
    TRssFeed feed;
    feed.Items = std::make_shared<TRssItems>();
    std::size_t at = 0;
    while (at <= text.size()) {
        std::string fields[3];
        for (std::string& field : fields) {
            const std::size_t end = std::min(text.find('\0', at), text.size());
            field = text.substr(std::min(at, text.size()), end - std::min(at, text.size()));
            at = end + 1;
        }
        auto item = std::make_unique<TRssItemRec>();
        item->Title = fields[0];
        item->Link = fields[1];
        item->Description = fields[2];
        feed.Items->Add(std::move(item));
    }
    PrepareMovies(feed);
    QueueMovies(feed, 50);
    RecentAtHome(feed);
    RecentReturns(feed);
    return 0;
}
