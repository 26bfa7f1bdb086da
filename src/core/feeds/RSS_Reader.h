#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QIODevice;

/** One feed item and, once the rental lists have prepared it, the movie entry. */
struct TRssItemRec {
    std::string Title;
    std::string Description;
    std::string Link;
    std::string Author;
    std::string Comments;
    std::string PubDate;
    std::string Guid;
    std::string MovieId;
    std::string BoxArtUrl;
    std::uint8_t Kind = 0; // 0 other, 1 shipped, 2 received
};

/** An ordered list of item records that owns them. */
class TRssItems final {
public:
    std::size_t Count() const { return m_items.size(); }
    bool Empty() const { return m_items.empty(); }
    TRssItemRec& operator[](std::size_t i) { return *m_items[i]; }
    const TRssItemRec& operator[](std::size_t i) const { return *m_items[i]; }
    void Add(std::unique_ptr<TRssItemRec> item) { m_items.push_back(std::move(item)); }
    void Clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<TRssItemRec>> m_items;
};

/** A parsed feed. Copies share one Items list. */
struct TRssFeed {
    std::string Title;
    std::string Description;
    std::string Language;
    std::string Copyright;
    std::string WebMaster;
    std::string PubDate;
    std::string LastBuildDate;
    std::string Generator;
    std::string Ttl;
    std::string Rating;
    std::string SkipHours;
    std::string SkipDays;
    std::string ManagingEditor;
    std::shared_ptr<TRssItems> Items;
};

/**
 * Reads RSS documents into TRssFeed records, and tells whether downloaded bytes are XML.
 * No document can make it reach the network or the file system beyond the file it is given:
 * external entities and DTDs are never loaded, and runaway entity expansion is refused.
 */
class TRSSReader final : public QObject {
    Q_OBJECT
public:
    explicit TRSSReader(QObject* owner = nullptr);

    const std::string& RootNodeName() const { return m_rootNodeName; }
    void SetRootNodeName(std::string name) { m_rootNodeName = std::move(name); }
    const std::string& ChannelNodeName() const { return m_channelNodeName; }
    void SetChannelNodeName(std::string name) { m_channelNodeName = std::move(name); }

    std::function<void(TRSSReader*)> FeedLoaded;
    std::function<void(TRSSReader*)> RssNodeFound;
    std::function<void(TRSSReader*)> ChannelNodeFound;
    std::function<void(TRSSReader*)> ItemAdded;

    /** Fills feed from the document at fileName; feed.Items is always a valid list afterwards. Never throws. */
    void ReadFeedFile(const std::string& fileName, TRssFeed& feed);

    /** Whether the bytes from the stream's position to its end form a well-formed XML document. */
    bool IsXmlStream(QIODevice& stream);

    /** Documents larger than this are not read: no real feed comes near it. */
    static constexpr std::int64_t MaxDocumentSize = std::int64_t{32} * 1024 * 1024;

private:
    std::string m_rootNodeName = "rss";
    std::string m_channelNodeName = "channel";
};
