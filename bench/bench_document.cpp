// The Document's speed on large phone books: loading (keys, number index, sort), one
// keystroke of keypad digits over the whole book, and one contact changed.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "contacts/contact_manager.h"
#include "contacts/document.h"
#include "platform/pim_session.h"

namespace {

using namespace velvane;

// The Document writes its sort order to the registry: keep that out of the user's home.
struct PrivateHome {
    std::filesystem::path root;
    PrivateHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velvane-bench-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        root = pattern;
        ::setenv("HOME", root.c_str(), 1);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR"}) {
            ::unsetenv(name);
        }
        std::ofstream(root / "keyboard.txt")
            << "0=0\n1=1\n2=abc2\n3=def3\n4=ghi4\n5=jkl5\n6=mno6\n7=pqrs7\n8=tuv8\n9=wxyz9\n";
    }
    ~PrivateHome() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

PrivateHome& home() {
    static PrivateHome h;
    return h;
}

const char16_t* const kFirst[] = {
    u"Anna",  u"Ádám",   u"Béla",    u"Zsófia", u"Éva",    u"Olivér", u"Lena",   u"Jürgen",
    u"Marco", u"Chloé",  u"Søren",   u"Łukasz", u"Иван",   u"Ольга",  u"Νίκος",  u"Ελένη",
    u"Peter", u"Maria",  u"John",    u"Sarah",  u"Kenji",  u"Ana",    u"Tomás",  u"Ines",
    u"Dmitri", u"Brigitte", u"Paul", u"Hanna",  u"Mateo",  u"Zoë",    u"Ferenc", u"Ágnes"};
const char16_t* const kLast[] = {
    u"Kovács",  u"Nagy",    u"Tóth",    u"Szabó",   u"Müller",  u"Schmidt", u"Dubois",
    u"García",  u"Rossi",   u"Nowak",   u"Иванов",  u"Петрова", u"Παπαδόπουλος",
    u"Smith",   u"Johnson", u"Brown",   u"Jensen",  u"Larsen",  u"Öztürk",  u"Fernández",
    u"Horváth", u"Varga",   u"Wagner",  u"Becker",  u"Moreau",  u"Bianchi", u"Kowalski",
    u"Silva",   u"Santos",  u"Novak",   u"Lindqvist", u"O'Brien"};
const char16_t* const kCompany[] = {u"", u"", u"", u"ACME Kft.", u"Globex", u"Initech",
                                    u"Ümlaut GmbH", u"Северсталь"};

std::vector<Contact> make_book(int count) {
    std::mt19937 random(12345);
    std::vector<Contact> book;
    book.reserve(static_cast<size_t>(count));
    auto pick = [&](const auto& list) {
        return list[random() % (sizeof(list) / sizeof(list[0]))];
    };
    auto digits = [&](int n) {
        std::u16string s;
        for (int i = 0; i < n; ++i) s.push_back(static_cast<char16_t>(u'0' + random() % 10));
        return s;
    };
    for (int i = 0; i < count; ++i) {
        Contact c;
        c.object_id = static_cast<uint32_t>(i + 1);
        c.first_name = pick(kFirst);
        // A suffix keeps names apart the way a real book's variety does.
        c.last_name = std::u16string(pick(kLast)) + static_cast<char16_t>(u'a' + random() % 26);
        c.company = pick(kCompany);
        c.fields.emplace_back(FieldKind::Mobile, u"+36 " + digits(2) + u" " + digits(7));
        if (random() % 3 == 0) c.fields.emplace_back(FieldKind::HomeTel, u"06 1 " + digits(7));
        if (random() % 2 == 0) c.fields.emplace_back(FieldKind::Email1, u"someone@example.org");
        book.push_back(std::move(c));
    }
    return book;
}

class MemoryStore : public ContactSource {
public:
    explicit MemoryStore(const std::vector<Contact>& book) : m_book(book) {}
    void load_all(std::vector<Contact>& out) override { out = m_book; }
    std::optional<Contact> read_one(uint32_t id) override {
        if (id == 0 || id > m_book.size()) return std::nullopt;
        return m_book[id - 1];
    }
    bool save(const Contact&) override { return true; }
    void read_categories(std::vector<WString>&) override {}
    std::vector<Contact> m_book;
};

struct Book {
    MemoryStore* store = nullptr;
    std::unique_ptr<Document> document;
    DocumentView view;  // one attached view, as the running program has

    explicit Book(const std::vector<Contact>& contacts) : view() {
        DocumentServices services;
        services.make_store = [&](Document&) {
            auto s = std::make_unique<MemoryStore>(contacts);
            store = s.get();
            return s;
        };
        services.keypad_map_path = platform::from_utf8((home().root / "keyboard.txt").string());
        document = std::make_unique<Document>(std::move(services));
        document->attach_view(&view);
    }
    ~Book() { document->detach_view(&view); }
};

const std::vector<Contact>& book_of(int count) {
    static std::vector<Contact> small = make_book(10000);
    static std::vector<Contact> large = make_book(100000);
    return count == 10000 ? small : large;
}

void BM_Load(benchmark::State& state) {
    const auto& contacts = book_of(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto book = std::make_unique<Book>(contacts);
        state.ResumeTiming();
        book->document->load();
        state.PauseTiming();
        book.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Load)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same from the contact database file: the store's reads by index come first.
std::string database_of(int count) {
    const std::string file = (home().root / ("contacts-" + std::to_string(count) + ".db")).string();
    if (std::filesystem::exists(file)) {
        return file;
    }
    DocumentServices none;
    none.keypad_map_path = u"/nonexistent";
    Document filler(std::move(none));
    auto store = ContactManagerImpl2::for_document(filler, file);
    platform::pim::PimSession* session = store->session();
    if (session == nullptr) {
        std::abort();
    }
    session->write_batch([&] {
        for (Contact contact : book_of(count)) {
            contact.object_id = 0;
            store->create(contact);
        }
        return platform::pim::kOk;
    });
    return file;
}

void BM_LoadFromDatabase(benchmark::State& state) {
    const std::string file = database_of(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        DocumentServices services;
        services.make_store = [&](Document& d) { return ContactManagerImpl2::for_document(d, file); };
        services.keypad_map_path = platform::from_utf8((home().root / "keyboard.txt").string());
        auto document = std::make_unique<Document>(std::move(services));
        state.ResumeTiming();
        document->load();
        state.PauseTiming();
        state.counters["contacts"] = static_cast<double>(document->entries().size());
        document.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadFromDatabase)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One keystroke: typing the digits "2", "26", "266" (a-n-n... on the keypad).
void BM_Keystroke(benchmark::State& state) {
    const auto& contacts = book_of(static_cast<int>(state.range(0)));
    Book book(contacts);
    book.document->load();
    const std::u16string typed = std::u16string(u"266").substr(0, size_t(state.range(1)));
    size_t shown = 0;
    for (auto _ : state) {
        book.document->set_filter_string(typed);
        shown = book.document->filtered_list().size();
    }
    state.counters["shown"] = static_cast<double>(shown);
}
BENCHMARK(BM_Keystroke)
    ->Args({10000, 1})->Args({10000, 2})->Args({10000, 3})
    ->Args({100000, 1})->Args({100000, 2})->Args({100000, 3})
    ->Unit(benchmark::kMicrosecond);

// One keystroke on a keyboard: the letters "s", "sm", "smi", which no keypad key stands for.
void BM_KeystrokeLetters(benchmark::State& state) {
    const auto& contacts = book_of(static_cast<int>(state.range(0)));
    Book book(contacts);
    book.document->load();
    const std::u16string typed = std::u16string(u"smi").substr(0, size_t(state.range(1)));
    size_t shown = 0;
    for (auto _ : state) {
        book.document->set_filter_string(typed);
        shown = book.document->filtered_list().size();
    }
    state.counters["shown"] = static_cast<double>(shown);
}
BENCHMARK(BM_KeystrokeLetters)
    ->Args({100000, 1})->Args({100000, 2})->Args({100000, 3})
    ->Unit(benchmark::kMicrosecond);

// One contact renamed so that it moves in the order, as a save from the card does.
void BM_ContactChanged(benchmark::State& state) {
    const auto& contacts = book_of(100000);
    Book book(contacts);
    book.document->load();
    book.document->set_filter_string(u"2");
    bool flip = false;
    for (auto _ : state) {
        Contact& c = book.store->m_book[4999];
        c.last_name = flip ? u"Aaron" : u"Zylberstein";
        flip = !flip;
        book.document->on_contact_changed(c.object_id);
    }
}
BENCHMARK(BM_ContactChanged)->Unit(benchmark::kMicrosecond);

}  // namespace
