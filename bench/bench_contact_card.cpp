// The contact card of a contact with 30 fields, on the main screen with the shipped default
// skin at 480 x 800 and 192 dpi over a book of 1,000 contacts: from a tap on the contact's
// list row to the first presented frame of its card, and from a stored change of the contact
// (one value, as another process's save reports it) to the presented frame of the card that
// follows it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "bench/main_screen_stage.h"
#include "screens/contact_form.h"
#include "skin/vlist.h"

namespace {

using namespace velvane;
using platform::WString;
using Clock = std::chrono::steady_clock;

constexpr int kBook = 1000;
constexpr int kFields = 30;

// Every kind from Mobile on, so each group and the merged work address are on the card; the
// name sorts first, so the contact is the list's first row.
Contact full_contact(uint32_t object_id) {
    Contact c;
    c.object_id = object_id;
    c.first_name = u"Aaron";
    c.last_name = u"Aardvark";
    c.company = u"Aardvark & Söhne";
    for (int kind = 0; kind < kFields; ++kind) {
        const auto k = static_cast<FieldKind>(kind);
        WString value = u"+36 1 555 " + platform::from_utf8(std::to_string(1000 + kind));
        if (k == FieldKind::Birthday) {
            value = u"631152000000";
        } else if (k == FieldKind::Categories) {
            value = u"Home";
        } else if (kind >= static_cast<int>(FieldKind::Email1) && kind <= static_cast<int>(FieldKind::WebPage)) {
            value = u"aaron" + platform::from_utf8(std::to_string(kind)) + u"@example.org";
        }
        c.fields.emplace_back(k, value);
    }
    return c;
}

std::vector<Contact> book_with_full_contact() {
    std::vector<Contact> book = bench_stage::make_book(kBook);
    book[0] = full_contact(book[0].object_id);
    return book;
}

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

std::unique_ptr<bench_stage::Stage>& stage_slot() {
    static std::unique_ptr<bench_stage::Stage> stage;
    return stage;
}

bench_stage::Stage* stage_of(benchmark::State& state) {
    auto& stage = stage_slot();
    if (!stage) {
        stage = std::make_unique<bench_stage::Stage>(book_with_full_contact());
    }
    if (!stage->error().empty()) {
        state.SkipWithError(stage->error().c_str());
        return nullptr;
    }
    return stage.get();
}

ContactForm* card_of(bench_stage::Stage& stage) {
    return dynamic_cast<ContactForm*>(stage.form().screens().contact.get());
}

// Back to the main screen with the list at its top.
void close_card(bench_stage::Stage& stage) {
    while (zentra::Form* top = stage.application().top_form()) {
        if (top == &stage.form() || !stage.application().remove_modal_form(*top, false)) {
            break;
        }
    }
    stage.settle();
}

void BM_TapRowToPresentedCard(benchmark::State& state) {
    bench_stage::Stage* stage = stage_of(state);
    if (stage == nullptr) {
        return;
    }
    ContactForm* card = card_of(*stage);
    zentra::VList* list = stage->form().contacts().list();
    if (card == nullptr || list == nullptr) {
        state.SkipWithError("the main screen has no card or no list");
        return;
    }
    close_card(*stage);
    double worst = 0;
    for (auto _ : state) {
        zentra::VListElement* row = list->element_for(0);
        if (row == nullptr) {
            state.SkipWithError("the list shows no first row");
            break;
        }
        const auto start = Clock::now();
        stage->tap(row);
        const bool shown = stage->step_until_presented();
        worst = std::max(worst, ms_between(start, Clock::now()));

        state.PauseTiming();
        if (!shown || stage->application().top_form() != card) {
            state.SkipWithError("the tap did not bring the card");
            break;
        }
        if (card->contact().fields.size() != kFields) {
            state.SkipWithError("the card does not show the 30 fields");
            break;
        }
        close_card(*stage);
        state.ResumeTiming();
    }
    state.counters["worst_ms"] = worst;
}

void BM_StoredChangeToPresentedCard(benchmark::State& state) {
    bench_stage::Stage* stage = stage_of(state);
    if (stage == nullptr) {
        return;
    }
    ContactForm* card = card_of(*stage);
    ContactEntry* entry = stage->document().find_entry(1);
    if (card == nullptr || entry == nullptr) {
        state.SkipWithError("no card or no contact 1");
        return;
    }
    close_card(*stage);
    stage->form().open_contact(*entry);
    stage->settle();
    Contact changed = full_contact(1);
    double worst = 0;
    long long round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Another process saved a new number; the change notice reaches the Document.
        const WString number = u"+49 30 " + platform::from_utf8(std::to_string(round++));
        changed.fields[0].value = number;
        stage->document().store()->save(changed);
        state.ResumeTiming();

        const auto start = Clock::now();
        stage->document().on_contact_changed(1);
        const bool shown = stage->step_until_presented();
        worst = std::max(worst, ms_between(start, Clock::now()));

        state.PauseTiming();
        if (!shown || card->contact().fields.empty() || card->contact().fields[0].value != number) {
            state.SkipWithError("the card did not follow the stored change");
            break;
        }
        stage->settle();
        state.ResumeTiming();
    }
    state.counters["worst_ms"] = worst;
}

BENCHMARK(BM_TapRowToPresentedCard)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoredChangeToPresentedCard)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return bench_stage::run_benchmarks(argc, argv, stage_slot());
}
