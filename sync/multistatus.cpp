#include "sync/multistatus.h"

namespace velvane::sync {

using platform::XmlElement;

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' ||
                             text.front() == '\n')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

const XmlElement* DavResponse::prop(std::string_view ns, std::string_view name) const {
    for (const DavPropStat& propstat : propstats) {
        if (propstat.status != 200) {
            continue;
        }
        for (const XmlElement& p : propstat.props) {
            if (p.is(ns, name)) {
                return &p;
            }
        }
    }
    return nullptr;
}

int parse_status_line(std::string_view line) {
    line = trim(line);
    if (!line.starts_with("HTTP/")) {
        return 0;
    }
    const size_t space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 4) {
        return 0;
    }
    int code = 0;
    for (size_t i = space + 1; i < space + 4; ++i) {
        const char c = line[i];
        if (c < '0' || c > '9') {
            return 0;
        }
        code = code * 10 + (c - '0');
    }
    if (line.size() > space + 4 && line[space + 4] != ' ') {
        return 0;
    }
    return code >= 100 && code <= 599 ? code : 0;
}

std::string clean_href(std::string_view text) {
    text = trim(text);
    if (text.empty() || text.size() > kMaxHrefBytes) {
        return {};
    }
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            return {};
        }
    }
    return std::string(text);
}

std::optional<Multistatus> parse_multistatus(std::string_view body, std::string& error,
                                             size_t* skipped) {
    std::optional<XmlElement> root = platform::parse_xml(body, error);
    if (!root) {
        return std::nullopt;
    }
    if (!root->is(kDav, "multistatus")) {
        error = "the answer is no multistatus";
        return std::nullopt;
    }
    Multistatus out;
    size_t left_out = 0;
    for (XmlElement& element : root->children) {
        if (element.is(kDav, "sync-token")) {
            out.sync_token = clean_href(element.text);
            continue;
        }
        if (!element.is(kDav, "response")) {
            continue;
        }
        DavResponse response;
        for (XmlElement& part : element.children) {
            if (part.is(kDav, "href") && response.href.empty()) {
                response.href = clean_href(part.text);
            } else if (part.is(kDav, "status")) {
                response.status = parse_status_line(part.text);
            } else if (part.is(kDav, "propstat")) {
                DavPropStat propstat;
                for (XmlElement& piece : part.children) {
                    if (piece.is(kDav, "status")) {
                        propstat.status = parse_status_line(piece.text);
                    } else if (piece.is(kDav, "prop")) {
                        for (XmlElement& p : piece.children) {
                            propstat.props.push_back(std::move(p));
                        }
                    }
                }
                response.propstats.push_back(std::move(propstat));
            }
        }
        if (response.href.empty()) {
            ++left_out;
            continue;
        }
        out.responses.push_back(std::move(response));
    }
    if (skipped != nullptr) {
        *skipped = left_out;
    }
    return out;
}

}  // namespace velvane::sync
