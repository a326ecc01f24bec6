// The registry read and the log call that every log line pays for.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/log.h"
#include "core/registry.h"

namespace {

// Points every location at a private temporary home, so nothing touches the real settings.
class BenchHome {
public:
    BenchHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velvane-bench-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        m_root = pattern;
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR",
                                 "XDG_RUNTIME_DIR", "TMPDIR"}) {
            ::unsetenv(name);
        }
        ::setenv("HOME", m_root.c_str(), 1);
    }
    ~BenchHome() {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }

private:
    std::filesystem::path m_root;
};

void use_bench_home() { static BenchHome home; }

constexpr std::u16string_view kKey = u"HKEY_CURRENT_USER\\Software\\Quorr\\Velvane";

void BM_ReadDwordCached(benchmark::State& state) {
    use_bench_home();
    velvane::write_dword(kKey, u"Sorting", 1);
    velvane::write_dword(kKey, u"Dialer", 1);
    velvane::write_string(kKey, u"Skin", u"default");
    velvane::write_dword(u"HKEY_CURRENT_USER\\Software\\Quorr", u"Log", 0);
    for (auto _ : state) {
        std::uint32_t value = 0;
        benchmark::DoNotOptimize(velvane::read_dword(kKey, u"Dialer", value));
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_ReadDwordCached);

void BM_LogLineWhileOff(benchmark::State& state) {
    use_bench_home();
    velvane::write_dword(u"HKEY_CURRENT_USER\\Software\\Quorr", u"Log", 0);
    long long tick = 0;
    for (auto _ : state) {
        velvane::log() << ++tick << " Document::load_contacts 3\n";
    }
}
BENCHMARK(BM_LogLineWhileOff);

}  // namespace
