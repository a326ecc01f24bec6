// velvane-pim as another process beside a running store: what it changes arrives as remote
// notices, and what it prints follows the store.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "contacts/contact_manager.h"
#include "platform/messages.h"
#include "platform/pim_session.h"
#include "tests/support/temp_home.h"

extern char** environ;

namespace {

using namespace velvane;
namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
};

// Runs the tool with args and gives its exit status and output.
Result run_tool(std::vector<std::string> args) {
    const std::string tool = std::string(VELVANE_PROGRAM_DIR) + "/velvane-pim";
    args.insert(args.begin(), tool);
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    int out[2];
    EXPECT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = 0;
    Result result;
    const int rc = ::posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc == 0) {
        char buffer[4096];
        ssize_t got;
        while ((got = ::read(out[0], buffer, sizeof buffer)) > 0) {
            result.out.append(buffer, static_cast<size_t>(got));
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ::close(out[0]);
    return result;
}

class Recorder : public ContactStoreListener {
public:
    std::vector<std::string> heard;
    void on_contact_created(ContactManagerImpl2&, Contact c) override {
        heard.push_back("created " + platform::to_utf8(c.first_name));
    }
    void on_load_progress(ContactManagerImpl2&, int, int) override {}
    void on_contact_changed(ContactManagerImpl2&, uint32_t id) override {
        heard.push_back("changed " + std::to_string(id));
    }
    void on_contact_removed(ContactManagerImpl2&, uint32_t id) override {
        heard.push_back("removed " + std::to_string(id));
    }
};

TEST(ContactTool, ChangesReachARunningStoreAsRemoteNotices) {
    if (!fs::exists(std::string(VELVANE_PROGRAM_DIR) + "/velvane-pim")) {
        GTEST_SKIP() << "velvane-pim is not built";
    }
    test_support::TempHome home;
    Recorder recorder;
    auto store = std::make_unique<ContactManagerImpl2>(recorder);
    ASSERT_TRUE(platform::register_window_class(
        u"ToolWatcher", [&](platform::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
            if (store && store->on_window_message(m, wp, lp)) {
                return intptr_t{0};
            }
            return platform::def_window_proc(w, m, wp, lp);
        }));
    const platform::WindowHandle window = platform::create_window(u"ToolWatcher", u"");
    ASSERT_TRUE(store->initialise(window));

    Result added = run_tool({"add", "--first", "Zoë", "--last", "Adams", "Mobile=+49 171 1234567",
                             "Birthday=1999-12-31"});
    ASSERT_EQ(added.status, 0);
    const std::string id = added.out.substr(0, added.out.find('\n'));
    ASSERT_EQ(run_tool({"set", id, "HomeCity", "Berlin"}).status, 0);
    ASSERT_EQ(store->session()->check_remote_changes(), 2);
    platform::dispatch_pending_messages();
    EXPECT_EQ(recorder.heard, (std::vector<std::string>{"created Zoë", "changed " + id}));

    // What the program stores, the tool shows.
    Contact contact;
    contact.last_name = u"Brown";
    contact.company = u"Acme";
    ASSERT_TRUE(store->create(contact));
    EXPECT_EQ(run_tool({"show", id}).out,
              "id: " + id + "\nfirst: Zoë\nlast: Adams\ncompany: \nMobile: +49 171 1234567\n"
              "Birthday: 1999-12-31\nHomeCity: Berlin\nphoto: none\n");
    EXPECT_EQ(run_tool({"list", "--order", "company"}).out,
              std::to_string(contact.object_id) + "\t\tBrown\tAcme\n" + id + "\tZoë\tAdams\t\n");

    platform::dispatch_pending_messages();
    recorder.heard.clear();
    ASSERT_EQ(run_tool({"delete", id}).status, 0);
    EXPECT_EQ(run_tool({"delete", id}).status, 1);
    EXPECT_EQ(run_tool({"set", std::to_string(contact.object_id), "Unknown", "x"}).status, 2);
    ASSERT_EQ(store->session()->check_remote_changes(), 1);
    platform::dispatch_pending_messages();
    EXPECT_EQ(recorder.heard, (std::vector<std::string>{"removed " + id}));

    store.reset();
    platform::destroy_window(window);
    platform::unregister_window_class(u"ToolWatcher");
}

TEST(ContactTool, ReportsADamagedDatabaseAndLeavesIt) {
    if (!fs::exists(std::string(VELVANE_PROGRAM_DIR) + "/velvane-pim")) {
        GTEST_SKIP() << "velvane-pim is not built";
    }
    test_support::TempHome home;
    const fs::path file = home.home() / ".local/share/velvane/contacts.db";
    test_support::write_bytes(file, "not a database");
    EXPECT_EQ(run_tool({"list"}).status, 1);
    EXPECT_EQ(run_tool({"add", "--first", "Ann"}).status, 1);
    EXPECT_EQ(test_support::read_bytes(file), "not a database");
}

}  // namespace
