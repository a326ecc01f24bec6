#include "platform/xml_tree.h"

#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <climits>
#include <mutex>

namespace platform {

const XmlElement* XmlElement::child(std::string_view child_ns, std::string_view child_name) const {
    for (const XmlElement& c : children) {
        if (c.is(child_ns, child_name)) {
            return &c;
        }
    }
    return nullptr;
}

namespace {

std::string text_of(const xmlChar* text) {
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

// libxml2 would print its complaints on stderr; the caller logs its own line instead.
void quiet(void*, const char*, ...) {}

void init_once() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetGenericErrorFunc(nullptr, quiet);
    });
}

}  // namespace

std::optional<XmlElement> parse_xml(std::string_view bytes, std::string& error,
                                    const XmlLimits& limits) {
    init_once();
    if (bytes.size() > limits.max_bytes || bytes.size() > INT_MAX) {
        error = "the XML is too large";
        return std::nullopt;
    }
    // No entity substitution, no DTD loading, no network: only the document's own elements.
    xmlTextReaderPtr reader =
        xmlReaderForMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (reader == nullptr) {
        error = "the XML cannot be read";
        return std::nullopt;
    }
    xmlTextReaderSetErrorHandler(reader, nullptr, nullptr);
    std::optional<XmlElement> root;
    std::vector<XmlElement*> open;  // the path from the root to the current element
    size_t elements = 0;
    int rc;
    while ((rc = xmlTextReaderRead(reader)) == 1) {
        const int type = xmlTextReaderNodeType(reader);
        if (type == XML_READER_TYPE_DOCUMENT_TYPE || type == XML_READER_TYPE_ENTITY_REFERENCE ||
            type == XML_READER_TYPE_ENTITY) {
            error = "the XML declares a document type or entities";
            rc = -1;
            break;
        }
        if (type == XML_READER_TYPE_ELEMENT) {
            if (++elements > limits.max_elements) {
                error = "the XML has too many elements";
                rc = -1;
                break;
            }
            if (static_cast<int>(open.size()) >= limits.max_depth) {
                error = "the XML is nested too deeply";
                rc = -1;
                break;
            }
            XmlElement element;
            element.ns = text_of(xmlTextReaderConstNamespaceUri(reader));
            element.name = text_of(xmlTextReaderConstLocalName(reader));
            const bool empty = xmlTextReaderIsEmptyElement(reader) == 1;
            XmlElement* placed;
            if (open.empty()) {
                if (root) {
                    error = "the XML has two roots";
                    rc = -1;
                    break;
                }
                root = std::move(element);
                placed = &*root;
            } else {
                open.back()->children.push_back(std::move(element));
                placed = &open.back()->children.back();
            }
            if (!empty) {
                open.push_back(placed);
            }
        } else if (type == XML_READER_TYPE_END_ELEMENT) {
            if (!open.empty()) {
                open.pop_back();
            }
        } else if (type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_CDATA ||
                   type == XML_READER_TYPE_SIGNIFICANT_WHITESPACE ||
                   type == XML_READER_TYPE_WHITESPACE) {
            if (!open.empty()) {
                open.back()->text += text_of(xmlTextReaderConstValue(reader));
            }
        }
    }
    xmlFreeTextReader(reader);
    if (rc != 0) {
        if (error.empty()) {
            error = "the XML is not well-formed";
        }
        return std::nullopt;
    }
    if (!root) {
        error = "the XML has no element";
        return std::nullopt;
    }
    return root;
}

std::string xml_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

}  // namespace platform
