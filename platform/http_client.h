#pragma once
// HTTP for the address book sync: one connection kept open across requests, certificates
// always checked, plain HTTP only to this machine, every answer bounded in size and time.
// Redirects are not followed here: the caller decides whether a new address may be trusted.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    // Extra header lines, "Name: value".
    std::vector<std::string> headers;
    std::string body;
};

struct HttpResponse {
    // 0 when no answer came (error says why).
    int status = 0;
    std::string error;
    std::string body;
    // Header names in lower case, values trimmed; the last of a repeated header wins.
    std::vector<std::pair<std::string, std::string>> headers;

    const std::string* header(std::string_view lower_name) const;
};

// Why url may not be used (empty when it may): anything but https, or http to a loopback
// address, is refused, and so are addresses with credentials in them.
std::string url_refusal(std::string_view url);
// ref resolved against base, as a browser would; empty when either cannot be read.
std::string resolve_url(std::string_view base, std::string_view ref);
// scheme://host[:port] of url; empty when it cannot be read.
std::string url_origin(std::string_view url);

class HttpClient {
public:
    // Answers larger than this are cut off and reported as a failure.
    static constexpr size_t kDefaultMaxBody = 64u << 20;

    // ca_file: extra certificate authority (PEM) for a server with its own certificate;
    // empty uses the system's.
    HttpClient(std::string user, std::string password, std::string ca_file = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpResponse send(const HttpRequest& request);

    void set_max_body(size_t bytes) { m_max_body = bytes; }
    // Whole-request limit in seconds, for tests and the program's background runs.
    void set_timeout(long seconds) { m_timeout = seconds; }
    // Asked now and then during a request; true ends it at once as a failure (a program that
    // quits does not wait for a slow server).
    void set_cancel(std::function<bool()> cancel) { m_cancel = std::move(cancel); }

private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    std::string m_user;
    std::string m_password;
    std::string m_ca_file;
    size_t m_max_body = kDefaultMaxBody;
    long m_timeout = 900;
    std::function<bool()> m_cancel;
};

}  // namespace platform
