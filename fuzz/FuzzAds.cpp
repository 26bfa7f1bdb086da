// The advertisement file as the vendor's server might send it.
#include "FuzzSupport.h"
#include "core/feeds/Advertisements.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TAdvertisement ad;
    ReadAds(fuzz::WriteInput(data, size), ad);
    UrlFileName(ad.AdImageUrl);
    return 0;
}
