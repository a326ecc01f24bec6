#pragma once
// XML from servers read into a small tree of elements: namespaces resolved, text gathered,
// no network, no external entities, and bounded in size, depth and element count so that a
// hostile answer is refused rather than followed.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct XmlElement {
    std::string ns;    // namespace URI; empty for none
    std::string name;  // local name
    std::string text;  // the element's own character data, concatenated
    std::vector<XmlElement> children;

    // The first child with this namespace and name, or null.
    const XmlElement* child(std::string_view ns, std::string_view name) const;
    bool is(std::string_view element_ns, std::string_view element_name) const {
        return ns == element_ns && name == element_name;
    }
};

struct XmlLimits {
    size_t max_bytes = 64u << 20;
    int max_depth = 32;
    size_t max_elements = 2'000'000;
};

// The document's root element; nothing, with error set, for text that is not well-formed,
// holds a document type declaration, or is beyond the limits.
std::optional<XmlElement> parse_xml(std::string_view bytes, std::string& error,
                                    const XmlLimits& limits = {});

// Text with &, <, > and quotes escaped, for building request bodies.
std::string xml_escape(std::string_view text);

}  // namespace platform
