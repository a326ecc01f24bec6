// The SIP user agent's control connection is another process's output: however its bytes
// come, cutting them into netstrings and reading them as JSON must not crash, every message
// taken must be one the reader could have been sent, and a command we write reads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/sip_control.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The same stream fed whole and fed in two pieces gives the same messages.
    platform::sip::NetstringReader whole;
    platform::sip::NetstringReader halves;
    whole.feed(bytes);
    halves.feed(bytes.substr(0, size / 2));
    std::string seen;
    while (std::optional<std::string> body = halves.next()) {
        seen += platform::sip::netstring(*body);
    }
    halves.feed(bytes.substr(size / 2));
    while (std::optional<std::string> body = halves.next()) {
        seen += platform::sip::netstring(*body);
    }
    std::string expected;
    while (std::optional<std::string> body = whole.next()) {
        if (body->size() > platform::sip::kMaxMessageBytes) {
            std::abort();
        }
        expected += platform::sip::netstring(*body);
        if (std::optional<platform::sip::Message> message = platform::sip::parse_message(*body)) {
            // What it names goes back out in a command, which must read back whole.
            const std::string json =
                platform::sip::command_json(message->type, message->param, message->token);
            const std::optional<platform::sip::Message> again = platform::sip::parse_message(json);
            if (!again || again->token != message->token) {
                std::abort();
            }
        }
    }
    if (seen != expected || whole.broken() != halves.broken()) {
        std::abort();
    }
    // Any text is also tried as one message on its own.
    platform::sip::parse_message(bytes);
    return 0;
}
