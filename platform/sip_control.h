#pragma once
// The SIP engine's control connection: netstring-framed JSON ("LEN:{...},") both ways.
// Commands go out as {"command":..,"params":..,"token":..}; what comes back is either the
// answer to one ({"response":true,"ok":..,"data":..,"token":..}) or an event of the user agent
// ({"event":true,"type":"CALL_INCOMING","id":..,"peeruri":..,...}). Everything read here
// comes from another process and is checked before it is believed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/phone_engine.h"
#include "platform/ustring.h"

namespace platform::sip {

// Longer messages are not believed: the stream is then broken.
inline constexpr size_t kMaxMessageBytes = 64 * 1024;

// Cuts a byte stream into netstrings. Bytes are fed as they arrive; whole messages come out
// in order. Once the stream is broken (a length that is not digits or too big, no comma
// after the body) it stays broken and gives nothing more.
class NetstringReader {
public:
    // False once the stream is broken.
    bool feed(std::string_view bytes);
    std::optional<std::string> next();
    bool broken() const { return m_broken; }

private:
    std::string m_buffer;
    size_t m_start = 0;
    bool m_broken = false;
};

std::string netstring(std::string_view payload);

// One message of the control connection; the fields it does not carry stay empty.
struct Message {
    enum class Kind { event, response, other };
    Kind kind = Kind::other;
    // Events.
    std::string type;         // "CALL_INCOMING", "REGISTER_FAIL", ...
    std::string event_class;  // "call", "register", ...
    std::string direction;    // "incoming" or "outgoing"
    std::string peer_uri;
    std::string peer_name;
    std::string id;
    std::string param;
    std::string account;
    // Responses.
    bool ok = false;
    std::string data;
    std::string token;
};

// One JSON object; nothing when the text is not a single JSON object, nests deeper than a
// few levels, or holds text that is not valid UTF-8. Members it does not know are skipped.
std::optional<Message> parse_message(std::string_view json);

// A command as JSON text; params left out when empty.
std::string command_json(std::string_view command, std::string_view params, std::string_view token);

// Why a call ended, from the reason the call's close event gives ("486 Busy Here",
// "Connection timed out", "Connection reset by peer").
uint32_t disconnect_mode(std::string_view reason);

// The line states the call event leads to from the state the call is in (LINECALLSTATE_*);
// nothing for events that change no state or come too late (an ended call).
std::vector<LineStep> line_steps(const Message& event, uint32_t state);

// The number a call's peer shows as: the user part of "sip:+4930555@host" when it is a phone
// number, else "user@host"; empty for a withheld one ("anonymous") and for anything that is
// not a usable address.
WString peer_number(std::string_view uri);

// The address to dial for what the user typed: "sip:DIGITS@domain" for a phone number (its
// grouping dropped), an address ("user@host", "sip:...") as it is; empty when it is neither.
// Without a domain the digits go alone and the user agent adds its account's.
std::string dial_uri(WStringView number, std::string_view domain);

}  // namespace platform::sip
