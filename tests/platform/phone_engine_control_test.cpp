#include "platform/phone_engine_control.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/phone_engine_sim.h"
#include "tests/support/temp_home.h"

namespace {

using namespace platform;
namespace fs = std::filesystem;

class PhoneControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        m_engine = start_simulated_phone(error);
        ASSERT_TRUE(m_engine);
        ASSERT_TRUE(error.empty()) << error;
    }
    void TearDown() override {
        stop_phone_engine();
        m_engine.reset();
    }

    fs::path socket_path() const { return m_home.root() / "run" / "velvane" / "phone.sock"; }

    // A client that writes raw bytes and reads the answer's status byte and text; nothing
    // when the server closed without answering.
    std::optional<std::pair<int, std::string>> raw_request(const std::string& bytes) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const std::string path = socket_path().string();
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
        if (!bytes.empty()) {
            EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                      static_cast<ssize_t>(bytes.size()));
        }
        ::shutdown(fd, SHUT_WR);
        std::string answer;
        char buffer[512];
        for (ssize_t got; (got = ::recv(fd, buffer, sizeof(buffer), 0)) > 0;) {
            answer.append(buffer, static_cast<size_t>(got));
        }
        ::close(fd);
        if (answer.size() < 5) {
            return std::nullopt;
        }
        return std::make_pair(static_cast<int>(answer[0]), answer.substr(5));
    }

    static std::string with_size(uint32_t size, const std::string& body) {
        std::string bytes(reinterpret_cast<const char*>(&size), sizeof(size));
        return bytes + body;
    }

    test_support::TempHome m_home;
    std::shared_ptr<SimulatedPhoneEngine> m_engine;
};

TEST_F(PhoneControlTest, ToolCommandsDriveTheRunningEngine) {
    struct stat st {};
    ASSERT_EQ(::lstat(socket_path().c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    std::string reply;
    EXPECT_EQ(send_phone_command("phone", {"ring", "0301234", "--name", "Anna Berg"}, reply),
              PhoneSendResult::done);
    EXPECT_NE(reply.find("ringing"), std::string::npos);
    EXPECT_EQ(send_phone_command("phone", {"status"}, reply), PhoneSendResult::done);
    EXPECT_NE(reply.find("incoming 0301234 OFFERING name=Anna Berg"), std::string::npos) << reply;
    EXPECT_EQ(send_phone_command("phone", {"answer"}, reply), PhoneSendResult::refused);
    EXPECT_NE(reply.find("no outgoing call"), std::string::npos);
    EXPECT_EQ(send_phone_command("phone", {"hangup"}, reply), PhoneSendResult::done);
    EXPECT_EQ(send_phone_command("phone", {"status"}, reply), PhoneSendResult::done);
    EXPECT_NE(reply.find("missed 0301234"), std::string::npos) << reply;

    // What the client itself will not send.
    EXPECT_EQ(send_phone_command("phone", {}, reply), PhoneSendResult::refused);
    EXPECT_EQ(send_phone_command("phone", {"ring", "1\n2"}, reply), PhoneSendResult::refused);
    EXPECT_EQ(send_phone_command("phone", {std::string(5000, 'a')}, reply),
              PhoneSendResult::refused);

    stop_phone_engine();
    EXPECT_FALSE(fs::exists(socket_path()));
    EXPECT_EQ(send_phone_command("phone", {"status"}, reply), PhoneSendResult::no_engine);
}

TEST_F(PhoneControlTest, MalformedRequestsAreRefusedAndTheServerCarriesOn) {
    // Too big, announced far beyond what is sent.
    auto answer = raw_request(with_size(1u << 30, "ring"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->first, 0);
    EXPECT_NE(answer->second.find("refused"), std::string::npos);
    // Not NUL-ended, invalid UTF-8, control characters, too many words.
    for (const std::string& body : {std::string("status"), std::string("ring\0\xC3\x28\0", 8),
                                    std::string("ring\0\x01\0", 7), std::string(40, '\0')}) {
        answer = raw_request(with_size(static_cast<uint32_t>(body.size()), body));
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->first, 0);
        EXPECT_EQ(answer->second, "request refused: malformed");
    }
    // Cut short, or nothing at all: closed without an answer.
    EXPECT_FALSE(raw_request(with_size(20, "ring")));
    EXPECT_FALSE(raw_request(""));

    answer = raw_request(with_size(7, std::string("status\0", 7)));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->first, 1);
    EXPECT_NE(answer->second.find("calls 0"), std::string::npos);
    EXPECT_TRUE(m_engine->status().find("calls 0") != std::string::npos);
}

TEST_F(PhoneControlTest, ALiveSocketOrAnotherFileIsNotTakenOver) {
    PhoneControlServer second;
    EXPECT_FALSE(second.start("phone", [](const auto&, std::string&) { return true; }));
    EXPECT_NE(second.error().find("another"), std::string::npos);

    const fs::path other = m_home.root() / "run" / "velvane" / "other.sock";
    std::ofstream(other) << "keep me";
    PhoneControlServer third;
    EXPECT_FALSE(third.start("other", [](const auto&, std::string&) { return true; }));
    EXPECT_TRUE(fs::is_regular_file(other));
}

TEST(PhoneRequest, WordsAreNulEndedPlainText) {
    std::vector<std::string> words;
    const std::string good("ring\0+49 30\0--name\0J\xC3\xBCrgen\0", 27);
    ASSERT_TRUE(parse_phone_request(good.data(), static_cast<uint32_t>(good.size()), words));
    EXPECT_EQ(words, (std::vector<std::string>{"ring", "+49 30", "--name", "J\xC3\xBCrgen"}));

    for (const std::string& bad :
         {std::string(""), std::string("ring"), std::string("\xE0\x80\xAF\0", 4),  // overlong
          std::string("\xED\xA0\x80\0", 4),                                        // surrogate
          std::string("\xF4\x90\x80\x80\0", 5), std::string("\xC3\0", 2)}) {
        EXPECT_FALSE(parse_phone_request(bad.data(), static_cast<uint32_t>(bad.size()), words));
        EXPECT_TRUE(words.empty());
    }
    const std::string big(kMaxPhoneRequestBytes + 1, '\0');
    EXPECT_FALSE(parse_phone_request(big.data(), static_cast<uint32_t>(big.size()), words));
}

}  // namespace
