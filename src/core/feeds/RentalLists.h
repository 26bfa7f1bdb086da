#pragma once

#include "core/feeds/RSS_Reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/**
 * The whole-number test of the feed texts: optional leading blanks, an optional sign, then
 * decimal digits or hexadecimal ones after "$", "x", "X", "0x" or "0X"; nothing after the
 * digits; the value within a signed 32-bit integer.
 */
std::optional<std::int32_t> ParseWholeNumber(std::string_view text);

/** The box-art address of a movie number. */
std::string BoxArtAddress(std::string_view movieId);

/** Turns every item of the feed into a movie entry: number, box art, title, kind, description. */
void PrepareMovies(TRssFeed& feed);
void PrepareMovie(TRssItemRec& item);
/** The same, the tag removal drawing on (and using up) a budget shared with other items. */
void PrepareMovie(TRssItemRec& item, std::size_t& tagBudget);

/** The three description treatments, exposed for their tests. */
std::string CleanShippedDescription(std::string text);
std::string CleanReceivedDescription(std::string text);
std::string CleanQueueDescription(std::string text);
std::string CleanQueueDescription(std::string text, std::size_t& tagBudget);
std::string DecodeNamedReferences(std::string text);
std::string RemoveTags(const std::string& text);
/** Tag removal that stops, leaving the rest as it is, once budget bytes of scanning are spent. */
std::string RemoveTags(const std::string& text, std::size_t& budget);
std::string DecodeNumericReferences(const std::string& text);

using TMovieList = std::vector<const TRssItemRec*>;

/**
 * The most cards each of the two tracking lists shows, the first in the feed: far above any real
 * account's rentals at home or returned lately, low enough that a feed of tens of thousands
 * of entries costs neither the memory nor the minutes its cards would.
 */
inline constexpr std::size_t MaxRecentCards = 500;

TMovieList RecentAtHome(const TRssFeed& tracking);
TMovieList RecentReturns(const TRssFeed& tracking);
/** The first entries of the queue feed, as many as the queue length allows. */
TMovieList QueueMovies(const TRssFeed& queue, int queueLength);

/** The queue length the settings choose. */
int ConfiguredQueueLength();
