#pragma once
// The WebDAV multistatus answer (PROPFIND and REPORT): each resource's address, its status
// and its properties by status, and the collection's new sync token. A server's answer is
// outside input: it is read under the XML reader's limits and every part is checked.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xml_tree.h"

namespace velvane::sync {

inline constexpr std::string_view kDav = "DAV:";
inline constexpr std::string_view kCardDav = "urn:ietf:params:xml:ns:carddav";
inline constexpr std::string_view kCalendarServer = "http://calendarserver.org/ns/";

// Addresses longer than this are not taken from a server.
inline constexpr size_t kMaxHrefBytes = 4096;

struct DavPropStat {
    int status = 0;
    std::vector<platform::XmlElement> props;
};

struct DavResponse {
    std::string href;  // as the server wrote it (percent-encoded)
    // The response's own status (a removed card in a sync report); 0 when it has none.
    int status = 0;
    std::vector<DavPropStat> propstats;

    // A property the server gave with status 200; null otherwise.
    const platform::XmlElement* prop(std::string_view ns, std::string_view name) const;
};

struct Multistatus {
    std::vector<DavResponse> responses;
    std::string sync_token;
};

// Nothing, with error set, when body is no multistatus; a response without an href is left
// out (and counted in skipped).
std::optional<Multistatus> parse_multistatus(std::string_view body, std::string& error,
                                             size_t* skipped = nullptr);

// "HTTP/1.1 404 Not Found" → 404; 0 for anything else.
int parse_status_line(std::string_view line);

// The href's text trimmed; empty when it is too long or holds control characters.
std::string clean_href(std::string_view text);

}  // namespace velvane::sync
