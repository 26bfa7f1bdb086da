#include "core/feeds/RSS_Reader.h"

#include "core/feeds/XmlDom.h"

#include <QIODevice>

#include <algorithm>
#include <array>
#include <optional>

using xmldom::TXmlNode;

namespace {

constexpr std::string_view ItemNodeName = "item";

// Channel fields in the order their names are compared; names are exact, case included.
const std::array<std::pair<std::string_view, std::string TRssFeed::*>, 13> ChannelFields{{
    {"title", &TRssFeed::Title},
    {"description", &TRssFeed::Description},
    {"language", &TRssFeed::Language},
    {"copyright", &TRssFeed::Copyright},
    {"webmaster", &TRssFeed::WebMaster},
    {"PubDate", &TRssFeed::PubDate},
    {"lastBuildDate", &TRssFeed::LastBuildDate},
    {"generator", &TRssFeed::Generator},
    {"ttl", &TRssFeed::Ttl},
    {"rating", &TRssFeed::Rating},
    {"skipHours", &TRssFeed::SkipHours},
    {"skipDays", &TRssFeed::SkipDays},
    {"managingEditor", &TRssFeed::ManagingEditor},
}};

const std::array<std::pair<std::string_view, std::string TRssItemRec::*>, 7> ItemFields{{
    {"title", &TRssItemRec::Title},
    {"description", &TRssItemRec::Description},
    {"link", &TRssItemRec::Link},
    {"author", &TRssItemRec::Author},
    {"comments", &TRssItemRec::Comments},
    {"pubdate", &TRssItemRec::PubDate},
    {"guid", &TRssItemRec::Guid},
}};

// The first node of that name that has children; an empty one is passed over.
std::optional<TXmlNode> FindContainer(const std::vector<TXmlNode>& nodes, const std::string& name) {
    for (const TXmlNode& node : nodes)
        if (node.Name() == name && node.HasChildren())
            return node;
    return std::nullopt;
}

// nullptr when one of the item's named elements holds no text or more than text.
std::unique_ptr<TRssItemRec> ReadItem(const TXmlNode& itemNode) {
    auto item = std::make_unique<TRssItemRec>();
    for (const TXmlNode& child : itemNode.Children()) {
        const std::string name = child.Name();
        for (const auto& [fieldName, field] : ItemFields) {
            if (name != fieldName)
                continue;
            std::optional<std::string> text = child.ElementText();
            if (!text)
                return nullptr;
            (*item).*field = std::move(*text);
            break;
        }
    }
    return item;
}

} // namespace

TRSSReader::TRSSReader(QObject* owner)
    : QObject(owner) {}

void TRSSReader::ReadFeedFile(const std::string& fileName, TRssFeed& feed) {
    feed.Items = std::make_shared<TRssItems>();
    const auto document = xmldom::TXmlDocument::LoadFile(fileName, MaxDocumentSize);
    if (!document)
        return;
    if (FeedLoaded)
        FeedLoaded(this);

    const auto root = FindContainer(document->TopLevelNodes(), m_rootNodeName);
    if (!root)
        return;
    if (RssNodeFound)
        RssNodeFound(this);

    const auto channel = FindContainer(root->Children(), m_channelNodeName);
    if (!channel)
        return;
    if (ChannelNodeFound)
        ChannelNodeFound(this);

    for (const TXmlNode& child : channel->Children()) {
        const std::string name = child.Name();
        bool isField = false;
        for (const auto& [fieldName, field] : ChannelFields) {
            if (name == fieldName) {
                // Nothing reads the channel texts; one holding markup simply stays empty.
                feed.*field = child.ElementText().value_or(std::string());
                isField = true;
                break;
            }
        }
        if (isField || name != ItemNodeName)
            continue;
        std::unique_ptr<TRssItemRec> item = ReadItem(child);
        if (!item)
            return;
        feed.Items->Add(std::move(item));
        if (ItemAdded)
            ItemAdded(this);
    }
}

bool TRSSReader::IsXmlStream(QIODevice& stream) {
    // Sized by what is there: reading "up to the limit" would take the whole limit's memory first.
    const qint64 available = stream.isSequential() ? stream.bytesAvailable() : stream.size() - stream.pos();
    if (available > MaxDocumentSize)
        return false;
    const QByteArray bytes = stream.read(std::max<qint64>(available, 0));
    const auto document = xmldom::TXmlDocument::Load(std::string_view(bytes.constData(), bytes.size()));
    return document && !document->TopLevelNodes().empty();
}
