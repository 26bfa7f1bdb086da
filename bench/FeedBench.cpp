// Reading and preparing a 1,000-entry queue feed, beside libxml2 alone parsing the same file.
#include "core/feeds/RSS_Reader.h"
#include "core/feeds/RentalLists.h"

#include "support/TempProfile.h"

#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <QCoreApplication>

namespace {

struct TFeedFile {
    TTempProfile profile;
    std::string path = profile.Path("QueueRSS.xml");

    TFeedFile() {
        std::string items;
        for (int i = 1; i <= 1000; ++i) {
            const std::string id = std::to_string(70000000 + i);
            items +=
                "<item><title>" + std::to_string(i) + "- A film called number " + std::to_string(i) +
                "</title><link>http://www.netflix.com/MovieDisplay?movieid=" + id +
                "&amp;trkid=438</link><guid isPermaLink=\"true\">http://www.netflix.com/MovieDisplay?movieid=" + id +
                "&amp;trkid=438</guid><description>&lt;p&gt;";
            while (items.size() % 1000 < 800)
                items += "A synopsis with an &amp;#233; accent, &amp;quot;quotes&amp;quot; and more words. ";
            items += "&lt;/p&gt;</description></item>\n";
        }
        WriteFile(path,
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel><title>Queue</title>\n" +
                      items + "</channel></rss>\n");
    }
};

TFeedFile& File() {
    static TFeedFile file;
    return file;
}

void BM_LibxmlParseOnly(benchmark::State& state) {
    const std::string& path = File().path;
    for (auto _ : state) {
        xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        benchmark::DoNotOptimize(doc);
        xmlFreeDoc(doc);
    }
    state.counters["bytes"] = static_cast<double>(ReadFile(path).size());
}
BENCHMARK(BM_LibxmlParseOnly)->Unit(benchmark::kMillisecond);

void BM_ReadAndPrepareFeed(benchmark::State& state) {
    const std::string& path = File().path;
    TRSSReader reader;
    std::size_t items = 0;
    for (auto _ : state) {
        TRssFeed feed;
        reader.ReadFeedFile(path, feed);
        PrepareMovies(feed);
        items = feed.Items->Count();
        benchmark::DoNotOptimize(feed);
    }
    if (items != 1000)
        state.SkipWithError("the feed did not read whole");
}
BENCHMARK(BM_ReadAndPrepareFeed)->Unit(benchmark::kMillisecond);

// A tracking feed of 20,000 rentals (3.4 MB, far beyond any real account): what the main thread
// spends before the first card, read, prepared and sorted into the two bounded lists.
void BM_HugeTrackingFeedToLists(benchmark::State& state) {
    TTempProfile profile;
    const std::string path = profile.Path("TrackingRSS.xml");
    std::string items;
    for (int i = 1; i <= 20000; ++i) {
        const std::string id = std::to_string(70000000 + i);
        items += std::string("<item><title>") + (i % 2 ? "Shipped: " : "Received: ") + "Film " + id +
                 "</title><link>http://www.netflix.com/Movie/" + id + "</link><description>&lt;p&gt;Shipped on " +
                 "12/01/26.&lt;/p&gt; A short synopsis of the film.</description></item>\n";
    }
    WriteFile(path, "<?xml version=\"1.0\"?>\n<rss version=\"2.0\"><channel><title>Tracking</title>\n" + items +
                        "</channel></rss>\n");
    TRSSReader reader;
    std::size_t cards = 0;
    for (auto _ : state) {
        TRssFeed feed;
        reader.ReadFeedFile(path, feed);
        PrepareMovies(feed);
        cards = RecentAtHome(feed).size() + RecentReturns(feed).size();
        benchmark::DoNotOptimize(feed);
    }
    state.counters["cards"] = static_cast<double>(cards);
    state.counters["bytes"] = static_cast<double>(ReadFile(path).size());
}
BENCHMARK(BM_HugeTrackingFeedToLists)->Unit(benchmark::kMillisecond);

// A feed's preparation when every description is hostile: items of 10,000 escaped tags each,
// opened one after the other and closed only at the end, so that every removal pass crosses
// the whole description; 100 of them make 20 MB, 160 reach the 32 MiB a feed may have. What a
// member waits for between the download and the lists.
void BM_PrepareHostileFeed(benchmark::State& state) {
    std::string nested;
    for (int i = 0; i < 10000; ++i)
        nested += "&lt;i&gt;y";
    for (int i = 0; i < 10000; ++i)
        nested += "&lt;/i&gt;";
    for (auto _ : state) {
        state.PauseTiming();
        TRssFeed feed;
        feed.Items = std::make_shared<TRssItems>();
        for (int i = 0; i < state.range(0); ++i) {
            auto item = std::make_unique<TRssItemRec>();
            item->Title = std::to_string(i + 1) + "- Nested";
            item->Description = nested;
            feed.Items->Add(std::move(item));
        }
        state.ResumeTiming();
        PrepareMovies(feed);
        benchmark::DoNotOptimize(feed);
    }
    state.counters["bytes"] = static_cast<double>(nested.size() * static_cast<std::size_t>(state.range(0)));
}
BENCHMARK(BM_PrepareHostileFeed)->Arg(100)->Arg(160)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
