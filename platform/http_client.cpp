#include "platform/http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <mutex>

namespace platform {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

// curl_global_init is not thread-safe; the first client of the process calls it once.
void global_init() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct UrlParts {
    std::string scheme, host, user, password, port;
    bool ok = false;
};

std::string part(CURLU* url, CURLUPart which) {
    char* text = nullptr;
    std::string out;
    if (curl_url_get(url, which, &text, 0) == CURLUE_OK && text != nullptr) {
        out = text;
    }
    curl_free(text);
    return out;
}

UrlParts parse(std::string_view text) {
    UrlParts parts;
    CURLU* url = curl_url();
    if (url == nullptr) {
        return parts;
    }
    const std::string copy(text);
    if (copy.find_first_of(" \r\n\t") == std::string::npos &&
        curl_url_set(url, CURLUPART_URL, copy.c_str(), 0) == CURLUE_OK) {
        parts.scheme = lower(part(url, CURLUPART_SCHEME));
        parts.host = lower(part(url, CURLUPART_HOST));
        parts.user = part(url, CURLUPART_USER);
        parts.password = part(url, CURLUPART_PASSWORD);
        parts.port = part(url, CURLUPART_PORT);
        parts.ok = !parts.scheme.empty() && !parts.host.empty();
    }
    curl_url_cleanup(url);
    return parts;
}

bool is_loopback(const std::string& host) {
    if (host == "localhost" || host == "[::1]") {
        return true;
    }
    // 127.0.0.0/8 written as four decimal numbers, nothing else: a name that merely starts
    // with 127. may resolve anywhere.
    if (!host.starts_with("127.")) {
        return false;
    }
    int dots = 0;
    int digits = 0;
    for (char c : host) {
        if (c == '.') {
            if (digits == 0 || digits > 3) {
                return false;
            }
            ++dots;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            ++digits;
        } else {
            return false;
        }
    }
    return dots == 3 && digits > 0 && digits <= 3;
}

}  // namespace

const std::string* HttpResponse::header(std::string_view lower_name) const {
    const std::string* found = nullptr;
    for (const auto& [name, value] : headers) {
        if (name == lower_name) {
            found = &value;
        }
    }
    return found;
}

std::string url_refusal(std::string_view url) {
    global_init();
    const UrlParts parts = parse(url);
    if (!parts.ok) {
        return "not a web address";
    }
    if (!parts.user.empty() || !parts.password.empty()) {
        return "a user name belongs in --user, not in the address";
    }
    if (parts.scheme == "https") {
        return {};
    }
    if (parts.scheme == "http") {
        return is_loopback(parts.host) ? std::string()
                                       : "plain http is only used to this machine; use https";
    }
    return "only https addresses are used";
}

std::string resolve_url(std::string_view base, std::string_view ref) {
    global_init();
    CURLU* url = curl_url();
    if (url == nullptr) {
        return {};
    }
    std::string out;
    const std::string base_copy(base);
    const std::string ref_copy(ref);
    if (ref_copy.find_first_of("\r\n") == std::string::npos &&
        curl_url_set(url, CURLUPART_URL, base_copy.c_str(), 0) == CURLUE_OK &&
        curl_url_set(url, CURLUPART_URL, ref_copy.c_str(), 0) == CURLUE_OK) {
        out = part(url, CURLUPART_URL);
    }
    curl_url_cleanup(url);
    return out;
}

std::string url_origin(std::string_view url) {
    global_init();
    const UrlParts parts = parse(url);
    if (!parts.ok) {
        return {};
    }
    return parts.scheme + "://" + parts.host + (parts.port.empty() ? "" : ":" + parts.port);
}

struct HttpClient::Handle {
    CURL* curl = nullptr;
    ~Handle() {
        if (curl != nullptr) {
            curl_easy_cleanup(curl);
        }
    }
};

HttpClient::HttpClient(std::string user, std::string password, std::string ca_file)
    : m_handle(std::make_unique<Handle>()),
      m_user(std::move(user)),
      m_password(std::move(password)),
      m_ca_file(std::move(ca_file)) {
    global_init();
}

HttpClient::~HttpClient() = default;

namespace {

struct Collect {
    HttpResponse* response;
    size_t max_body;
    bool too_large = false;
};

size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto* collect = static_cast<Collect*>(user);
    const size_t bytes = size * count;
    if (collect->response->body.size() + bytes > collect->max_body) {
        collect->too_large = true;
        return 0;  // makes curl fail the transfer
    }
    collect->response->body.append(data, bytes);
    return bytes;
}

size_t on_header(char* data, size_t size, size_t count, void* user) {
    auto* collect = static_cast<Collect*>(user);
    const size_t bytes = size * count;
    const std::string_view line(data, bytes);
    // A new status line (after a 100 Continue or an authentication round) starts afresh.
    if (line.starts_with("HTTP/")) {
        collect->response->headers.clear();
        return bytes;
    }
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos && collect->response->headers.size() < 200) {
        collect->response->headers.emplace_back(lower(trim(line.substr(0, colon))),
                                                std::string(trim(line.substr(colon + 1))));
    }
    return bytes;
}

int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancel = static_cast<const std::function<bool()>*>(user);
    return (*cancel)() ? 1 : 0;
}

}  // namespace

HttpResponse HttpClient::send(const HttpRequest& request) {
    HttpResponse response;
    if (const std::string refusal = url_refusal(request.url); !refusal.empty()) {
        response.error = request.url + ": " + refusal;
        return response;
    }
    if (m_handle->curl == nullptr) {
        m_handle->curl = curl_easy_init();
        if (m_handle->curl == nullptr) {
            response.error = "the HTTP library cannot be started";
            return response;
        }
    }
    CURL* curl = m_handle->curl;
    curl_easy_reset(curl);
    Collect collect{&response, m_max_body};
    curl_slist* headers = nullptr;
    for (const std::string& line : request.headers) {
        headers = curl_slist_append(headers, line.c_str());
    }
    // No "Expect: 100-continue" pause before bodies.
    headers = curl_slist_append(headers, "Expect:");

    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_ca_file.empty()) {
        curl_easy_setopt(curl, CURLOPT_CAINFO, m_ca_file.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, m_timeout);
    // A server that sends nothing for five minutes is given up; a big book may take a slow
    // server minutes to list before its first byte.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 300L);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Velvane");
    if (!m_user.empty()) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(curl, CURLOPT_USERNAME, m_user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, m_password.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    if (request.method == "HEAD") {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    }
    if (!request.body.empty() || request.method == "PUT" || request.method == "REPORT" ||
        request.method == "PROPFIND") {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &collect);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &collect);
    if (m_cancel) {
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, on_progress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &m_cancel);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }

    const CURLcode code = curl_easy_perform(curl);
    curl_slist_free_all(headers);
    if (collect.too_large) {
        response.error = "the answer is larger than " + std::to_string(m_max_body >> 20) + " MB";
        response.body.clear();
        return response;
    }
    if (code != CURLE_OK) {
        response.error = curl_easy_strerror(code);
        response.body.clear();
        return response;
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    response.status = static_cast<int>(status);
    if (response.status < 100 || response.status > 599) {
        response.error = "the server's answer has no valid status";
        response.status = 0;
    }
    return response;
}

}  // namespace platform
