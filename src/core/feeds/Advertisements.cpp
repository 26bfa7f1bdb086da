#include "core/feeds/Advertisements.h"

#include "platform/Paths.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>
#include <sstream>

namespace {
// An advertisement file is three short lines; anything larger is not one.
constexpr std::streamoff MaxAdFileSize = std::streamoff{64} * 1024;
} // namespace

bool ReadAds(const std::string& path, TAdvertisement& ad) {
    ad = {};
    const std::optional<std::string> bytes = platform::ReadRegularFile(path, MaxAdFileSize);
    if (!bytes)
        return false;
    std::istringstream in(*bytes);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find("http://") != std::string::npos) {
            if (ad.AdUrl.empty())
                ad.AdUrl = line;
            else
                ad.AdImageUrl = line;
        } else {
            ad.AdText = line;
        }
    }
    return !in.bad();
}

std::string UrlFileName(const std::string& url) {
    const std::size_t slash = url.rfind('/');
    return slash == std::string::npos ? std::string() : url.substr(slash + 1);
}

bool IsAdPictureName(const std::string& name) {
    if (!platform::IsPlainFileName(name))
        return false;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const std::set<std::string> pictures = {"jpg", "jpeg", "gif", "png", "bmp", "ico"};
    if (!pictures.contains(extension))
        return false;
    // A box art is a movie number and ".jpg": an advertisement must not take a card's picture.
    const std::string stem = name.substr(0, dot);
    return !std::all_of(stem.begin(), stem.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

double Today(double now) {
    return std::floor(now);
}

bool AdsDue(double nlfa, double now) {
    // A date more than a day further ahead than a fetch made now would set means the clock was
    // turned back since (the day's slack covers summer time and small corrections): waiting for
    // it could keep the old file for years.
    // A stored date that is no number (NaN, infinite) compares false with everything: due now.
    return !std::isfinite(nlfa) || Today(now) >= nlfa || nlfa > NextAdsDue(now) + 1;
}

double NextAdsDue(double now) {
    return now + 7 + 1;
}
