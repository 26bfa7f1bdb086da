#include "feeds/RentalLists.h"

#include "net/Hosts.h"
#include "platform/TextCodec.h"
#include "settings/OptionsUnit.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::string_view ShippedPrefix = "Shipped: ";
constexpr std::string_view ReceivedPrefix = "Received: ";
constexpr std::string_view BoxArtPath = "/us/boxshots/large/";
// The tag pass stops after this much scanning; real descriptions need a few kilobytes of it.
constexpr std::size_t TagPassBudget = 64 * 1024 * 1024;

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string Trim(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first]))
        ++first;
    while (last > first && IsBlankOrControl(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool IsWholeNumber(std::string_view text) {
    const auto value = ParseWholeNumber(text);
    return value && *value != -1;
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Replaces every occurrence of pattern (any letter case) in one left-to-right pass. Every
// pattern starts with "&", so the pass jumps from one "&" to the next.
void ReplaceAllNoCase(std::string& text, std::string_view pattern, std::string_view replacement) {
    std::size_t at = text.find(pattern.front());
    if (at == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (; at != std::string::npos; at = text.find(pattern.front(), at)) {
        if (text.size() - at >= pattern.size() &&
            std::equal(pattern.begin() + 1, pattern.end(), text.begin() + static_cast<std::ptrdiff_t>(at + 1),
                       [](char p, char t) { return FoldAscii(p) == FoldAscii(t); })) {
            out.append(text, copied, at - copied);
            out.append(replacement);
            at += pattern.size();
            copied = at;
        } else {
            ++at;
        }
    }
    if (copied == 0)
        return; // nothing matched: the text stays as it is, uncopied
    out.append(text, copied, std::string::npos);
    text = std::move(out);
}

} // namespace

std::optional<std::int32_t> ParseWholeNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::string BoxArtAddress(std::string_view movieId) {
    return std::string(hosts::ServiceImages) + std::string(BoxArtPath) + std::string(movieId) + ".jpg";
}

std::string DecodeNamedReferences(std::string text) {
    ReplaceAllNoCase(text, "&quot;", "\"");
    ReplaceAllNoCase(text, "&amp;", "&");
    ReplaceAllNoCase(text, "&lt;", "<");
    ReplaceAllNoCase(text, "&gt;", ">");
    return text;
}

// Removes matched tag pairs while the first "<" of the text opens one. Everything before the
// current first "<" is final, so it moves to the output and the work stays near that point.
std::string RemoveTags(const std::string& text) {
    std::size_t start = text.find('<');
    if (start == std::string::npos)
        return text;
    std::string out = text.substr(0, start);
    bool gtBefore = out.find('>') != std::string::npos;
    std::string s = text;
    std::size_t budget = TagPassBudget;
    while (true) {
        // The first ">" of the whole text must come after the first "<".
        if (gtBefore)
            break;
        const std::size_t gt = s.find('>', start);
        if (gt == std::string::npos)
            break;
        const std::string closing = "</" + s.substr(start + 1, gt - start - 1) + ">";
        const std::size_t at = s.find(closing, start);
        const std::size_t work = (at == std::string::npos ? s.size() : at) - start;
        if (at == std::string::npos || work > budget)
            break;
        budget -= work;
        // Delete the closing tag by moving what precedes it forward, then the opening tag.
        std::copy_backward(s.begin() + static_cast<std::ptrdiff_t>(start), s.begin() + static_cast<std::ptrdiff_t>(at),
                           s.begin() + static_cast<std::ptrdiff_t>(at + closing.size()));
        start += closing.size() + closing.size() - 1;
        if (start < s.size() && s[start] == '<')
            break; // the removal left another "<" where the last one stood
        const std::size_t next = s.find('<', start);
        const std::size_t stop = next == std::string::npos ? s.size() : next;
        const std::string_view moved(s.data() + start, stop - start);
        gtBefore = gtBefore || moved.find('>') != std::string_view::npos;
        out.append(moved);
        start = stop;
        if (next == std::string::npos)
            return out;
    }
    out.append(s, start, std::string::npos);
    return out;
}

// Replaces "&#" + up to four characters that form a whole number (and the one character after
// them) by that character. Text that does not form one is left as it is.
std::string DecodeNumericReferences(const std::string& text) {
    std::string s = text;
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (true) {
        const std::size_t p = s.find("&#", i);
        if (p == std::string::npos)
            break;
        out.append(s, i, p - i);
        std::size_t end = p + 2;
        while (end < s.size() && end - (p + 2) < 4 && s[end] != ';')
            ++end;
        const auto value = ParseWholeNumber(std::string_view(s).substr(p + 2, end - (p + 2)));
        if (!value || *value <= 0) {
            out.append("&#");
            i = p + 2;
            continue;
        }
        std::string character;
        platform::AppendUtf8(character, static_cast<char32_t>(*value));
        // The reference, its digits and the character after them make room for the new one.
        const std::size_t removedEnd = std::min(end + 1, s.size());
        i = removedEnd - character.size();
        std::copy(character.begin(), character.end(), s.begin() + static_cast<std::ptrdiff_t>(i));
        // A "&" just before may now start a new reference with an inserted "#".
        if (!out.empty() && out.back() == '&' && s[i] == '#') {
            out.pop_back();
            s[--i] = '&';
        }
    }
    out.append(s, i, std::string::npos);
    return out;
}

std::string CleanShippedDescription(std::string text) {
    constexpr std::string_view Marker = "<p>Shipped on";
    if (text.find(Marker) != std::string::npos)
        text.erase(0, std::min(text.size(), Marker.size()));
    if (const std::size_t close = text.find("</p>"); close != std::string::npos)
        text.erase(0, close + 4);
    else
        text.erase(0, std::min<std::size_t>(text.size(), 3));
    return Trim(text);
}

std::string CleanReceivedDescription(std::string text) {
    if (const std::size_t cut = text.find(". Go to"); cut != std::string::npos)
        text.resize(cut);
    return Trim(text);
}

std::string CleanQueueDescription(std::string text) {
    return DecodeNumericReferences(RemoveTags(DecodeNamedReferences(std::move(text))));
}

void PrepareMovie(TRssItemRec& item) {
    constexpr std::string_view Key = "movieid=";
    if (const std::size_t at = item.Link.find(Key); at != std::string::npos) {
        std::size_t end = at + Key.size();
        while (end < item.Link.size() && std::isdigit(static_cast<unsigned char>(item.Link[end])))
            ++end;
        item.MovieId = item.Link.substr(at + Key.size(), end - at - Key.size());
    }
    item.BoxArtUrl = BoxArtAddress(item.MovieId);

    if (item.Title.starts_with(ShippedPrefix)) {
        item.Title.erase(0, ShippedPrefix.size());
        item.Kind = 1;
    } else if (item.Title.starts_with(ReceivedPrefix)) {
        item.Title.erase(0, ReceivedPrefix.size());
        item.Kind = 2;
    } else {
        item.Kind = 0;
        if (const std::size_t dash = item.Title.find("- ");
            dash != std::string::npos && IsWholeNumber(std::string_view(item.Title).substr(0, dash)))
            item.Title.erase(0, dash + 2);
    }

    switch (item.Kind) {
    case 1:
        item.Description = CleanShippedDescription(std::move(item.Description));
        break;
    case 2:
        item.Description = CleanReceivedDescription(std::move(item.Description));
        break;
    default:
        item.Description = CleanQueueDescription(std::move(item.Description));
    }
}

void PrepareMovies(TRssFeed& feed) {
    if (!feed.Items)
        return;
    for (std::size_t i = 0; i < feed.Items->Count(); ++i)
        PrepareMovie((*feed.Items)[i]);
}

namespace {
TMovieList OfKind(const TRssFeed& feed, std::uint8_t kind) {
    TMovieList list;
    if (feed.Items)
        for (std::size_t i = 0; i < feed.Items->Count() && list.size() < MaxRecentCards; ++i)
            if ((*feed.Items)[i].Kind == kind)
                list.push_back(&(*feed.Items)[i]);
    return list;
}
} // namespace

TMovieList RecentAtHome(const TRssFeed& tracking) {
    return OfKind(tracking, 1);
}

TMovieList RecentReturns(const TRssFeed& tracking) {
    return OfKind(tracking, 2);
}

TMovieList QueueMovies(const TRssFeed& queue, int queueLength) {
    TMovieList list;
    if (!queue.Items)
        return list;
    const std::size_t n =
        std::min<std::size_t>(queue.Items->Count(), static_cast<std::size_t>(std::max(0, queueLength)));
    for (std::size_t i = 0; i < n; ++i)
        list.push_back(&(*queue.Items)[i]);
    return list;
}

int ConfiguredQueueLength() {
    const int index = std::clamp(Config.MoviesInQueue, 0, static_cast<int>(MoviesInQueueItems.size()) - 1);
    return MoviesInQueueItems[static_cast<std::size_t>(index)].Value;
}
