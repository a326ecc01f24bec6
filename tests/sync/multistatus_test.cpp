// Reading servers' multistatus answers, and which addresses the sync may talk to.

#include <gtest/gtest.h>

#include "platform/http_client.h"
#include "sync/dav_client.h"
#include "sync/multistatus.h"

namespace {

using velvane::sync::parse_multistatus;

TEST(Multistatus, ReadsCardsRemovalsAndTheToken) {
    const std::string body =
        "<?xml version='1.0'?><D:multistatus xmlns:D='DAV:' xmlns:C='urn:ietf:params:xml:ns:carddav'>"
        "<D:response><D:href> /book/a.vcf </D:href><D:propstat><D:prop><D:getetag>\"1\"</D:getetag>"
        "<C:address-data>BEGIN:VCARD&#13;\nEND:VCARD</C:address-data></D:prop>"
        "<D:status>HTTP/1.1 200 OK</D:status></D:propstat>"
        "<D:propstat><D:prop><D:displayname/></D:prop><D:status>HTTP/1.1 404 Not Found</D:status>"
        "</D:propstat></D:response>"
        "<D:response><D:href>/book/b.vcf</D:href><D:status>HTTP/1.1 404 Not Found</D:status></D:response>"
        "<D:response><D:status>HTTP/1.1 200 OK</D:status></D:response>"
        "<D:sync-token>http://x/sync/7</D:sync-token></D:multistatus>";
    std::string error;
    size_t skipped = 0;
    const auto parsed = parse_multistatus(body, error, &skipped);
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(parsed->sync_token, "http://x/sync/7");
    EXPECT_EQ(skipped, 1u) << "a response without an address is left out";
    ASSERT_EQ(parsed->responses.size(), 2u);
    const auto& card = parsed->responses[0];
    EXPECT_EQ(card.href, "/book/a.vcf");
    ASSERT_NE(card.prop(velvane::sync::kDav, "getetag"), nullptr);
    EXPECT_EQ(card.prop(velvane::sync::kDav, "getetag")->text, "\"1\"");
    EXPECT_EQ(card.prop(velvane::sync::kCardDav, "address-data")->text, "BEGIN:VCARD\r\nEND:VCARD");
    EXPECT_EQ(card.prop(velvane::sync::kDav, "displayname"), nullptr) << "only 200 properties count";
    EXPECT_EQ(parsed->responses[1].status, 404);
}

TEST(Multistatus, RefusesWhatIsNoAnswerOrTooMuch) {
    std::string deep = "<multistatus xmlns='DAV:'><response><href>/a</href><propstat><prop>";
    for (int i = 0; i < 40; ++i) {
        deep += "<x>";
    }
    for (int i = 0; i < 40; ++i) {
        deep += "</x>";
    }
    deep += "</prop></propstat></response></multistatus>";
    const std::string cases[] = {
        "",
        "not xml",
        "<multistatus xmlns='DAV:'><response>",  // cut off
        "<propfind xmlns='DAV:'/>",              // not a multistatus
        "<multistatus/>",                        // no DAV namespace
        deep,
        "<!DOCTYPE m [<!ENTITY a 'aaaa'>]><multistatus xmlns='DAV:'>&a;</multistatus>",
        "<!DOCTYPE m SYSTEM 'file:///etc/passwd'><multistatus xmlns='DAV:'/>",
    };
    for (const std::string& body : cases) {
        std::string error;
        EXPECT_FALSE(parse_multistatus(body, error)) << body;
        EXPECT_FALSE(error.empty()) << body;
    }
}

TEST(Multistatus, StatusLinesHrefsAndEtagsAreChecked) {
    using velvane::sync::parse_status_line;
    EXPECT_EQ(parse_status_line("HTTP/1.1 207 Multi-Status"), 207);
    EXPECT_EQ(parse_status_line(" HTTP/1.1 404 "), 404);
    for (const char* bad : {"", "HTTP/1.1", "HTTP/1.1 20", "HTTP/1.1 2077", "FTP/1 200 OK",
                            "HTTP/1.1 999 x", "HTTP/1.1 abc"}) {
        EXPECT_EQ(parse_status_line(bad), 0) << bad;
    }
    EXPECT_EQ(velvane::sync::clean_href("/a\r\nX-Injected: 1"), "");
    EXPECT_EQ(velvane::sync::clean_href(std::string(5000, 'a')), "");
    EXPECT_EQ(velvane::sync::clean_etag("\"abc\"\r\nX: 1"), "");
    EXPECT_EQ(velvane::sync::clean_etag(" W/\"abc\" "), "W/\"abc\"");
}

TEST(HttpPolicy, HttpsEverywhereAndPlainHttpOnlyToThisMachine) {
    struct Case {
        const char* url;
        bool allowed;
    };
    const Case cases[] = {
        {"https://dav.example.org/", true},
        {"http://127.0.0.1:5232/", true},
        {"http://127.8.9.10/", true},
        {"http://localhost:8080/x", true},
        {"http://[::1]:80/", true},
        {"http://dav.example.org/", false},
        {"http://127.0.0.1.example.org/", false},
        {"http://10.0.0.1/", false},
        {"ftp://127.0.0.1/", false},
        {"file:///etc/passwd", false},
        {"https://user:pw@dav.example.org/", false},
        {"not a url", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::url_refusal(c.url).empty(), c.allowed) << c.url;
    }
    platform::HttpClient client("", "");
    const platform::HttpResponse refused = client.send({"GET", "http://dav.example.org/", {}, {}});
    EXPECT_EQ(refused.status, 0);
    EXPECT_NE(refused.error.find("https"), std::string::npos) << refused.error;
}

TEST(HttpPolicy, CardAddressesAreResolvedOnTheBooksServer) {
    EXPECT_EQ(platform::resolve_url("https://h/dav/book/", "a.vcf"), "https://h/dav/book/a.vcf");
    EXPECT_EQ(platform::resolve_url("https://h/dav/book/", "/other/b.vcf"), "https://h/other/b.vcf");
    EXPECT_EQ(platform::url_origin("https://h:8443/x"), "https://h:8443");
    EXPECT_EQ(velvane::sync::url_path("https://h:8443/dav/a%20b.vcf"), "/dav/a%20b.vcf");
    EXPECT_EQ(velvane::sync::DavClient::card_url("https://h/book", "u1"), "https://h/book/u1.vcf");
}

}  // namespace
