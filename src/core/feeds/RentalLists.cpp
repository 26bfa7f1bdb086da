#include "core/feeds/RentalLists.h"

#include "core/net/Hosts.h"
#include "core/settings/OptionsUnit.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr std::string_view ShippedPrefix = "Shipped: ";
constexpr std::string_view ReceivedPrefix = "Received: ";
constexpr std::string_view BoxArtPath = "/us/boxshots/large/";
// The tag pass stops after this much scanning; real descriptions need a few kilobytes of it.
constexpr std::size_t TagPassBudget = std::size_t{64} * 1024 * 1024;
// The same for a whole feed: twenty times what the service's largest queue feed needs, and few
// enough milliseconds that no feed, however hostile each description, holds the lists back.
constexpr std::size_t FeedTagBudget = std::size_t{8} * 1024 * 1024;
// The most of a description that is kept: the service's run to a kilobyte or two.
constexpr std::size_t MaxDescriptionBytes = std::size_t{64} * 1024;

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

// The four references replaced in the order &quot; &amp; &lt; &gt;, each over the whole text,
// as four passes would: so "&amp;lt;" becomes "<" (the "&" that &amp; leaves starts a &lt;),
// while "&amp;quot;" becomes "&quot;" and "&amp;amp;" "&amp;". Done in one pass: a feed of
// references would otherwise be copied four times.
std::string DecodeNamedReferences(std::string text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    const char* amp = static_cast<const char*>(std::memchr(p, '&', text.size()));
    if (!amp)
        return text;
    std::string out(text.size(), '\0'); // the text only shrinks
    char* o = out.data();
    // Whether the letters at q spell word (lower case) in any case, then a ";".
    const auto spells = [&end](const char* q, std::string_view word) {
        if (end - q < static_cast<std::ptrdiff_t>(word.size()) + 1)
            return false;
        for (char c : word)
            if (FoldAscii(*q++) != c)
                return false;
        return *q == ';';
    };
    while (amp) {
        o = std::copy(p, amp, o);
        p = amp;
        if (spells(p + 1, "quot")) {
            *o++ = '"';
            p += 6;
        } else if (spells(p + 1, "amp")) {
            p += 5;
            if (spells(p, "lt") || spells(p, "gt")) {
                *o++ = FoldAscii(*p) == 'l' ? '<' : '>';
                p += 3;
            } else {
                *o++ = '&';
            }
        } else if (spells(p + 1, "lt") || spells(p + 1, "gt")) {
            *o++ = FoldAscii(p[1]) == 'l' ? '<' : '>';
            p += 4;
        } else {
            *o++ = '&';
            ++p;
        }
        amp = static_cast<const char*>(std::memchr(p, '&', static_cast<std::size_t>(end - p)));
    }
    o = std::copy(p, end, o);
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

// Removes matched tag pairs while the first "<" of the text opens one. Everything before the
// current first "<" is final, so it moves to the output and the work stays near that point.
std::string RemoveTags(const std::string& text) {
    std::size_t budget = TagPassBudget;
    return RemoveTags(text, budget);
}

std::string RemoveTags(const std::string& text, std::size_t& budget) {
    std::size_t start = text.find('<');
    if (start == std::string::npos || budget == 0)
        return text; // a spent budget removes nothing, as the first pass over budget would not
    std::string out = text.substr(0, start);
    bool gtBefore = out.find('>') != std::string::npos;
    std::string s = text;
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
        if (at == std::string::npos)
            break;
        if (work > budget) {
            budget = 0; // a pass it cannot afford spends it: what follows is left as it is
            break;
        }
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
    std::size_t budget = TagPassBudget;
    return CleanQueueDescription(std::move(text), budget);
}

std::string CleanQueueDescription(std::string text, std::size_t& tagBudget) {
    return DecodeNumericReferences(RemoveTags(DecodeNamedReferences(std::move(text)), tagBudget));
}

void PrepareMovie(TRssItemRec& item) {
    std::size_t budget = TagPassBudget;
    PrepareMovie(item, budget);
}

void PrepareMovie(TRssItemRec& item, std::size_t& tagBudget) {
    // A card shows a few lines; what lies beyond this much is never a real synopsis, and
    // cleaning it would only cost time. Cut at a character's start, never inside one.
    if (item.Description.size() > MaxDescriptionBytes) {
        std::size_t cut = MaxDescriptionBytes;
        while (cut > 0 && (static_cast<unsigned char>(item.Description[cut]) & 0xC0) == 0x80)
            --cut;
        item.Description.resize(cut);
    }
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
        item.Description = CleanQueueDescription(std::move(item.Description), tagBudget);
    }
}

void PrepareMovies(TRssFeed& feed) {
    if (!feed.Items)
        return;
    // One budget for the whole feed: a hundred hostile descriptions cost what one would.
    std::size_t tagBudget = FeedTagBudget;
    for (std::size_t i = 0; i < feed.Items->Count(); ++i)
        PrepareMovie((*feed.Items)[i], tagBudget);
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
