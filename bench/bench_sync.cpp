// The address book sync against a local CardDAV server (Radicale on a loopback port, its book
// of 10,000 cards written straight into its storage): the first sync of an empty phone book
// (target under 20 s) and a sync with nothing changed on either side (target under 300 ms).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "sync/sync_engine.h"

namespace {

namespace fs = std::filesystem;

// VELVANE_BENCH_SYNC_CARDS sets another size: the server alone may need minutes to list
// 10,000 cards on a slow machine.
int card_count() {
    const char* text = std::getenv("VELVANE_BENCH_SYNC_CARDS");
    const int count = text != nullptr ? std::atoi(text) : 0;
    return count > 0 ? count : 10000;
}
const int kCards = card_count();

class LocalServer {
public:
    LocalServer() {
        std::random_device device;
        m_port = 20000 + static_cast<int>(device() % 20000);
        m_root = fs::temp_directory_path() / ("velvane-bench-sync-" + std::to_string(m_port));
        fs::remove_all(m_root);
        const fs::path folder = m_root / "store" / "collection-root" / "alice" / "book";
        fs::create_directories(folder);
        std::ofstream(m_root / "users") << "alice:secret\n";
        std::ofstream(folder / ".Radicale.props") << "{\"tag\": \"VADDRESSBOOK\"}";
        for (int i = 0; i < kCards; ++i) {
            const std::string uid = "card-" + std::to_string(i);
            std::ofstream(folder / (uid + ".vcf"))
                << "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" << uid << "\r\nN:Name" << i << ";Given"
                << i << ";;;\r\nFN:Given" << i << " Name" << i << "\r\nTEL;TYPE=CELL:+49 171 "
                << 1000000 + i << "\r\nEMAIL;TYPE=INTERNET:given" << i
                << "@example.org\r\nNOTE:kept as it is\r\nEND:VCARD\r\n";
        }
        const std::string command =
            "radicale --server-hosts 127.0.0.1:" + std::to_string(m_port) +
            " --storage-filesystem-folder " + (m_root / "store").string() +
            " --auth-type htpasswd --auth-htpasswd-filename " + (m_root / "users").string() +
            " --auth-htpasswd-encryption plain --rights-type owner_only --logging-level error"
            " >/dev/null 2>&1 & echo $! > " + (m_root / "pid").string();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "radicale cannot be started\n");
        }
        // Its first answer waits for it to listen.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        // The server reads every card once into its own cache on the first listing; that is
        // its start-up, not the sync's work, so it happens before anything is timed.
        const std::string warm = "curl -s -o /dev/null -m 900 -u alice:secret -X PROPFIND -H 'Depth: 1' " +
                                 book() + " --data '<propfind xmlns=\"DAV:\"><prop><getetag/></prop></propfind>'";
        if (std::system(warm.c_str()) != 0) {
            std::fprintf(stderr, "the server's first listing failed\n");
        }
    }
    ~LocalServer() {
        std::ifstream pid(m_root / "pid");
        std::string number;
        pid >> number;
        if (!number.empty()) {
            std::system(("kill " + number).c_str());
        }
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }
    std::string book() const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/alice/book/";
    }
    const fs::path& root() const { return m_root; }

private:
    int m_port;
    fs::path m_root;
};

LocalServer& server() {
    static LocalServer instance;
    return instance;
}

// A fresh phone book with the account set up; its database file.
std::string fresh_book(const std::string& name) {
    const fs::path home = server().root() / name;
    fs::remove_all(home);
    fs::create_directories(home);
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string file = (home / "contacts.db").string();
    velvane::sync::SyncAccount account{0, server().book(), "alice", ""};
    std::string where;
    std::string error;
    if (!velvane::sync::add_account(file, account, "secret", where, error)) {
        std::fprintf(stderr, "account: %s\n", error.c_str());
    }
    return file;
}

void BM_FirstSync(benchmark::State& state) {
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string file = fresh_book("first" + std::to_string(round++));
        state.ResumeTiming();
        const velvane::sync::SyncSummary summary = velvane::sync::run_sync(file);
        if (!summary.ok || summary.added_here != kCards) {
            state.SkipWithError(("sync failed: " + summary.error).c_str());
            break;
        }
    }
    // CPU time is this process's share; the rest of the wall time is the server's.
    state.SetLabel(std::to_string(kCards) + " cards");
}
BENCHMARK(BM_FirstSync)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SyncWithNothingChanged(benchmark::State& state) {
    const std::string file = fresh_book("idle");
    if (!velvane::sync::run_sync(file).ok) {
        state.SkipWithError("the first sync failed");
        return;
    }
    for (auto _ : state) {
        const velvane::sync::SyncSummary summary = velvane::sync::run_sync(file);
        if (!summary.ok || summary.added_here + summary.changed_here + summary.added_there > 0) {
            state.SkipWithError("a sync with nothing changed changed something");
            break;
        }
    }
}
BENCHMARK(BM_SyncWithNothingChanged)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
