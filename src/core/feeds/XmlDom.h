#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// libxml2's own names for its document and node, declared here to keep its headers out.
struct _xmlDoc;  // NOLINT(bugprone-reserved-identifier)
struct _xmlNode; // NOLINT(bugprone-reserved-identifier)

namespace xmldom {

/** A node of a loaded document; valid while its document lives. */
class TXmlNode final {
public:
    explicit TXmlNode(_xmlNode* node)
        : m_node(node) {}

    /**
     * Child nodes in document order, as a DOM that does not preserve white space lists them:
     * text nodes holding only white space are left out.
     */
    std::vector<TXmlNode> Children() const;
    /** Whether Children() would list anything. */
    bool HasChildren() const;

    /** The DOM node name: "prefix:local" for elements, "#text", "#cdata-section", "#comment", a PI's target. */
    std::string Name() const;

    /** The value of the node's single child when that child is text or CDATA; nullopt otherwise. */
    std::optional<std::string> ElementText() const;

private:
    _xmlNode* m_node;
};

/** A parsed XML document. Loading never touches the network or any file but the one named. */
class TXmlDocument final {
public:
    ~TXmlDocument();

    /** Parses bytes; nullptr unless they form a well-formed document. */
    static std::unique_ptr<TXmlDocument> Load(std::string_view bytes);
    /** The same for a file's bytes, read whole; nullptr for a file larger than maxSize. */
    static std::unique_ptr<TXmlDocument> LoadFile(const std::string& path, std::int64_t maxSize);

    /** The top-level nodes (the document's children). */
    std::vector<TXmlNode> TopLevelNodes() const;

private:
    explicit TXmlDocument(_xmlDoc* doc)
        : m_doc(doc) {}
    _xmlDoc* m_doc;
};

} // namespace xmldom
