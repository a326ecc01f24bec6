#include "platform/sip_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/phone_engine.h"

namespace {

using namespace platform;
using namespace platform::sip;

std::vector<std::string> read_all(NetstringReader& reader) {
    std::vector<std::string> out;
    while (std::optional<std::string> body = reader.next()) {
        out.push_back(*body);
    }
    return out;
}

TEST(SipNetstrings, AStreamCutAnywhereGivesTheSameMessagesAndABrokenOneGivesNoMore) {
    const std::string stream = netstring("{\"a\":1}") + netstring("") + netstring("x,y:z");
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        NetstringReader reader;
        reader.feed(stream.substr(0, cut));
        std::vector<std::string> got = read_all(reader);
        reader.feed(stream.substr(cut));
        for (const std::string& body : read_all(reader)) {
            got.push_back(body);
        }
        EXPECT_EQ(got, (std::vector<std::string>{"{\"a\":1}", "", "x,y:z"})) << "cut at " << cut;
    }

    struct Case {
        const char* bytes;
        const char* why;
    };
    const Case broken[] = {
        {"3:abc;", "no comma after the body"},
        {"x:abc,", "a length that is not digits"},
        {":abc,", "no length"},
        {"03:abc,", "a leading zero"},
        {"9999999:", "a length past the limit"},
        {"70000:", "a body longer than a message may be"},
    };
    for (const Case& c : broken) {
        NetstringReader reader;
        reader.feed(c.bytes);
        EXPECT_FALSE(reader.next().has_value()) << c.why;
        EXPECT_TRUE(reader.broken()) << c.why;
        EXPECT_FALSE(reader.feed(netstring("{}"))) << c.why;
        EXPECT_FALSE(reader.next().has_value()) << c.why << ": nothing after the break";
    }
}

TEST(SipMessages, EventsAndResponsesAreReadAndAnythingElseIsRefused) {
    const std::optional<Message> incoming = parse_message(
        R"({"event":true,"type":"CALL_INCOMING","class":"call","accountaor":"sip:v@h",)"
        R"("direction":"incoming","peeruri":"sip:+4930555@127.0.0.1:5090",)"
        R"("peerdisplayname":"J\u00fcrgen \"J\" \ud83d\ude00","id":"a4032b","param":"x",)"
        R"("rtcp_stats":{"tx":{"sent":0,"lost":-1.5e3},"list":[1,"two",null,false]}})");
    ASSERT_TRUE(incoming.has_value());
    EXPECT_EQ(incoming->kind, Message::Kind::event);
    EXPECT_EQ(incoming->type, "CALL_INCOMING");
    EXPECT_EQ(incoming->event_class, "call");
    EXPECT_EQ(incoming->direction, "incoming");
    EXPECT_EQ(incoming->peer_uri, "sip:+4930555@127.0.0.1:5090");
    EXPECT_EQ(incoming->peer_name, "J\xC3\xBCrgen \"J\" \xF0\x9F\x98\x80");
    EXPECT_EQ(incoming->id, "a4032b");

    const std::optional<Message> response =
        parse_message(R"( {"response":true,"ok":false,"data":"no call\n","token":"7"} )");
    ASSERT_TRUE(response.has_value());
    EXPECT_EQ(response->kind, Message::Kind::response);
    EXPECT_FALSE(response->ok);
    EXPECT_EQ(response->data, "no call\n");
    EXPECT_EQ(response->token, "7");

    // The command we send reads back as what was meant, quotes and line breaks included.
    const std::optional<Message> own = parse_message(command_json("dial", "sip:\"a\"\n@b", "12"));
    ASSERT_TRUE(own.has_value());
    EXPECT_EQ(own->kind, Message::Kind::other);
    EXPECT_EQ(own->token, "12");

    const char* refused[] = {
        "",
        "[]",
        "\"text\"",
        R"({"type":"CALL_CLOSED")",
        R"({"type":"CALL_CLOSED"} trailing)",
        R"({"type":CALL_CLOSED})",
        R"({"type":"a	tab"})",
        "{\"type\":\"\xC3\x28\"}",
        "{\"type\":\"\xED\xA0\x80\"}",
        R"({"type":"\ud800"})",
        R"({"type":"\udc00x"})",
        R"({"type":"\q"})",
        R"({"a":[[[[[[[[[[[[]]]]]]]]]]]]})",
        R"({"a":-})",
        R"({"a":tru})",
        R"({"a" 1})",
    };
    for (const char* text : refused) {
        EXPECT_FALSE(parse_message(text).has_value()) << text;
    }
}

Message event(const std::string& type, const std::string& param = {}) {
    Message m;
    m.kind = Message::Kind::event;
    m.event_class = "call";
    m.type = type;
    m.param = param;
    return m;
}

TEST(SipMessages, CallEventsBecomeTheLineStatesTheLineHandlerFollows) {
    using S = std::vector<LineStep>;
    constexpr uint32_t kDialing = LINECALLSTATE_DIALING;
    constexpr uint32_t kProceeding = LINECALLSTATE_PROCEEDING;
    constexpr uint32_t kConnected = LINECALLSTATE_CONNECTED;
    const LineStep idle{LINECALLSTATE_IDLE, 0};
    struct Case {
        Message event;
        uint32_t state;
        S steps;
    };
    const Case cases[] = {
        {event("CALL_PROGRESS"), kDialing, {{kProceeding, 0}}},
        {event("CALL_PROGRESS"), kProceeding, {}},
        {event("CALL_RINGING"), kDialing, {{kProceeding, 0}, {LINECALLSTATE_RINGBACK, 0}}},
        {event("CALL_RINGING"), kProceeding, {{LINECALLSTATE_RINGBACK, 0}}},
        {event("CALL_RINGING"), kConnected, {}},
        {event("CALL_ESTABLISHED"), LINECALLSTATE_RINGBACK, {{kConnected, 0}}},
        {event("CALL_ESTABLISHED"), LINECALLSTATE_OFFERING, {{kConnected, 0}}},
        {event("CALL_ESTABLISHED"), LINECALLSTATE_ONHOLD, {}},
        {event("CALL_CLOSED", "Connection reset by peer"),
         kConnected,
         {{LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL}, idle}},
        {event("CALL_CLOSED", "486 Busy Here"),
         LINECALLSTATE_RINGBACK,
         {{LINECALLSTATE_BUSY, 0}, {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BUSY}, idle}},
        {event("CALL_CLOSED", "404 Not Found"),
         kDialing,
         {{LINECALLSTATE_SPECIALINFO, 0},
          {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BADADDRESS},
          idle}},
        {event("CALL_CLOSED", "Connection timed out"),
         kDialing,
         {{LINECALLSTATE_SPECIALINFO, 0},
          {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNREACHABLE},
          idle}},
        {event("CALL_CLOSED", "503 Service Unavailable"),
         kDialing,
         {{LINECALLSTATE_SPECIALINFO, 0},
          {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNREACHABLE},
          idle}},
        {event("CALL_CLOSED", "408 Request Timeout"),
         kProceeding,
         {{LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER}, idle}},
        {event("CALL_CLOSED", "603 Decline"),
         kProceeding,
         {{LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_REJECT}, idle}},
        // A reason that only starts like a code is not one.
        {event("CALL_CLOSED", "4860 things"),
         kConnected,
         {{LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL}, idle}},
        // Too late: the call already ended here.
        {event("CALL_CLOSED", "486 Busy Here"), LINECALLSTATE_IDLE, {}},
        {event("CALL_ESTABLISHED"), LINECALLSTATE_DISCONNECTED, {}},
        {event("CALL_RTCP"), kConnected, {}},
        {event("CALL_DTMF_START", "1"), kConnected, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(line_steps(c.event, c.state), c.steps)
            << c.event.type << " \"" << c.event.param << "\" in " << call_state_name(c.state);
    }
    Message response = event("CALL_CLOSED");
    response.kind = Message::Kind::response;
    EXPECT_TRUE(line_steps(response, kConnected).empty()) << "only events move a call";
}

TEST(SipAddresses, PeersShowAsNumbersAndTypedNumbersAreDialledAtTheDomain) {
    struct Peer {
        const char* uri;
        const char16_t* number;
    };
    const Peer peers[] = {
        {"sip:+4930555222@127.0.0.1:5090", u"+4930555222"},
        {"sip:4930555222@example.org;transport=tcp", u"4930555222"},
        {"sips:anna@example.org", u"anna@example.org"},
        {"sip:example.org", u"example.org"},
        {"sip:anonymous@anonymous.invalid", u""},
        {"tel:+4930555", u""},
        {"sip:a b@example.org", u""},
        {"sip:a\n@example.org", u""},
        {"sip:", u""},
    };
    for (const Peer& p : peers) {
        EXPECT_EQ(peer_number(p.uri), WString(p.number)) << p.uri;
    }

    struct Dial {
        const char16_t* typed;
        const char* domain;
        const char* uri;
    };
    const Dial dials[] = {
        {u"+49 (30) 555-222", "sip.example.org", "sip:+4930555222@sip.example.org"},
        {u"4930555222", "127.0.0.1:5090", "sip:4930555222@127.0.0.1:5090"},
        {u"*100#", "", "*100#"},
        {u"anna.berg@example.org", "ignored.org", "sip:anna.berg@example.org"},
        {u"sip:anna@example.org", "", "sip:anna@example.org"},
        {u"12ab", "example.org", ""},
        {u"123", "evil.org\nquit", ""},
        {u"123", "me@evil.org", ""},
        {u"anna @example.org", "", ""},
        {u" - ", "example.org", ""},
    };
    for (const Dial& d : dials) {
        EXPECT_EQ(dial_uri(d.typed, d.domain), d.uri) << to_utf8(d.typed) << " at " << d.domain;
    }
}

}  // namespace
