#include "app/handovers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/log.h"
#include "core/registry.h"
#include "platform/launcher.h"
#include "tests/support/temp_home.h"

namespace velvane {
namespace {

using test_support::TempHome;
using Argv = std::vector<std::string>;
namespace fs = std::filesystem;

constexpr WStringView kSettings = u"HKEY_CURRENT_USER\\Software\\Quorr\\Velvane";
constexpr WStringView kQuorr = u"HKEY_CURRENT_USER\\Software\\Quorr";
constexpr WStringView kChatKey = u"HKEY_LOCAL_MACHINE\\Software\\Apps\\Quorr Textwell";

// Records every start instead of running anything, and captures the log of the test.
class HandoverTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = platform::set_launch_handler([this](const Argv& argv) {
            m_started.push_back(argv);
            return true;
        });
        m_rest = set_rest_frames_hook([this] { ++m_rests; });
        write_dword(kQuorr, u"Log", 0);
        log();
        write_dword(kQuorr, u"Log", 1);
        log();
    }
    void TearDown() override {
        write_dword(kQuorr, u"Log", 0);
        log();
        platform::set_launch_handler(m_previous);
        set_rest_frames_hook(m_rest);
    }
    std::u16string log_text() {
        log().flush();
        const std::string bytes = test_support::read_bytes(m_home.home() / "Documents/app_tests.txt");
        std::u16string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        return text;
    }
    // An installed chat program folder; the program file only when asked.
    fs::path install_chat(bool with_file) {
        const fs::path folder = m_home.root() / "apps" / "textwell";
        fs::create_directories(folder);
        if (with_file) {
            test_support::write_bytes(folder / "Textwell.exe", "#!/bin/sh\n");
            ::chmod((folder / "Textwell.exe").c_str(), 0755);
        }
        write_string(kChatKey, u"InstallDir", platform::from_utf8(folder.string()));
        return folder;
    }

    TempHome m_home;
    std::vector<Argv> m_started;
    int m_rests = 0;
    platform::LaunchHandler m_previous;
    std::function<void()> m_rest;
};

TEST_F(HandoverTest, SmsCommandLineQuotesValuesUnchangedAndRunsConfiguredCommand) {
    write_string(kSettings, u"MessageStores", u"ActiveSync|Outlook SMS|Other SMS");
    write_string(kSettings, u"SmsCommand", u"sms-tool --to={number} \"{body}\" {store}");
    send_sms(u"+1 \"555\"", u"hi; rm -rf ~");
    ASSERT_EQ(m_started.size(), 1u);
    EXPECT_EQ(m_started[0], (Argv{"sms-tool", "--to=+1 \"555\"", "hi; rm -rf ~", "Outlook SMS"}));
    const std::u16string text = log_text();
    EXPECT_NE(text.find(u"Store name: ActiveSync\n"), std::u16string::npos);
    EXPECT_NE(text.find(u"cmd_line = -service \"Outlook SMS\" -to \"+1 \"555\"\" -body "
                        u"\"hi; rm -rf ~\"\n"),
              std::u16string::npos);
}

TEST_F(HandoverTest, SmsWithoutSmsStoreOrCommandStartsNothing) {
    write_string(kSettings, u"MessageStores", u"ActiveSync|sms lowercase");
    send_sms(u"123", u"x");
    EXPECT_TRUE(m_started.empty());
    EXPECT_EQ(log_text().find(u"cmd_line"), std::u16string::npos);

    // Default store exists, but no command is configured: logged only.
    delete_value(kSettings, u"MessageStores");
    send_sms(u"123", u"x");
    EXPECT_TRUE(m_started.empty());
    EXPECT_NE(log_text().find(u"cmd_line = -service \"SMS\" -to \"123\" -body \"x\"\n"),
              std::u16string::npos);
}

TEST_F(HandoverTest, ChatRunsInstalledProgramElseFallsBackToSms) {
    write_string(kSettings, u"SmsCommand", u"sms {line}");
    install_chat(false);  // registered, file missing
    send_chat(u"42");
    ASSERT_EQ(m_started.size(), 1u);
    EXPECT_EQ(m_started[0], (Argv{"sms", "-service \"SMS\" -to \"42\" -body \"\""}));
    EXPECT_EQ(m_rests, 1);

    const fs::path folder = install_chat(true);
    send_chat(u"42");
    ASSERT_EQ(m_started.size(), 2u);
    EXPECT_EQ(m_started[1], (Argv{(folder / "Textwell.exe").string(), "open:42"}));
    EXPECT_EQ(m_rests, 1);
    EXPECT_NE(log_text().find(u"} {open:42)\n"), std::u16string::npos);
}

TEST_F(HandoverTest, FindInstalledProgramNeedsNonEmptyInstallDir) {
    WString path;
    EXPECT_FALSE(find_installed_program(u"Quorr Textwell", u"Textwell.exe", path));
    write_string(kChatKey, u"InstallDir", u"");
    EXPECT_FALSE(find_installed_program(u"Quorr Textwell", u"Textwell.exe", path));
    const fs::path folder = install_chat(true);
    ASSERT_TRUE(find_installed_program(u"Quorr Textwell", u"Textwell.exe", path));
    EXPECT_EQ(path, platform::from_utf8(folder.string()) + u"\\Textwell.exe");
}

TEST_F(HandoverTest, MailAndWebGoToDefaultOpenerAsOneArgument) {
    send_mail(u"a b@x.org");
    open_web_page(u"http://x.org/?q=$(id)");
    EXPECT_EQ(m_rests, 2);
    ASSERT_EQ(m_started.size(), 2u);
    EXPECT_EQ(m_started[0], (Argv{"xdg-open", "mailto:a b@x.org"}));
    EXPECT_EQ(m_started[1], (Argv{"xdg-open", "http://x.org/?q=$(id)"}));
    const std::u16string text = log_text();
    EXPECT_NE(text.find(u"Tmail.exe mailto:a b@x.org)\n"), std::u16string::npos);
    EXPECT_NE(text.find(u"open_web_page(iexplore.exe http://x.org/?q=$(id))\n"),
              std::u16string::npos);
}

TEST_F(HandoverTest, ExecuteFileOpensDocumentsAndRejectsMissingFiles) {
    EXPECT_FALSE(execute_file(platform::from_utf8((m_home.root() / "none.htm").string()), u""));
    test_support::write_bytes(m_home.root() / "help.htm", "<p>");
    EXPECT_TRUE(execute_file(platform::from_utf8((m_home.root() / "help.htm").string()), u""));
    ASSERT_EQ(m_started.size(), 1u);
    EXPECT_EQ(m_started[0], (Argv{"xdg-open", (m_home.root() / "help.htm").string()}));
}

TEST(Handovers, MessagingProgramFollowsOsVersion) {
    EXPECT_EQ(messaging_program(2), u"\\Windows\\pmail.exe");
    EXPECT_EQ(messaging_program(3), u"\\Windows\\Tmail.exe");
}

TEST(Handovers, MissedCallCountReadsAndResets) {
    TempHome home;
    EXPECT_EQ(missed_call_count(), 0u);
    write_dword(u"HKEY_CURRENT_USER\\System\\State\\Phone", u"Missed Call Count", 7);
    EXPECT_EQ(missed_call_count(), 7u);
    reset_missed_call_count();
    EXPECT_EQ(missed_call_count(), 0u);
}

}  // namespace
}  // namespace velvane
