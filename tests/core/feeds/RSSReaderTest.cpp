#include "core/feeds/Advertisements.h"
#include "core/feeds/JpegPicture.h"
#include "core/feeds/RSS_Reader.h"

#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>

#include <sys/stat.h>

namespace {

std::string Feed(const std::string& channelBody) {
    return "<?xml version=\"1.0\"?>\n<rss version=\"2.0\"><channel>" + channelBody + "</channel></rss>";
}

std::string Item(const std::string& body) {
    return "<item>" + body + "</item>";
}

class RSSReaderTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TRSSReader reader;
    std::vector<std::string> events;

    void SetUp() override {
        reader.FeedLoaded = [this](TRSSReader* sender) { Record(sender, "loaded"); };
        reader.RssNodeFound = [this](TRSSReader* sender) { Record(sender, "rss"); };
        reader.ChannelNodeFound = [this](TRSSReader* sender) { Record(sender, "channel"); };
        reader.ItemAdded = [this](TRSSReader* sender) { Record(sender, "item"); };
    }

    void Record(TRSSReader* sender, const char* what) {
        EXPECT_EQ(sender, &reader);
        events.push_back(what);
    }

    TRssFeed Read(const std::string& document) {
        const std::string path = profile.Path("feed.xml");
        WriteFile(path, document);
        TRssFeed feed;
        reader.ReadFeedFile(path, feed);
        EXPECT_NE(feed.Items, nullptr);
        return feed;
    }

    bool IsXml(const std::string& bytes) {
        QByteArray data = QByteArray::fromStdString(bytes);
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        return reader.IsXmlStream(buffer);
    }

    static std::vector<std::string> Titles(const TRssFeed& feed) {
        std::vector<std::string> titles;
        for (std::size_t i = 0; i < feed.Items->Count(); ++i)
            titles.push_back((*feed.Items)[i].Title);
        return titles;
    }
};

} // namespace

TEST_F(RSSReaderTest, ReadsARealisticQueueFeed) {
    TRssFeed feed;
    reader.ReadFeedFile(PLOTVANE_TEST_DATA "/feeds/QueueRSS.xml", feed);
    EXPECT_EQ(feed.Title, "Netflix Queue for Jane Member");
    EXPECT_EQ(feed.Language, "en-us");
    EXPECT_EQ(feed.Ttl, "60");
    ASSERT_EQ(feed.Items->Count(), 2u);
    const TRssItemRec& first = (*feed.Items)[0];
    EXPECT_EQ(first.Title, "1- Am\xC3\xA9lie") << "Latin-1 text arrives as UTF-8";
    EXPECT_EQ(first.Guid, "http://www.netflix.com/Movie/Amelie/60020435");
    EXPECT_EQ(first.Description.substr(0, 9), "<a href=\"") << "escaped markup arrives as plain characters";
    EXPECT_NE(first.Description.find("waitress & her"), std::string::npos);
    EXPECT_EQ((*feed.Items)[1].Description.substr(0, 5), "<img ") << "CDATA reads normally";
    EXPECT_TRUE(first.MovieId.empty() && first.BoxArtUrl.empty() && first.Kind == 0);
    EXPECT_EQ(events, (std::vector<std::string>{"loaded", "rss", "channel", "item", "item"}));
}

TEST_F(RSSReaderTest, NamesMatchExactlyWithCase) {
    const TRssFeed feed = Read(Feed("<pubDate>x</pubDate><webMaster>y</webMaster><PubDate>z</PubDate>"
                                    "<webmaster>w</webmaster>" +
                                    Item("<title>A</title><pubDate>Mon</pubDate>") +
                                    Item("<title>B</title><pubdate>Tue</pubdate>") + Item("<Title>C</Title>")));
    EXPECT_EQ(feed.PubDate, "z");
    EXPECT_EQ(feed.WebMaster, "w");
    ASSERT_EQ(feed.Items->Count(), 3u);
    EXPECT_EQ((*feed.Items)[0].PubDate, "");
    EXPECT_EQ((*feed.Items)[1].PubDate, "Tue");
    EXPECT_EQ((*feed.Items)[2].Title, "") << "\"Title\" is not \"title\"";
}

TEST_F(RSSReaderTest, AnEmptyNamedElementEndsTheReading) {
    const TRssFeed feed =
        Read(Feed(Item("<title>1</title><author>a</author>") + Item("<title>2</title><author></author>") +
                  Item("<title>3</title>") + "<title>late channel title</title>"));
    EXPECT_EQ(Titles(feed), std::vector<std::string>{"1"});
    EXPECT_EQ(feed.Title, "") << "no later child of the channel is read";
    EXPECT_EQ(events, (std::vector<std::string>{"loaded", "rss", "channel", "item"}));
}

TEST_F(RSSReaderTest, ItemErrors) {
    struct Case {
        const char* name;
        std::string secondItem;
        std::size_t expectedItems;
    };
    const Case cases[] = {
        {"markup in description", "<title>2</title><description>a <b>bold</b> move</description>", 1},
        {"white space only", "<title>   \n  </title>", 1},
        {"self-closed", "<guid/>", 1},
        {"comment beside text", "<title>2<!-- note --></title>", 1},
        {"text and CDATA", "<title>2<![CDATA[x]]></title>", 1},
        {"CDATA with white space around", "<title>\n  <![CDATA[2]]>\n</title>", 3},
        {"empty unknown child", "<title>2</title><category/><media:content xmlns:media=\"m\"/>", 3},
        {"unknown child with markup", "<title>2</title><enclosure><a>b</a></enclosure>", 3},
        {"two titles", "<title>first</title><title>2</title>", 3},
        {"empty CDATA", "<title><![CDATA[]]></title>", 3},
    };
    for (const Case& c : cases) {
        const TRssFeed feed = Read(Feed(Item("<title>1</title>") + Item(c.secondItem) + Item("<title>3</title>")));
        EXPECT_EQ(feed.Items->Count(), c.expectedItems) << c.name;
        if (feed.Items->Count() == 3) {
            EXPECT_NE((*feed.Items)[1].Title, "first") << "a later element of the same name wins";
        }
    }
}

TEST_F(RSSReaderTest, ChannelFieldsNeverEndTheReading) {
    const TRssFeed feed =
        Read(Feed("<title>old</title><description><b>markup</b></description><ttl/>" + Item("<title>1</title>") +
                  "<title>new</title><image><url>u</url></image>" + Item("<title>2</title>")));
    EXPECT_EQ(feed.Title, "new");
    EXPECT_EQ(feed.Description, "");
    EXPECT_EQ(Titles(feed), (std::vector<std::string>{"1", "2"}));
}

TEST_F(RSSReaderTest, WrongOrEmptyContainersGiveNoItems) {
    struct Case {
        const char* name;
        std::string document;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"root not rss", "<feed><channel>" + Item("<title>1</title>") + "</channel></feed>", {"loaded"}},
        {"rss without channel", "<rss><chanel>" + Item("<title>1</title>") + "</chanel></rss>", {"loaded", "rss"}},
        {"empty channel", "<rss><channel/><other/></rss>", {"loaded", "rss"}},
        {"empty root", "<rss/>", {"loaded"}},
        {"RSS upper case", "<RSS><channel>" + Item("<title>1</title>") + "</channel></RSS>", {"loaded"}},
    };
    for (const Case& c : cases) {
        events.clear();
        const TRssFeed feed = Read(c.document);
        EXPECT_TRUE(feed.Items->Empty()) << c.name;
        EXPECT_EQ(events, c.events) << c.name;
    }
}

TEST_F(RSSReaderTest, OtherContainerNamesCanBeChosen) {
    reader.SetRootNodeName("feed");
    reader.SetChannelNodeName("list");
    const TRssFeed feed = Read("<feed><list>" + Item("<title>x</title>") + "</list></feed>");
    EXPECT_EQ(Titles(feed), std::vector<std::string>{"x"});
}

TEST_F(RSSReaderTest, UnreadableFilesGiveAnEmptyList) {
    TRssFeed feed;
    reader.ReadFeedFile(profile.Path("does-not-exist.xml"), feed);
    ASSERT_NE(feed.Items, nullptr);
    EXPECT_TRUE(feed.Items->Empty());
    for (const std::string& bad :
         {std::string(), std::string("<html><body>Error 500<br></body></html>"),
          Feed(Item("<title>1</title>")).substr(0, 60), std::string("\0\xFF\xFE garbage", 12)}) {
        EXPECT_TRUE(Read(bad).Items->Empty());
    }
    EXPECT_TRUE(events.empty()) << "no event fires for a document that does not load";
}

TEST_F(RSSReaderTest, CopiesShareOneItemList) {
    TRssFeed feed = Read(Feed(Item("<title>1</title>")));
    TRssFeed copy = feed;
    EXPECT_EQ(copy.Items.get(), feed.Items.get());
    feed.Items->Clear();
    EXPECT_TRUE(copy.Items->Empty());
}

TEST_F(RSSReaderTest, IsXmlStreamAcceptsOnlyWellFormedDocuments) {
    EXPECT_TRUE(IsXml(Feed("")));
    EXPECT_TRUE(IsXml("<anything-at-all/>"));
    EXPECT_TRUE(IsXml("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xC3\xA9</a>"));
    EXPECT_FALSE(IsXml(""));
    EXPECT_FALSE(IsXml("<html><body><p>Not found<br></body></html>"));
    EXPECT_FALSE(IsXml(Feed(Item("<title>1</title>")).substr(0, 50)));
    EXPECT_FALSE(IsXml("<a></a><b></b>"));
    EXPECT_FALSE(IsXml("plain text"));
}

TEST_F(RSSReaderTest, IsXmlStreamReadsFromTheCurrentPosition) {
    QByteArray data = QByteArray("garbage before ") + QByteArray::fromStdString(Feed(""));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    EXPECT_FALSE(reader.IsXmlStream(buffer));
    buffer.seek(15);
    EXPECT_TRUE(reader.IsXmlStream(buffer));
}

TEST_F(RSSReaderTest, EntityExpansionBombIsRefused) {
    std::string dtd = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY lol0 \"lollollollollollollollollollol\">";
    for (int i = 1; i <= 9; ++i)
        dtd += "<!ENTITY lol" + std::to_string(i) + " \"" + [&] {
            std::string refs;
            for (int k = 0; k < 10; ++k)
                refs += "&lol" + std::to_string(i - 1) + ";";
            return refs;
        }() + "\">";
    const std::string bomb = dtd + "]>" + "<rss><channel><item><title>&lol9;</title></item></channel></rss>";
    EXPECT_FALSE(IsXml(bomb));
    const TRssFeed feed = Read(bomb);
    EXPECT_TRUE(feed.Items->Empty());
}

TEST_F(RSSReaderTest, ExternalEntitiesAreNeverLoaded) {
    const std::string secret = profile.Path("secret.txt");
    WriteFile(secret, "TOP-SECRET-CONTENT");
    const std::string doc = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY xxe SYSTEM \"file://" + secret +
                            "\"><!ENTITY % dtd SYSTEM \"file://" + secret + "\">]>" +
                            "<rss><channel><title>&xxe;</title>" +
                            Item("<title>a&xxe;b</title><description>&xxe;</description>") + "</channel></rss>";
    const TRssFeed feed = Read(doc);
    for (const std::string* field : {&feed.Title, &feed.Description}) {
        EXPECT_EQ(field->find("TOP-SECRET"), std::string::npos);
    }
    for (std::size_t i = 0; i < feed.Items->Count(); ++i) {
        EXPECT_EQ((*feed.Items)[i].Title.find("TOP-SECRET"), std::string::npos);
        EXPECT_EQ((*feed.Items)[i].Description.find("TOP-SECRET"), std::string::npos);
    }
}

TEST_F(RSSReaderTest, HtmlEntitiesAreKnownOnlyWhereAnExternalDtdCouldDeclareThem) {
    EXPECT_FALSE(IsXml("<rss><channel><title>Caf&eacute;</title></channel></rss>"))
        << "without a DTD an undeclared entity is a well-formedness error";
    EXPECT_TRUE(IsXml("<!DOCTYPE rss SYSTEM \"x.dtd\"><rss>&nosuchentity;</rss>"))
        << "with an external subset it might declare, an unknown entity leaves the document well-formed";
    const TRssFeed feed =
        Read("<?xml version=\"1.0\"?><!DOCTYPE rss SYSTEM \"http://x.example/rss.dtd\"><rss><channel>" +
             Item("<title>Caf&eacute; &amp; &hellip;</title>") + "</channel></rss>");
    EXPECT_EQ(Titles(feed), std::vector<std::string>{"Caf\xC3\xA9 & \xE2\x80\xA6"});
}

TEST_F(RSSReaderTest, InternalEntitiesAreResolved) {
    const TRssFeed feed = Read("<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY co \"Plot &amp; Vane\">]>"
                               "<rss><channel>" +
                               Item("<title>&co; &#x263A;&#65;</title>") + "</channel></rss>");
    EXPECT_EQ(Titles(feed), std::vector<std::string>{"Plot & Vane \xE2\x98\xBA"
                                                     "A"});
}

TEST_F(RSSReaderTest, OversizedDocumentIsNotRead) {
    std::string big = "<?xml version=\"1.0\"?><rss><channel>" + Item("<title>1</title>") + "<!--";
    big.append(static_cast<std::size_t>(TRSSReader::MaxDocumentSize), 'x');
    big += "--></channel></rss>";
    EXPECT_TRUE(Read(big).Items->Empty());
    EXPECT_FALSE(IsXml(big));
}

TEST_F(RSSReaderTest, AFifoInAFeedsPlaceIsNeverWaitedOn) {
    // A FIFO opened for reading waits for a writer that never comes: read as no feed at once.
    const std::string fifo = profile.Path("QueueRSS.xml");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TRssFeed feed;
    reader.ReadFeedFile(fifo, feed);
    ASSERT_NE(feed.Items, nullptr);
    EXPECT_TRUE(feed.Items->Empty());
    TAdvertisement ad;
    EXPECT_FALSE(ReadAds(fifo, ad));
    EXPECT_FALSE(DecodeJpegFile(fifo));
}

// Hand-written feeds in the shapes real feeds take: every one is well-formed XML 1.0 and is
// read to the item its rules say, whatever its encoding, declarations or namespaces.
TEST_F(RSSReaderTest, TheFeedCorpusIsReadWhole) {
    struct Case {
        const char* file;
        std::vector<std::string> titles;
    };
    const Case cases[] = {
        {"rss091-netscape-doctype.xml",
         {"Le Fabuleux Destin d\xE2\x80\x99"
          "Am\xC3\xA9lie",
          "Jules et Jim"}},
        {"media-undeclared-prefix.xml", {"The Third Man", "Rear Window", "Vertigo"}},
        {"namespace-trailing-space.xml", {"Paths of Glory", "Spartacus"}},
        {"windows-1252.xml",
         {"\xE2\x80\x9C"
          "Casablanca\xE2\x80\x9D \xE2\x80\x93 1942",
          "Caf\xC3\xA9 Society"}},
        {"utf16-bom.xml", {"\xE4\xB8\x83\xE4\xBA\xBA\xE3\x81\xAE\xE4\xBE\x8D", "Ikiru"}},
        {"cdata-and-content-encoded.xml", {"Tom & Jerry: The Movie", "Fantasia"}},
        {"internal-dtd-entities.xml",
         {"Kind Hearts\xC2\xA0"
          "and Coronets",
          "The Ladykillers"}},
        {"long-description.xml", {"1- Heimat", "2- Berlin Alexanderplatz"}},
        {"service-tracking-shape.xml", {"Shipped: Am\xC3\xA9lie", "Received: Brazil"}},
        {"no-declaration-crlf.xml", {"Metropolis", "Nosferatu"}},
        {"stylesheet-and-comments.xml", {"Episode 12: Noir", "Episode 11: Westerns"}},
    };
    for (const Case& c : cases) {
        const std::string path = std::string(PLOTVANE_TEST_DATA "/feeds/corpus/") + c.file;
        TRssFeed feed;
        reader.ReadFeedFile(path, feed);
        ASSERT_NE(feed.Items, nullptr) << c.file;
        EXPECT_EQ(Titles(feed), c.titles) << c.file;
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.file;
        EXPECT_TRUE(reader.IsXmlStream(file)) << c.file << ": a fresh download of it replaces the cached feed";
    }
}
