#pragma once

#include <string>

/** The advertisement card's definition, read from the cached advertisement file. */
struct TAdvertisement {
    std::string AdUrl;
    std::string AdText;
    std::string AdImageUrl;

    /** The card is shown only with both a click address and a text. */
    bool HasCard() const { return !AdUrl.empty() && !AdText.empty(); }
};

/**
 * Reads the advertisement file: a line holding "http://" is an address (the first the click
 * address, the last of the others the picture), any other line the text (the last one wins).
 * False when the file cannot be read.
 */
bool ReadAds(const std::string& path, TAdvertisement& ad);

/** The text after the last "/" of an address; empty without one. */
std::string UrlFileName(const std::string& url);

/**
 * Whether the advertisement picture may be cached under this name: a plain file name with a
 * picture's extension that is none of the cache's own files (the feeds, the data files, a box
 * art's movie number + ".jpg"), so the server cannot overwrite them.
 */
bool IsAdPictureName(const std::string& name);

/**
 * The file is due when today (at midnight) is at or after the stored date-time, or when the
 * stored date-time lies more than a day further ahead than a fetch made now would put it.
 */
bool AdsDue(double nlfa, double now);

/** The next due date-time after a fetch at now: eight days on, keeping the time of day. */
double NextAdsDue(double now);

/** Today's date at midnight. */
double Today(double now);
