// Feed reading from any bytes: the cached feed file as a server might have left it.
#include "FuzzSupport.h"
#include "core/feeds/RSS_Reader.h"
#include "core/feeds/RentalLists.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::WriteInput(data, size);
    TRSSReader reader;
    TRssFeed feed;
    reader.ReadFeedFile(path, feed);
    PrepareMovies(feed);
    QueueMovies(feed, 1000);
    RecentAtHome(feed);
    RecentReturns(feed);
    return 0;
}
