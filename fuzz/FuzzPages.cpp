// The two page searches: the box-art number on a movie page and the feed code on the RSS-feeds page.
#include "core/feeds/BoxArt.h"
#include "core/settings/FeedCode.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    FindBoxArtId(page);
    ScrapeFeedCode(page);
    return 0;
}
