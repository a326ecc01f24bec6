#include "sync/dav_client.h"

#include "core/log.h"

namespace velvane::sync {

using platform::HttpRequest;
using platform::HttpResponse;
using platform::XmlElement;
using platform::xml_escape;

namespace {

constexpr int kMaxRedirects = 5;

constexpr const char* kXmlHeader = "Content-Type: application/xml; charset=utf-8";

bool is_redirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string describe(const HttpResponse& response) {
    if (response.status == 0) {
        return response.error;
    }
    return "the server answered " + std::to_string(response.status);
}

// The first href inside a property such as current-user-principal.
std::string href_in(const XmlElement* prop) {
    if (prop == nullptr) {
        return {};
    }
    const XmlElement* href = prop->child(kDav, "href");
    return href != nullptr ? clean_href(href->text) : std::string();
}

bool is_address_book(const DavResponse& response) {
    const XmlElement* type = response.prop(kDav, "resourcetype");
    return type != nullptr && type->child(kCardDav, "addressbook") != nullptr;
}

std::string with_slash(std::string url) {
    if (!url.empty() && url.back() != '/') {
        url.push_back('/');
    }
    return url;
}

}  // namespace

std::string clean_etag(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 256) {
        return {};
    }
    for (unsigned char c : text) {
        if (c < 0x20 || c >= 0x7F) {
            return {};
        }
    }
    return std::string(text);
}

std::string url_path(const std::string& url) {
    const std::string origin = platform::url_origin(url);
    if (origin.empty() || !url.starts_with(origin)) {
        return url;
    }
    const std::string path = url.substr(origin.size());
    return path.empty() ? "/" : path;
}

DavClient::DavClient(std::string user, std::string password, std::string ca_file)
    : m_http(std::move(user), std::move(password), std::move(ca_file)) {}

std::string DavClient::card_url(const std::string& book, std::string_view uid) {
    return with_slash(book) + std::string(uid) + ".vcf";
}

std::string DavClient::card_address(const std::string& book, const std::string& href) const {
    const std::string url = platform::resolve_url(book, href);
    if (url.empty() || platform::url_origin(url) != platform::url_origin(book)) {
        return {};
    }
    return url;
}

bool DavClient::propfind(std::string& url, int depth, const std::string& body, Multistatus& out,
                         std::string& error) {
    const std::string origin = platform::url_origin(url);
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        HttpRequest request;
        request.method = "PROPFIND";
        request.url = url;
        request.headers = {kXmlHeader, "Depth: " + std::to_string(depth)};
        request.body = body;
        const HttpResponse response = m_http.send(request);
        if (is_redirect(response.status)) {
            const std::string* location = response.header("location");
            const std::string next = location ? platform::resolve_url(url, *location) : std::string();
            // Credentials go to the server the user named and nowhere else.
            if (next.empty() || platform::url_origin(next) != origin) {
                error = url + ": redirected to another server; not followed";
                return false;
            }
            url = next;
            continue;
        }
        if (response.status != 207) {
            error = url + ": " + describe(response);
            return false;
        }
        std::optional<Multistatus> parsed = parse_multistatus(response.body, error);
        if (!parsed) {
            error = url + ": " + error;
            return false;
        }
        out = std::move(*parsed);
        return true;
    }
    error = url + ": too many redirects";
    return false;
}

bool DavClient::report(const std::string& url, const std::string& body, int& status,
                       Multistatus& out, std::string& error, std::string* raw) {
    HttpRequest request;
    request.method = "REPORT";
    request.url = url;
    request.headers = {kXmlHeader, "Depth: 1"};
    request.body = body;
    const HttpResponse response = m_http.send(request);
    status = response.status;
    if (raw != nullptr) {
        *raw = response.body;
    }
    if (response.status != 207) {
        error = url + ": " + describe(response);
        return false;
    }
    std::optional<Multistatus> parsed = parse_multistatus(response.body, error);
    if (!parsed) {
        error = url + ": " + error;
        return false;
    }
    out = std::move(*parsed);
    return true;
}

bool DavClient::discover(const std::string& base, std::vector<DavBook>& books, std::string& error) {
    books.clear();
    if (const std::string refusal = platform::url_refusal(base); !refusal.empty()) {
        error = base + ": " + refusal;
        return false;
    }
    const std::string probe =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\" "
        "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop><d:resourcetype/><d:displayname/>"
        "<d:current-user-principal/><c:addressbook-home-set/></d:prop></d:propfind>";
    std::string url = base;
    Multistatus found;
    std::string first_error;
    if (!propfind(url, 0, probe, found, first_error) || found.responses.empty()) {
        url = platform::url_origin(base) + "/.well-known/carddav";
        if (!propfind(url, 0, probe, found, error) || found.responses.empty()) {
            error = first_error.empty() ? error : first_error;
            return false;
        }
    }
    const DavResponse& here = found.responses.front();
    if (is_address_book(here)) {
        const XmlElement* name = here.prop(kDav, "displayname");
        books.push_back({with_slash(url), name ? name->text : std::string()});
        return true;
    }
    std::string home = href_in(here.prop(kCardDav, "addressbook-home-set"));
    if (home.empty()) {
        const std::string principal = href_in(here.prop(kDav, "current-user-principal"));
        if (principal.empty()) {
            error = url + ": the server names no user principal and no address book home";
            return false;
        }
        std::string principal_url = card_address(url, principal);
        Multistatus about;
        if (principal_url.empty() || !propfind(principal_url, 0, probe, about, error) ||
            about.responses.empty()) {
            if (error.empty()) {
                error = url + ": the user's principal is on another server";
            }
            return false;
        }
        home = href_in(about.responses.front().prop(kCardDav, "addressbook-home-set"));
        url = principal_url;
        if (home.empty()) {
            error = principal_url + ": the server names no address book home";
            return false;
        }
    }
    std::string home_url = card_address(url, home);
    if (home_url.empty()) {
        error = url + ": the address book home is on another server";
        return false;
    }
    Multistatus listing;
    const std::string list_body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
        "<d:resourcetype/><d:displayname/></d:prop></d:propfind>";
    if (!propfind(home_url, 1, list_body, listing, error)) {
        return false;
    }
    for (const DavResponse& response : listing.responses) {
        if (!is_address_book(response)) {
            continue;
        }
        const std::string book = card_address(home_url, response.href);
        if (book.empty()) {
            continue;
        }
        const XmlElement* name = response.prop(kDav, "displayname");
        books.push_back({with_slash(book), name ? name->text : std::string()});
    }
    if (books.empty()) {
        error = home_url + ": no address book there";
        return false;
    }
    return true;
}

DavClient::SyncReport DavClient::sync_collection(const std::string& book, const std::string& token,
                                                 std::vector<CardTag>& changed,
                                                 std::vector<std::string>& removed,
                                                 std::string& new_token, std::string& error) {
    changed.clear();
    removed.clear();
    std::string from = token;
    // A server may hand out a long answer in parts (507 on the book): ask again from the
    // token it gave until it has said everything.
    for (int part = 0; part < 1000; ++part) {
        const std::string body =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:sync-collection xmlns:d=\"DAV:\">"
            "<d:sync-token>" + xml_escape(from) + "</d:sync-token><d:sync-level>1</d:sync-level>"
            "<d:prop><d:getetag/></d:prop></d:sync-collection>";
        Multistatus answer;
        int status = 0;
        std::string raw;
        if (!report(book, body, status, answer, error, &raw)) {
            if (status == 0) {
                return SyncReport::failed;
            }
            if (!from.empty() && (status == 403 || status == 409) &&
                raw.find("valid-sync-token") != std::string::npos) {
                return SyncReport::token_refused;
            }
            if (status == 400 || status == 403 || status == 405 || status == 415 ||
                status == 501) {
                return SyncReport::unsupported;
            }
            return SyncReport::failed;
        }
        bool truncated = false;
        const std::string book_path = url_path(book);
        for (const DavResponse& response : answer.responses) {
            const std::string url = card_address(book, response.href);
            if (url.empty()) {
                log() << "sync: a card address on another server is ignored\n";
                continue;
            }
            if (with_slash(url) == book || url_path(url) == book_path) {
                truncated = truncated || response.status == 507;
                continue;
            }
            if (response.status == 404) {
                removed.push_back(url);
                continue;
            }
            const XmlElement* etag = response.prop(kDav, "getetag");
            const std::string tag = etag ? clean_etag(etag->text) : std::string();
            if (tag.empty()) {
                log() << "sync: a card without a usable ETag is ignored\n";
                continue;
            }
            changed.push_back({url, tag});
        }
        if (answer.sync_token.empty()) {
            error = book + ": the sync report gives no token";
            return SyncReport::failed;
        }
        new_token = answer.sync_token;
        if (!truncated || new_token == from) {
            return SyncReport::ok;
        }
        from = new_token;
    }
    error = book + ": the sync report never ends";
    return SyncReport::failed;
}

bool DavClient::collection_tag(const std::string& book, std::string& tag, std::string& error) {
    tag.clear();
    std::string url = book;
    Multistatus answer;
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\" "
        "xmlns:cs=\"http://calendarserver.org/ns/\"><d:prop><cs:getctag/></d:prop></d:propfind>";
    if (!propfind(url, 0, body, answer, error)) {
        return false;
    }
    for (const DavResponse& response : answer.responses) {
        if (const XmlElement* ctag = response.prop(kCalendarServer, "getctag")) {
            tag = clean_etag(ctag->text);
            break;
        }
    }
    return true;
}

bool DavClient::list_cards(const std::string& book, std::vector<CardTag>& out, std::string& error) {
    out.clear();
    std::string url = book;
    Multistatus listing;
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
        "<d:resourcetype/><d:getetag/></d:prop></d:propfind>";
    if (!propfind(url, 1, body, listing, error)) {
        return false;
    }
    for (const DavResponse& response : listing.responses) {
        const std::string card = card_address(book, response.href);
        const XmlElement* type = response.prop(kDav, "resourcetype");
        if (card.empty() || (type != nullptr && type->child(kDav, "collection") != nullptr)) {
            continue;
        }
        const XmlElement* etag = response.prop(kDav, "getetag");
        const std::string tag = etag ? clean_etag(etag->text) : std::string();
        if (!tag.empty()) {
            out.push_back({card, tag});
        }
    }
    return true;
}

bool DavClient::multiget(const std::string& book, const std::vector<std::string>& urls,
                         std::vector<FetchedCard>& out, std::string& error) {
    out.clear();
    std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:addressbook-multiget xmlns:d=\"DAV:\" "
        "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop><d:getetag/><c:address-data/>"
        "</d:prop>";
    for (const std::string& url : urls) {
        body += "<d:href>" + xml_escape(url_path(url)) + "</d:href>";
    }
    body += "</c:addressbook-multiget>";
    Multistatus answer;
    int status = 0;
    if (!report(book, body, status, answer, error)) {
        return false;
    }
    for (const DavResponse& response : answer.responses) {
        const std::string url = card_address(book, response.href);
        const XmlElement* etag = response.prop(kDav, "getetag");
        const XmlElement* data = response.prop(kCardDav, "address-data");
        if (url.empty() || etag == nullptr || data == nullptr) {
            continue;  // gone meanwhile, or not ours to take
        }
        const std::string tag = clean_etag(etag->text);
        if (tag.empty() || data->text.size() > kMaxCardBytes) {
            log() << "sync: a card with an unusable ETag or too large is left out\n";
            continue;
        }
        out.push_back({url, tag, data->text});
    }
    return true;
}

DavResult DavClient::put(const std::string& url, const std::string& card, const std::string& etag,
                         std::string& new_etag, std::string& error) {
    new_etag.clear();
    HttpRequest request;
    request.method = "PUT";
    request.url = url;
    request.headers = {"Content-Type: text/vcard; charset=utf-8",
                       etag.empty() ? std::string("If-None-Match: *") : "If-Match: " + etag};
    request.body = card;
    const HttpResponse response = m_http.send(request);
    if (response.status == 200 || response.status == 201 || response.status == 204) {
        if (const std::string* tag = response.header("etag")) {
            new_etag = clean_etag(*tag);
        }
        return DavResult::ok;
    }
    if (response.status == 412) {
        return DavResult::conflict;
    }
    error = url + ": " + describe(response);
    return DavResult::failed;
}

DavResult DavClient::remove(const std::string& url, const std::string& etag, std::string& error) {
    HttpRequest request;
    request.method = "DELETE";
    request.url = url;
    if (!etag.empty()) {
        request.headers = {"If-Match: " + etag};
    }
    const HttpResponse response = m_http.send(request);
    if (response.status == 200 || response.status == 204) {
        return DavResult::ok;
    }
    if (response.status == 404 || response.status == 410) {
        return DavResult::gone;
    }
    if (response.status == 412) {
        return DavResult::conflict;
    }
    error = url + ": " + describe(response);
    return DavResult::failed;
}

}  // namespace velvane::sync
