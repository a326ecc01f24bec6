#include "platform/sip_control.h"

#include <algorithm>
#include <cctype>

#include "platform/phone_engine.h"

namespace platform::sip {

namespace {

// A length needs at most this many digits to reach kMaxMessageBytes.
constexpr size_t kMaxLengthDigits = 6;
constexpr int kMaxDepth = 8;
constexpr size_t kMaxNumberChars = 64;
constexpr size_t kMaxAddressChars = 256;

void put_utf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Length of the valid UTF-8 sequence at s[i], 0 when it is not one.
size_t utf8_length(std::string_view s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    size_t n = b < 0x80                 ? 1
               : b >= 0xC2 && b <= 0xDF ? 2
               : b >= 0xE0 && b <= 0xEF ? 3
               : b >= 0xF0 && b <= 0xF4 ? 4
                                        : 0;
    if (n == 0 || i + n > s.size()) {
        return 0;
    }
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    // Overlong forms, surrogates and values past U+10FFFF.
    if ((b == 0xE0 && byte(i + 1) < 0xA0) || (b == 0xED && byte(i + 1) > 0x9F) ||
        (b == 0xF0 && byte(i + 1) < 0x90) || (b == 0xF4 && byte(i + 1) > 0x8F)) {
        return 0;
    }
    return n;
}

// A small JSON reader over one text; each step fails by returning false, never reads past
// the end.
class Json {
public:
    explicit Json(std::string_view text) : m_text(text) {}

    bool message(Message& out) {
        skip_space();
        if (!object(0, &out)) {
            return false;
        }
        skip_space();
        return m_pos == m_text.size();
    }

private:
    bool at(char c) const { return m_pos < m_text.size() && m_text[m_pos] == c; }
    bool eat(char c) {
        if (!at(c)) {
            return false;
        }
        ++m_pos;
        return true;
    }
    void skip_space() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                         m_text[m_pos] == '\n' || m_text[m_pos] == '\r')) {
            ++m_pos;
        }
    }

    bool hex4(uint32_t& value) {
        if (m_pos + 4 > m_text.size()) {
            return false;
        }
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_pos++];
            value <<= 4;
            if (c >= '0' && c <= '9') {
                value |= static_cast<uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                value |= static_cast<uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                value |= static_cast<uint32_t>(c - 'A' + 10);
            } else {
                return false;
            }
        }
        return true;
    }

    bool string(std::string& out) {
        if (!eat('"')) {
            return false;
        }
        out.clear();
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c != '\\') {
                const size_t n = utf8_length(m_text, m_pos);
                if (n == 0) {
                    return false;
                }
                out.append(m_text.substr(m_pos, n));
                m_pos += n;
                continue;
            }
            if (++m_pos >= m_text.size()) {
                return false;
            }
            const char e = m_text[m_pos++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    uint32_t c1 = 0;
                    if (!hex4(c1)) {
                        return false;
                    }
                    if (c1 >= 0xD800 && c1 <= 0xDBFF) {
                        uint32_t c2 = 0;
                        if (!eat('\\') || !eat('u') || !hex4(c2) || c2 < 0xDC00 || c2 > 0xDFFF) {
                            return false;
                        }
                        c1 = 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00);
                    } else if (c1 >= 0xDC00 && c1 <= 0xDFFF) {
                        return false;
                    }
                    put_utf8(out, c1);
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }

    bool literal(std::string_view word) {
        if (m_text.substr(m_pos, word.size()) != word) {
            return false;
        }
        m_pos += word.size();
        return true;
    }

    bool number() {
        const size_t from = m_pos;
        eat('-');
        while (m_pos < m_text.size() &&
               (std::isdigit(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '.' ||
                m_text[m_pos] == 'e' || m_text[m_pos] == 'E' || m_text[m_pos] == '+' ||
                m_text[m_pos] == '-')) {
            ++m_pos;
        }
        return m_pos > from && std::isdigit(static_cast<unsigned char>(m_text[m_pos - 1]));
    }

    // Any value; a string's text and a boolean's value are given back for the caller.
    bool value(int depth, std::string* text, bool* flag) {
        skip_space();
        if (at('"')) {
            std::string scratch;
            return string(text != nullptr ? *text : scratch);
        }
        if (at('{')) {
            return object(depth + 1, nullptr);
        }
        if (at('[')) {
            return array(depth + 1);
        }
        if (literal("true")) {
            if (flag != nullptr) {
                *flag = true;
            }
            return true;
        }
        if (literal("false")) {
            if (flag != nullptr) {
                *flag = false;
            }
            return true;
        }
        if (literal("null")) {
            return true;
        }
        return number();
    }

    bool array(int depth) {
        if (depth > kMaxDepth || !eat('[')) {
            return false;
        }
        skip_space();
        if (eat(']')) {
            return true;
        }
        do {
            if (!value(depth, nullptr, nullptr)) {
                return false;
            }
            skip_space();
        } while (eat(','));
        return eat(']');
    }

    // Only the outermost object fills out; nested ones are read and forgotten.
    bool object(int depth, Message* out) {
        if (depth > kMaxDepth || !eat('{')) {
            return false;
        }
        skip_space();
        if (eat('}')) {
            return true;
        }
        bool is_event = false;
        bool is_response = false;
        do {
            skip_space();
            std::string key;
            if (!string(key)) {
                return false;
            }
            skip_space();
            if (!eat(':')) {
                return false;
            }
            std::string* text = nullptr;
            bool* flag = nullptr;
            if (out != nullptr) {
                if (key == "event") {
                    flag = &is_event;
                } else if (key == "response") {
                    flag = &is_response;
                } else if (key == "ok") {
                    flag = &out->ok;
                } else if (key == "type") {
                    text = &out->type;
                } else if (key == "class") {
                    text = &out->event_class;
                } else if (key == "direction") {
                    text = &out->direction;
                } else if (key == "peeruri") {
                    text = &out->peer_uri;
                } else if (key == "peerdisplayname") {
                    text = &out->peer_name;
                } else if (key == "id") {
                    text = &out->id;
                } else if (key == "param") {
                    text = &out->param;
                } else if (key == "accountaor") {
                    text = &out->account;
                } else if (key == "data") {
                    text = &out->data;
                } else if (key == "token") {
                    text = &out->token;
                }
            }
            if (!value(depth, text, flag)) {
                return false;
            }
            skip_space();
        } while (eat(','));
        if (!eat('}')) {
            return false;
        }
        if (out != nullptr) {
            out->kind = is_event      ? Message::Kind::event
                        : is_response ? Message::Kind::response
                                      : Message::Kind::other;
        }
        return true;
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

void put_json_string(std::string& out, std::string_view text) {
    static const char* kHex = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

bool starts_with_code(std::string_view reason, std::string_view code) {
    return reason.size() >= 3 && reason.substr(0, 3) == code &&
           (reason.size() == 3 || reason[3] == ' ');
}

bool phone_char(char16_t c) {
    return (c >= u'0' && c <= u'9') || c == u'+' || c == u'*' || c == u'#';
}

bool address_char(char c) {
    // What a SIP address may hold without quoting, and nothing that would end a command.
    return std::isalnum(static_cast<unsigned char>(c)) ||
           std::string_view("-_.!~*'()&=+$,;?/%:@[]#").find(c) != std::string_view::npos;
}

}  // namespace

bool NetstringReader::feed(std::string_view bytes) {
    if (m_broken) {
        return false;
    }
    // What was taken already goes before the buffer grows.
    if (m_start > 0) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    m_buffer.append(bytes);
    return true;
}

std::optional<std::string> NetstringReader::next() {
    if (m_broken) {
        return std::nullopt;
    }
    const std::string_view rest = std::string_view(m_buffer).substr(m_start);
    size_t length = 0;
    size_t digits = 0;
    while (digits < rest.size() && rest[digits] != ':') {
        const char c = rest[digits];
        if (c < '0' || c > '9' || digits == kMaxLengthDigits || (digits == 1 && rest[0] == '0')) {
            m_broken = true;
            return std::nullopt;
        }
        length = length * 10 + static_cast<size_t>(c - '0');
        ++digits;
    }
    if (digits == rest.size()) {
        return std::nullopt;  // the length is not whole yet
    }
    if (digits == 0 || length > kMaxMessageBytes) {
        m_broken = true;
        return std::nullopt;
    }
    if (rest.size() < digits + 1 + length + 1) {
        return std::nullopt;
    }
    if (rest[digits + 1 + length] != ',') {
        m_broken = true;
        return std::nullopt;
    }
    std::string body(rest.substr(digits + 1, length));
    m_start += digits + 1 + length + 1;
    return body;
}

std::string netstring(std::string_view payload) {
    std::string out = std::to_string(payload.size());
    out += ':';
    out.append(payload);
    out += ',';
    return out;
}

std::optional<Message> parse_message(std::string_view json) {
    if (json.size() > kMaxMessageBytes) {
        return std::nullopt;
    }
    Message message;
    Json reader(json);
    if (!reader.message(message)) {
        return std::nullopt;
    }
    return message;
}

std::string command_json(std::string_view command, std::string_view params,
                         std::string_view token) {
    std::string out = "{\"command\":";
    put_json_string(out, command);
    if (!params.empty()) {
        out += ",\"params\":";
        put_json_string(out, params);
    }
    out += ",\"token\":";
    put_json_string(out, token);
    out += '}';
    return out;
}

uint32_t disconnect_mode(std::string_view reason) {
    if (starts_with_code(reason, "486") || starts_with_code(reason, "600")) {
        return LINEDISCONNECTMODE_BUSY;
    }
    if (starts_with_code(reason, "603")) {
        return LINEDISCONNECTMODE_REJECT;
    }
    for (std::string_view code : {"404", "410", "484", "604"}) {
        if (starts_with_code(reason, code)) {
            return LINEDISCONNECTMODE_BADADDRESS;
        }
    }
    if (starts_with_code(reason, "408") || starts_with_code(reason, "480")) {
        return LINEDISCONNECTMODE_NOANSWER;
    }
    // Any other final failure from the network, or a transport that never got through.
    const bool code = reason.size() >= 3 && reason[0] >= '4' && reason[0] <= '6' &&
                      std::isdigit(static_cast<unsigned char>(reason[1])) &&
                      std::isdigit(static_cast<unsigned char>(reason[2])) &&
                      (reason.size() == 3 || reason[3] == ' ');
    if (code || reason.starts_with("Connection timed out") ||
        reason.starts_with("Connection refused") || reason.starts_with("Network is unreachable") ||
        reason.starts_with("No route to host")) {
        return LINEDISCONNECTMODE_UNREACHABLE;
    }
    return LINEDISCONNECTMODE_NORMAL;
}

std::vector<LineStep> line_steps(const Message& event, uint32_t state) {
    if (event.kind != Message::Kind::event) {
        return {};
    }
    const bool over = state == LINECALLSTATE_IDLE || state == LINECALLSTATE_DISCONNECTED;
    if (over) {
        return {};
    }
    const std::string& type = event.type;
    if (type == "CALL_PROGRESS") {
        if (state == LINECALLSTATE_DIALING) {
            return {{LINECALLSTATE_PROCEEDING, 0}};
        }
        return {};
    }
    if (type == "CALL_RINGING") {
        if (state == LINECALLSTATE_DIALING) {
            return {{LINECALLSTATE_PROCEEDING, 0}, {LINECALLSTATE_RINGBACK, 0}};
        }
        if (state == LINECALLSTATE_PROCEEDING) {
            return {{LINECALLSTATE_RINGBACK, 0}};
        }
        return {};
    }
    if (type == "CALL_ESTABLISHED") {
        if (state == LINECALLSTATE_CONNECTED || state == LINECALLSTATE_ONHOLD) {
            return {};
        }
        return {{LINECALLSTATE_CONNECTED, 0}};
    }
    if (type == "CALL_CLOSED") {
        return closing_steps(disconnect_mode(event.param));
    }
    return {};
}

WString peer_number(std::string_view uri) {
    if (uri.size() > kMaxAddressChars) {
        return {};
    }
    std::string_view rest = uri;
    if (rest.starts_with("sip:")) {
        rest.remove_prefix(4);
    } else if (rest.starts_with("sips:")) {
        rest.remove_prefix(5);
    } else {
        return {};
    }
    // Parameters and headers are not part of who called.
    rest = rest.substr(0, rest.find_first_of(";?>"));
    if (rest.empty() || !std::all_of(rest.begin(), rest.end(), address_char)) {
        return {};
    }
    const size_t at = rest.find('@');
    if (at != std::string_view::npos && at > 0) {
        // A caller who keeps the number back is "anonymous": no number, as on a phone line.
        if (rest.substr(0, at) == "anonymous") {
            return {};
        }
        const WString user = from_utf8(rest.substr(0, at));
        if (user.size() <= kMaxNumberChars && std::all_of(user.begin(), user.end(), phone_char)) {
            return user;
        }
    }
    return from_utf8(rest);
}

std::string dial_uri(WStringView number, std::string_view domain) {
    const std::string raw = to_utf8(number);
    if (raw.find('@') != std::string::npos || raw.starts_with("sip:") || raw.starts_with("sips:")) {
        // An address is dialled as written: its dots and dashes are part of it.
        if (raw.size() > kMaxAddressChars || !std::all_of(raw.begin(), raw.end(), address_char)) {
            return {};
        }
        return raw.starts_with("sip:") || raw.starts_with("sips:") ? raw : "sip:" + raw;
    }
    const WString digits = dialled_number(number);
    if (digits.empty() || digits.size() > kMaxNumberChars ||
        !std::all_of(digits.begin(), digits.end(), phone_char)) {
        return {};
    }
    if (domain.empty()) {
        return to_utf8(digits);
    }
    if (domain.size() > kMaxAddressChars || domain.find('@') != std::string_view::npos ||
        !std::all_of(domain.begin(), domain.end(), address_char)) {
        return {};
    }
    return "sip:" + to_utf8(digits) + "@" + std::string(domain);
}

}  // namespace platform::sip
