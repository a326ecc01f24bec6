// The recents list's rows from a call log of 10,000 calls over a month, to and from the
// numbers of a book of 1,000 contacts and as many unknown numbers: the folding alone, the
// recents container's refill (folding with the Document's linked contacts, texts in the
// user's formats), and a re-read of the call log as a new call makes the Document do it, with
// the container rebuilding on its notices. The rows in view are made when the list draws and
// are not counted here.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/main_screen_stage.h"
#include "screens/recent_rows.h"
#include "screens/recents_container.h"

namespace {

using namespace velvane;
using platform::WString;

constexpr int kBook = 1000;
constexpr int kCalls = 10000;
constexpr int kDays = 30;

// The month's calls, newest first as the phone's log hands them out.
std::vector<RecentCall> month_of_calls(const std::vector<Contact>& book, int64_t now) {
    std::mt19937 random(20261208);
    std::vector<int64_t> starts;
    for (int i = 0; i < kCalls; ++i) {
        starts.push_back(now - static_cast<int64_t>(random() % (kDays * 86400)) * 10000000LL);
    }
    std::sort(starts.rbegin(), starts.rend());
    std::vector<RecentCall> calls;
    calls.reserve(kCalls);
    for (int64_t start : starts) {
        RecentCall call;
        if (random() % 10 < 7) {
            const Contact& contact = book[random() % book.size()];
            call.number = contact.fields.front().value;
        } else {
            call.number =
                u"+36 30 " + platform::from_utf8(std::to_string(1000000 + random() % kBook));
        }
        call.number_key = number_key(call.number);
        call.start_time = start;
        call.direction = static_cast<int32_t>(random() % 3);
        call.duration = static_cast<int32_t>(random() % 600);
        calls.push_back(std::move(call));
    }
    return calls;
}

class MonthLog : public CallLogSource {
public:
    explicit MonthLog(std::vector<RecentCall> calls) : m_calls(std::move(calls)) {}
    void read(std::vector<RecentCall>& recents) override {
        recents.insert(recents.end(), m_calls.begin(), m_calls.end());
    }
    bool delete_recents(const std::vector<RecentCall>&, const std::vector<int32_t>&) override {
        return false;
    }
    bool delete_recent(const std::vector<RecentCall>&, int32_t) override { return false; }

private:
    std::vector<RecentCall> m_calls;
};

class NoHistory : public ContactRecentsScreen {
public:
    void open_contact(const Contact&) override {}
    void open_number(WStringView) override {}
};

// A Document over the book and the month's log, loaded, with the recents container attached.
struct RecentsStage {
    RecentsStage() {
        std::vector<Contact> book = bench_stage::make_book(kBook);
        const int64_t now = local_file_time_now();
        DocumentServices services;
        services.call_log = std::make_unique<MonthLog>(month_of_calls(book, now));
        services.make_store = [book = std::move(book)](Document&) mutable {
            return std::make_unique<bench_stage::MemoryStore>(std::move(book));
        };
        document = std::make_unique<Document>(std::move(services));
        document->load();
        container = std::make_unique<RecentsContainer>(history, nullptr, nullptr);
        container->set_clock([now] { return now; });
        container->set_date_locale(platform::DateLocale::named("de_DE.UTF-8"));
    }
    ~RecentsStage() {
        container.reset();
        document.reset();
    }
    NoHistory history;
    std::unique_ptr<Document> document;
    std::unique_ptr<RecentsContainer> container;
};

std::unique_ptr<RecentsStage>& stage_slot() {
    static std::unique_ptr<RecentsStage> stage;
    return stage;
}

RecentsStage& stage() {
    std::unique_ptr<RecentsStage>& slot = stage_slot();
    if (!slot) {
        slot = std::make_unique<RecentsStage>();
    }
    return *slot;
}

void BM_FoldTenThousandCalls(benchmark::State& state) {
    RecentsStage& s = stage();
    const platform::DateLocale locale = platform::DateLocale::named("de_DE.UTF-8");
    RecentTextFormat format;
    format.locale = &locale;
    format.today_start = day_of(local_file_time_now()) * kFileTimeDay;
    size_t rows = 0;
    for (auto _ : state) {
        rows = fold_recent_calls(s.document->recent_calls(), kAllCalls, format).size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["calls"] = static_cast<double>(s.document->recent_calls().size());
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_RecentsRefill(benchmark::State& state) {
    RecentsStage& s = stage();
    const int32_t filter = static_cast<int32_t>(state.range(0));
    s.container->set_direction_filter(filter);
    for (auto _ : state) {
        s.container->refill();
    }
    state.counters["rows"] = static_cast<double>(s.container->rows().size());
    s.container->set_direction_filter(kAllCalls);
}

void BM_LogReadAgainWithTheListRebuilt(benchmark::State& state) {
    RecentsStage& s = stage();
    for (auto _ : state) {
        s.document->update_log();
    }
    state.counters["rows"] = static_cast<double>(s.container->rows().size());
}

BENCHMARK(BM_FoldTenThousandCalls)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecentsRefill)->Arg(kAllCalls)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LogReadAgainWithTheListRebuilt)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench_stage::run_benchmarks(argc, argv, stage_slot());
}
