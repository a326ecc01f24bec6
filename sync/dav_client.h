#pragma once
// The CardDAV conversation: finding a user's address books from a server address, listing a
// book's cards with their ETags (sync report, or a listing to compare), fetching cards by
// address, and writing and deleting them only when they are still as last seen. Every answer
// is checked: status, size, shape; card addresses must stay on the book's server.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http_client.h"
#include "sync/multistatus.h"

namespace velvane::sync {

struct DavBook {
    std::string url;   // absolute
    std::string name;  // display name; may be empty
};

// A card's address (absolute URL) and its ETag as the server gave it.
struct CardTag {
    std::string url;
    std::string etag;
};

struct FetchedCard {
    std::string url;
    std::string etag;
    std::string data;
};

enum class DavResult { ok, conflict, gone, failed };

class DavClient {
public:
    // Cards larger than this are not taken.
    static constexpr size_t kMaxCardBytes = 8u << 20;
    // Cards asked for in one multiget.
    static constexpr size_t kMultigetBatch = 100;

    DavClient(std::string user, std::string password, std::string ca_file);

    // The address books reachable from base: base itself when it is one, else through
    // /.well-known/carddav, the user's principal and its address book home.
    bool discover(const std::string& base, std::vector<DavBook>& books, std::string& error);

    enum class SyncReport { ok, token_refused, unsupported, failed };
    // Changes since token (all cards for an empty token): changed cards with their new
    // ETags, removed addresses, and the token to give next time.
    SyncReport sync_collection(const std::string& book, const std::string& token,
                               std::vector<CardTag>& changed, std::vector<std::string>& removed,
                               std::string& new_token, std::string& error);
    // The book's collection tag, which changes with every card: one cheap request that tells
    // whether there is anything to list. Empty when the server keeps none.
    bool collection_tag(const std::string& book, std::string& tag, std::string& error);
    // Every card of the book with its ETag, for servers without sync reports.
    bool list_cards(const std::string& book, std::vector<CardTag>& out, std::string& error);
    // The cards at urls; a card the server no longer has is left out.
    bool multiget(const std::string& book, const std::vector<std::string>& urls,
                  std::vector<FetchedCard>& out, std::string& error);

    // Writes a card: over etag when given (conflict when the card changed meanwhile), or as a
    // new card (conflict when one is there already). new_etag is empty when the server did
    // not say.
    DavResult put(const std::string& url, const std::string& card, const std::string& etag,
                  std::string& new_etag, std::string& error);
    // Deletes a card when it is still at etag; gone when it is already gone.
    DavResult remove(const std::string& url, const std::string& etag, std::string& error);

    // The card address for a new card of this book.
    static std::string card_url(const std::string& book, std::string_view uid);

    platform::HttpClient& http() { return m_http; }

private:
    // PROPFIND with redirects followed on the same server; 207 answers parsed.
    bool propfind(std::string& url, int depth, const std::string& body, Multistatus& out,
                  std::string& error);
    bool report(const std::string& url, const std::string& body, int& status, Multistatus& out,
                std::string& error, std::string* raw = nullptr);
    // href as an absolute URL on book's server; empty when it points elsewhere.
    std::string card_address(const std::string& book, const std::string& href) const;

    platform::HttpClient m_http;
};

// An ETag from a server: trimmed; empty when it is too long or holds control characters.
std::string clean_etag(std::string_view text);
// The path (and query) of an absolute URL, for hrefs in request bodies.
std::string url_path(const std::string& url);

}  // namespace velvane::sync
