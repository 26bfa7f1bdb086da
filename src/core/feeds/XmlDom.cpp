#include "core/feeds/XmlDom.h"

#include "platform/Paths.h"

#include <libxml/HTMLparser.h>
#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <cstdio>
#include <mutex>

namespace xmldom {

namespace {

// Entities are substituted so that text arrives resolved, as a DOM delivers it; external
// ones are refused by the loader below. Without XML_PARSE_HUGE libxml2 also refuses
// exponential entity expansion and caps text nodes and nesting depth.
constexpr int ParseOptions = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) {
    return nullptr;
}

void IgnoreError(void*, xmlErrorPtr) {}

// A feed that names an external DTD (RSS 0.91's, the Netscape one) uses the HTML character
// entities it declares, "&eacute;" and the like. The DTD is never fetched: an entity HTML knows
// is declared here, as the single character it stands for, when the document first uses it.
xmlEntityPtr GetEntity(void* context, const xmlChar* name) {
    if (xmlEntityPtr declared = xmlSAX2GetEntity(context, name))
        return declared;
    auto* ctxt = static_cast<xmlParserCtxtPtr>(context);
    if (!ctxt->hasExternalSubset || !ctxt->myDoc || !ctxt->myDoc->intSubset)
        return nullptr;
    const htmlEntityDesc* html = htmlEntityLookup(name);
    if (!html)
        return nullptr;
    xmlChar text[8] = {};
    const int length = xmlCopyCharMultiByte(text, static_cast<int>(html->value));
    if (length <= 0 || length >= static_cast<int>(sizeof text))
        return nullptr;
    return xmlAddDocEntity(ctxt->myDoc, name, XML_INTERNAL_GENERAL_ENTITY, nullptr, nullptr, text);
}

void SetUpLibxml() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternalEntity);
    });
}

bool IsBlankText(const xmlNode* node) {
    if (node->type != XML_TEXT_NODE || !node->content)
        return false;
    for (const xmlChar* p = node->content; *p; ++p)
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
            return false;
    return true;
}

std::string ToString(const xmlChar* text) {
    return text ? reinterpret_cast<const char*>(text) : "";
}

} // namespace

std::vector<TXmlNode> TXmlNode::Children() const {
    std::vector<TXmlNode> result;
    // A document type's declarations are not children a reader walks.
    if (m_node->type == XML_DTD_NODE)
        return result;
    for (xmlNode* child = m_node->children; child; child = child->next)
        if (!IsBlankText(child))
            result.emplace_back(child);
    return result;
}

bool TXmlNode::HasChildren() const {
    if (m_node->type == XML_DTD_NODE)
        return false;
    for (const xmlNode* child = m_node->children; child; child = child->next)
        if (!IsBlankText(child))
            return true;
    return false;
}

std::string TXmlNode::Name() const {
    switch (m_node->type) {
    case XML_ELEMENT_NODE:
        if (m_node->ns && m_node->ns->prefix)
            return ToString(m_node->ns->prefix) + ":" + ToString(m_node->name);
        return ToString(m_node->name);
    case XML_TEXT_NODE:
        return "#text";
    case XML_CDATA_SECTION_NODE:
        return "#cdata-section";
    case XML_COMMENT_NODE:
        return "#comment";
    case XML_PI_NODE:
    case XML_DTD_NODE:
    case XML_ENTITY_REF_NODE:
        return ToString(m_node->name);
    default:
        return {};
    }
}

std::optional<std::string> TXmlNode::ElementText() const {
    const xmlNode* only = nullptr;
    for (const xmlNode* child = m_node->children; child; child = child->next) {
        if (IsBlankText(child))
            continue;
        if (only)
            return std::nullopt;
        only = child;
    }
    if (!only || (only->type != XML_TEXT_NODE && only->type != XML_CDATA_SECTION_NODE))
        return std::nullopt;
    return ToString(only->content);
}

TXmlDocument::~TXmlDocument() {
    xmlFreeDoc(m_doc);
}

std::unique_ptr<TXmlDocument> TXmlDocument::Load(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX))
        return nullptr;
    SetUpLibxml();
    xmlSetStructuredErrorFunc(nullptr, IgnoreError);
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt)
        return nullptr;
    ctxt->sax->getEntity = GetEntity;
    xmlDocPtr doc =
        xmlCtxtReadMemory(ctxt, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, ParseOptions);
    // Well-formedness alone decides: a namespace error, an undeclared entity in a document with
    // an external subset or a warning leaves a document every reader of XML 1.0 accepts.
    const bool good = doc && ctxt->wellFormed;
    xmlFreeParserCtxt(ctxt);
    if (!good) {
        xmlFreeDoc(doc);
        return nullptr;
    }
    return std::unique_ptr<TXmlDocument>(new TXmlDocument(doc));
}

std::unique_ptr<TXmlDocument> TXmlDocument::LoadFile(const std::string& path, std::int64_t maxSize) {
    // One read of the whole (bounded) file and a parse from memory: quicker than feeding the
    // parser through callbacks, and never a decompressing reader behind our back.
    const std::optional<std::string> bytes = platform::ReadRegularFile(path, maxSize);
    return bytes ? Load(*bytes) : nullptr;
}

std::vector<TXmlNode> TXmlDocument::TopLevelNodes() const {
    return TXmlNode(reinterpret_cast<xmlNode*>(m_doc)).Children();
}

} // namespace xmldom
