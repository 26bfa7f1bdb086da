#include "core/feeds/RentalLists.h"
#include "core/settings/OptionsUnit.h"

#include <gtest/gtest.h>

#include <QString>

#include <chrono>
#include <random>

namespace {

TRssItemRec Prepared(std::string title, std::string link = {}, std::string description = {}) {
    TRssItemRec item;
    item.Title = std::move(title);
    item.Link = std::move(link);
    item.Description = std::move(description);
    PrepareMovie(item);
    return item;
}

TRssFeed FeedOf(const std::vector<std::string>& titles) {
    TRssFeed feed;
    feed.Items = std::make_shared<TRssItems>();
    for (const std::string& title : titles) {
        auto item = std::make_unique<TRssItemRec>();
        item->Title = title;
        feed.Items->Add(std::move(item));
    }
    PrepareMovies(feed);
    return feed;
}

} // namespace

TEST(WholeNumber, AcceptsTheDecimalAndHexadecimalForms) {
    const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
        {"12", 12},
        {"  12", 12},
        {"+7", 7},
        {"-7", -7},
        {"$1F", 31},
        {"x1f", 31},
        {"X10", 16},
        {"0x10", 16},
        {"0X10", 16},
        {"-$10", -16},
        {"2147483647", 2147483647},
        {"2147483648", std::nullopt},
        {"-2147483648", INT32_MIN},
        {"-2147483649", std::nullopt},
        {"$7FFFFFFF", 2147483647},
        {"$80000000", std::nullopt},
        {"12 ", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"+", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"1e3", std::nullopt},
        {"12a", std::nullopt},
        {"- 1", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseWholeNumber(text), expected) << '"' << text << '"';
}

TEST(PrepareMovie, MovieNumberAndBoxArt) {
    EXPECT_EQ(Prepared("t", "http://www.netflix.com/MovieDisplay?movieid=123&trkid=4").MovieId, "123");
    EXPECT_EQ(Prepared("t", "http://www.netflix.com/MovieDisplay?movieid=123").MovieId, "123");
    EXPECT_EQ(Prepared("t", "http://www.netflix.com/MovieDisplay?MovieID=123").MovieId, "");
    EXPECT_EQ(Prepared("t", "http://x/?movieid=&a=1").MovieId, "");
    const TRssItemRec item = Prepared("t", "http://x/?movieid=60020435");
    EXPECT_EQ(item.BoxArtUrl, "http://cdn-0.nflximg.com/us/boxshots/large/60020435.jpg");
    EXPECT_EQ(Prepared("t").BoxArtUrl, "http://cdn-0.nflximg.com/us/boxshots/large/.jpg");
}

TEST(PrepareMovie, TitleAndKind) {
    const std::tuple<const char*, const char*, int> cases[] = {
        {"Shipped: Amelie", "Amelie", 1},
        {"Received: Amelie", "Amelie", 2},
        {"shipped: Amelie", "shipped: Amelie", 0},
        {"3- The Third Man", "The Third Man", 0},
        {"3 - The Third Man", "3 - The Third Man", 0},
        {"12- Amelie", "Amelie", 0},
        {"Spider-Man 2 - Special Edition", "Spider-Man 2 - Special Edition", 0},
        {"- Title", "- Title", 0},
        {"$1F- Hex", "Hex", 0},
        {"-1- Minus one", "-1- Minus one", 0},
        {"2147483648- Too big", "2147483648- Too big", 0},
        {"Shipped: 3- Kept", "3- Kept", 1},
    };
    for (const auto& [title, expected, kind] : cases) {
        const TRssItemRec item = Prepared(title);
        EXPECT_EQ(item.Title, expected) << title;
        EXPECT_EQ(item.Kind, kind) << title;
    }
}

TEST(PrepareMovie, ShippedAndReceivedDescriptions) {
    EXPECT_EQ(Prepared("Shipped: A", {}, "<p>Shipped on 05/14/07.</p> A quiet film.").Description, "A quiet film.");
    EXPECT_EQ(Prepared("Shipped: A", {}, "No marker here</p> rest").Description, "rest");
    EXPECT_EQ(Prepared("Shipped: A", {}, "abcdef").Description, "def") << "no </p>: the first 3 go";
    EXPECT_EQ(Prepared("Shipped: A", {}, "ab").Description, "");
    EXPECT_EQ(Prepared("Received: A", {}, "Received on 05/20/07. Go to your Queue.").Description,
              "Received on 05/20/07");
    EXPECT_EQ(Prepared("Received: A", {}, "  <b>kept</b> as is \t").Description, "<b>kept</b> as is")
        << "no cleaning for kinds 1 and 2";
}

TEST(QueueDescription, NamedReferences) {
    EXPECT_EQ(Prepared("q", {}, "Tom &amp; Jerry &lt;b&gt;live&lt;/b&gt;").Description, "Tom & Jerry live");
    EXPECT_EQ(DecodeNamedReferences("&amp;lt;"), "<");
    EXPECT_EQ(DecodeNamedReferences("&QUOT;&Amp;&LT;&gT;"), "\"&<>");
    EXPECT_EQ(DecodeNamedReferences("&amp;amp;"), "&amp;") << "one pass per reference";
    EXPECT_EQ(DecodeNamedReferences("&gt;&lt"), ">&lt");
}

TEST(QueueDescription, NamedReferencesDecodeAsFourWholePassesInTurnWould) {
    // The rule as first written: each reference replaced over the whole text, one after another.
    const auto fourPasses = [](std::string text) {
        for (const auto& [pattern, replacement] :
             {std::pair{"&quot;", "\""}, std::pair{"&amp;", "&"}, std::pair{"&lt;", "<"}, std::pair{"&gt;", ">"}}) {
            const QString from = QString::fromLatin1(pattern);
            text = QString::fromLatin1(text.c_str())
                       .replace(from, QString::fromLatin1(replacement), Qt::CaseInsensitive)
                       .toLatin1()
                       .toStdString();
        }
        return text;
    };
    std::mt19937 random(20261210);
    const std::string alphabet = "&&&amplgtquoAMPLGTQ;;x";
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        for (int length = static_cast<int>(random() % 24); length > 0; --length)
            text += alphabet[random() % alphabet.size()];
        ASSERT_EQ(DecodeNamedReferences(text), fourPasses(text)) << text;
    }
}

TEST(QueueDescription, TagRemovalHasOneBudgetForTheWholeFeed) {
    const auto feedOf = [](const std::vector<std::string>& descriptions) {
        TRssFeed feed;
        feed.Items = std::make_shared<TRssItems>();
        for (const std::string& description : descriptions) {
            auto item = std::make_unique<TRssItemRec>();
            item->Title = "1- A film";
            item->Description = description;
            feed.Items->Add(std::move(item));
        }
        PrepareMovies(feed);
        return feed;
    };
    // A thousand real descriptions, markup and all, are cleaned to the last as each alone is.
    const std::string real = "&lt;p&gt;A synopsis of &lt;i&gt;some&lt;/i&gt; length.&lt;/p&gt;&lt;p&gt;"
                             "With &amp;quot;quotes&amp;quot; &amp;amp; more.&lt;/p&gt;";
    const TRssFeed ordinary = feedOf(std::vector<std::string>(1000, real));
    ASSERT_NE(CleanQueueDescription(real).find("some length."), std::string::npos);
    EXPECT_EQ(CleanQueueDescription(real).find('<'), std::string::npos);
    for (std::size_t i = 0; i < 1000; ++i)
        ASSERT_EQ((*ordinary.Items)[i].Description, CleanQueueDescription(real)) << i;

    // A description whose every pass crosses all of it: alone it gets a budget of its own; in a
    // feed, the first such one spends the feed's, and the next is left as it is.
    std::string hostile;
    for (int i = 0; i < 3000; ++i)
        hostile += "&lt;i&gt;y";
    for (int i = 0; i < 3000; ++i)
        hostile += "&lt;/i&gt;";
    const std::string decoded = DecodeNamedReferences(hostile);
    EXPECT_LT(CleanQueueDescription(hostile).size(), decoded.size());
    const TRssFeed spent = feedOf({hostile, hostile});
    EXPECT_LT((*spent.Items)[0].Description.size(), decoded.size());
    EXPECT_TRUE((*spent.Items)[1].Description == decoded) << "the second was cleaned after all";
}

TEST(PrepareMovie, ADescriptionBeyondWhatACardCouldShowIsCutAtACharacter) {
    std::string long_;
    while (long_.size() < 100000)
        long_ += "\xC3\xA9"; // two bytes each
    const TRssItemRec item = Prepared("1- A", {}, "x" + long_);
    EXPECT_LE(item.Description.size(), 64u * 1024);
    EXPECT_GT(item.Description.size(), 64u * 1024 - 2);
    EXPECT_EQ(QString::fromUtf8(item.Description).toUtf8().toStdString(), item.Description)
        << "no character cut in two";
    EXPECT_EQ(Prepared("1- A", {}, "Short.").Description, "Short.");
}

TEST(QueueDescription, TagRemovalStopsWhereTheRulesSay) {
    const std::pair<const char*, const char*> cases[] = {
        {"<p>a</p><p>b</p>", "ab"},
        {"<b><i>x</i></b>", "<i>x</i>"},
        {"<br>text", "<br>text"},
        {"<a href=\"x\">link</a> text", "<a href=\"x\">link</a> text"},
        {"a > b <p>c</p>", "a > b <p>c</p>"},
        {"x<p>a</p>y<br>z<p>b</p>", "xay<br>z<p>b</p>"},
        {"<p>unclosed", "<p>unclosed"},
        {"no tags", "no tags"},
        {"<", "<"},
        {"<>x</>", "x"},
        {"<p>a</p>", "a"},
        {"a</p><p>b", "a</p><p>b"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(RemoveTags(text), expected) << text;
}

TEST(QueueDescription, NumericReferences) {
    const std::pair<const char*, const char*> cases[] = {
        {"Caf&#233;", "Caf\xC3\xA9"},
        {"it&#x27;s", "it's"},
        {"&#12345;", "\xD3\x92;"}, // only "1234" is taken; the "5" goes as the one after
        {"&#x2019;", "\xC8\x81;"}, // only "x201"
        {"&#;", "&#;"},
        {"&#abc;", "&#abc;"},
        {"end &#", "end &#"},
        {"&#-1;", "&#-1;"},
        {"&#65", "A"},
        {"&#65;&#66;", "AB"},
        {"&&#35;65;", "A"}, // the inserted "#" makes a new reference with the "&" before
        {"&#38;#65;", "A"},
        {"&#;&#65;", "&#;A"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(DecodeNumericReferences(text), expected) << text;
}

TEST(QueueDescription, HostileInputsFinishQuickly) {
    const auto timed = [](const std::string& text) {
        const auto start = std::chrono::steady_clock::now();
        const std::string out = CleanQueueDescription(text);
        EXPECT_LE(out.size(), text.size() + 16);
        return std::chrono::steady_clock::now() - start;
    };
    std::string nested;
    for (int i = 0; i < 100000; ++i)
        nested += "<b>";
    nested += "x";
    for (int i = 0; i < 100000; ++i)
        nested += "</b>";
    std::string pairs;
    for (int i = 0; i < 100000; ++i)
        pairs += "<i>y";
    for (int i = 0; i < 100000; ++i)
        pairs += "</i>";
    std::string refs;
    while (refs.size() < 1024 * 1024)
        refs += "&amp;#233;&#x41;&#;";
    std::string sequential;
    while (sequential.size() < 1024 * 1024)
        sequential += "<p>a</p>";
    // Generous limits: a quadratic pass would take minutes on these.
    for (const std::string* text : {&nested, &pairs, &refs, &sequential})
        EXPECT_LT(timed(*text), std::chrono::seconds(10));
    EXPECT_EQ(CleanQueueDescription(sequential), std::string(sequential.size() / 8, 'a'));
}

TEST(Lists, SelectionsAndQueueLength) {
    TRssFeed tracking = FeedOf({"Shipped: A", "Received: B", "Other", "Shipped: C"});
    const TMovieList atHome = RecentAtHome(tracking);
    ASSERT_EQ(atHome.size(), 2u);
    EXPECT_EQ(atHome[0]->Title, "A");
    EXPECT_EQ(atHome[1]->Title, "C");
    EXPECT_EQ(RecentReturns(tracking).size(), 1u);

    TRssFeed other = FeedOf({"x", "y"});
    EXPECT_TRUE(RecentAtHome(other).empty());
    EXPECT_TRUE(RecentReturns(other).empty());

    TRssFeed queue = FeedOf({"1- a", "2- b", "3- c", "4- d", "5- e", "6- f", "Shipped: g"});
    SetDefaultConfig();
    Config.MoviesInQueue = 1; // "5"
    const TMovieList five = QueueMovies(queue, ConfiguredQueueLength());
    ASSERT_EQ(five.size(), 5u);
    EXPECT_EQ(five[4]->Title, "e");
    Config.MoviesInQueue = 7; // "all"
    EXPECT_EQ(QueueMovies(queue, ConfiguredQueueLength()).size(), 7u) << "whatever their kind";
    SetDefaultConfig();
    EXPECT_TRUE(QueueMovies(TRssFeed{}, 10).empty());
}

TEST(Lists, AHugeTrackingFeedGivesEachListItsFirstFiveHundred) {
    std::vector<std::string> titles;
    for (int i = 0; i < 20000; ++i)
        titles.push_back("Shipped: " + std::to_string(i));
    titles.push_back("Received: late");
    const TRssFeed tracking = FeedOf(titles);
    const TMovieList atHome = RecentAtHome(tracking);
    ASSERT_EQ(atHome.size(), MaxRecentCards);
    EXPECT_EQ(atHome.front()->Title, "0");
    EXPECT_EQ(atHome.back()->Title, "499");
    ASSERT_EQ(RecentReturns(tracking).size(), 1u) << "the other list is bounded on its own";
    EXPECT_EQ(RecentReturns(tracking)[0]->Title, "late");
}
