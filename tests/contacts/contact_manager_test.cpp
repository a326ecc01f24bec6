#include "contacts/contact_manager.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include "core/log.h"
#include "core/registry.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/picture_chooser.h"
#include "platform/pim_session.h"
#include "tests/support/temp_home.h"

namespace {

using namespace velvane;
namespace pim = platform::pim;
namespace fs = std::filesystem;

constexpr WStringView kQuorr = u"HKEY_CURRENT_USER\\Software\\Quorr";

struct Heard {
    std::string what;
    uint32_t id = 0;
    Contact contact;
};

class Listener : public ContactStoreListener {
public:
    std::vector<Heard> heard;
    std::function<void(int index)> during_load;
    void on_contact_created(ContactManagerImpl2&, Contact contact) override {
        heard.push_back({"created", contact.object_id, std::move(contact)});
    }
    void on_load_progress(ContactManagerImpl2&, int index, int total) override {
        heard.push_back({"progress " + std::to_string(index) + "/" + std::to_string(total), 0, {}});
        if (during_load) {
            during_load(index);
        }
    }
    void on_contact_changed(ContactManagerImpl2&, uint32_t id) override {
        heard.push_back({"changed", id, {}});
    }
    void on_contact_removed(ContactManagerImpl2&, uint32_t id) override {
        heard.push_back({"removed", id, {}});
    }
};

Contact make(WString first, WString last, std::vector<ContactField> fields = {}) {
    Contact c;
    c.first_name = std::move(first);
    c.last_name = std::move(last);
    c.fields = std::move(fields);
    return c;
}

// A store over a private database, with the log captured.
class ContactManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = (m_home.root() / "contacts.db").string();
        write_dword(kQuorr, u"Log", 0);
        log();
        write_dword(kQuorr, u"Log", 1);
        log();
        m_store = std::make_unique<ContactManagerImpl2>(m_listener, m_file);
    }
    void TearDown() override {
        m_store.reset();
        write_dword(kQuorr, u"Log", 0);
        log();
        platform::reset_picture_chooser();
    }
    std::u16string log_text() {
        log().flush();
        const std::string name =
            fs::path(platform::to_utf8(platform::module_file_name())).filename().string();
        const std::string bytes =
            test_support::read_bytes(m_home.home() / "Documents" / (name + ".txt"));
        std::u16string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        return text;
    }
    bool contains(std::u16string_view piece) {
        return log_text().find(piece) != std::u16string::npos;
    }
    bool logged(std::u16string_view line) {
        return log_text().find(std::u16string(line) + u"\n") != std::u16string::npos;
    }

    test_support::TempHome m_home;
    std::string m_file;
    Listener m_listener;
    std::unique_ptr<ContactManagerImpl2> m_store;
};

TEST_F(ContactManagerTest, CreatedContactReadsBackInCatalogueOrderWithItsBirthday) {
    // 1999-12-31 00:00 as a date-time count.
    const int64_t birthday = 946598400000;
    Contact contact = make(u"Anna", u"Smith",
                           {ContactField(FieldKind::HomeCity, u"Berlin"),
                            ContactField(FieldKind::Birthday, date_time_text(birthday)),
                            ContactField(FieldKind::Mobile, u"+49 171 1234567"),
                            ContactField(FieldKind::Email1, u"anna@example.org")});
    contact.company = u"Acme";
    ASSERT_TRUE(m_store->create(contact));
    ASSERT_NE(contact.object_id, 0u);
    ASSERT_EQ(contact.fields.size(), 5u);
    EXPECT_EQ(contact.fields.back(), ContactField(FieldKind::Categories, u""));
    EXPECT_TRUE(logged(u"Save contact"));
    EXPECT_TRUE(logged(u"SaveContact Mobile +49 171 1234567"));
    EXPECT_TRUE(logged(u"Sync nessecary data Birthday"));
    EXPECT_TRUE(logged(u"Save contact OK"));

    const std::optional<Contact> back = m_store->read_one(contact.object_id);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->object_id, contact.object_id);
    EXPECT_EQ(back->first_name, u"Anna");
    EXPECT_EQ(back->last_name, u"Smith");
    EXPECT_EQ(back->company, u"Acme");
    const std::vector<ContactField> expected{
        ContactField(FieldKind::Mobile, u"+49 171 1234567"),
        ContactField(FieldKind::Email1, u"anna@example.org"),
        ContactField(FieldKind::Birthday, date_time_text(birthday)),
        ContactField(FieldKind::HomeCity, u"Berlin")};
    EXPECT_EQ(back->fields, expected);
    int64_t file_time = 0;
    ASSERT_TRUE(file_time_from_date_time(birthday, file_time));
    EXPECT_TRUE(logged(u"Date1 = " + platform::to_wstring(file_time) + u", Date2 = " +
                       platform::to_wstring(birthday)));

    EXPECT_FALSE(m_store->read_one(contact.object_id + 1));
}

TEST_F(ContactManagerTest, SaveDeletesOnlyWhatIsPresentAndEmptyButKeepsEmptyCategories) {
    Contact contact = make(u"Anna", u"Smith",
                           {ContactField(FieldKind::Mobile, u"111"), ContactField(FieldKind::HomeTel, u"222"),
                            ContactField(FieldKind::Categories, u"Work")});
    ASSERT_TRUE(m_store->create(contact));
    contact.last_name.clear();
    // HomeTel emptied, Mobile left out of the record, Categories emptied.
    contact.fields = {ContactField(FieldKind::HomeTel, u""), ContactField(FieldKind::Categories, u""),
                      ContactField(FieldKind::Birthday, u"not a date")};
    ASSERT_TRUE(m_store->save(contact));
    EXPECT_TRUE(logged(u"Sync nessecary data (delete) HomeTel"));
    EXPECT_TRUE(logged(u"Sync nessecary data Categories"));

    const std::optional<Contact> back = m_store->read_one(contact.object_id);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->first_name, u"Anna");
    EXPECT_EQ(back->last_name, u"");
    const std::vector<ContactField> expected{ContactField(FieldKind::Mobile, u"111"),
                                             ContactField(FieldKind::Categories, u"")};
    EXPECT_EQ(back->fields, expected);

    Contact stranger = make(u"Nobody", u"");
    stranger.object_id = 4242;
    EXPECT_FALSE(m_store->save(stranger));
}

TEST_F(ContactManagerTest, LoadAllReadsEveryContactInStoreOrderAndReportsEvery25th) {
    std::vector<uint32_t> ids;
    for (int i = 0; i < 26; ++i) {
        Contact c = make(u"Name" + platform::to_wstring(i), u"");
        ASSERT_TRUE(m_store->create(c));
        ids.push_back(c.object_id);
    }
    ASSERT_TRUE(m_store->remove(ids[3]));
    Contact late = make(u"Late", u"");
    ASSERT_TRUE(m_store->create(late));

    std::vector<Contact> all;
    m_store->load_all(all);
    ASSERT_EQ(all.size(), 26u);
    EXPECT_EQ(all[0].first_name, u"Name0");
    EXPECT_EQ(all[3].first_name, u"Name4");
    EXPECT_EQ(all[25].object_id, late.object_id);
    std::vector<std::string> progress;
    for (const Heard& h : m_listener.heard) {
        progress.push_back(h.what);
    }
    EXPECT_EQ(progress, (std::vector<std::string>{"progress 0/26", "progress 25/26"}));
}

TEST_F(ContactManagerTest, ContactsDeletedDuringTheLoadAreLeftOut) {
    std::vector<uint32_t> ids;
    for (int i = 0; i < 30; ++i) {
        Contact c = make(u"Name" + platform::to_wstring(i), u"");
        ASSERT_TRUE(m_store->create(c));
        ids.push_back(c.object_id);
    }
    // Deleted after the list of items was taken, before their turn to be read: the middle
    // one, the last one and one at a progress step.
    const std::vector<uint32_t> gone = {ids[1], ids[25], ids[29]};
    m_listener.during_load = [&](int index) {
        if (index == 0) {
            for (uint32_t id : gone) {
                ASSERT_TRUE(m_store->remove(id));
            }
        }
    };
    std::vector<Contact> all;
    m_store->load_all(all);
    ASSERT_EQ(all.size(), 27u);
    for (const Contact& c : all) {
        EXPECT_NE(c.object_id, 0u);
        EXPECT_FALSE(c.first_name.empty());
        EXPECT_EQ(std::count(gone.begin(), gone.end(), c.object_id), 0);
    }
    EXPECT_EQ(all.back().object_id, ids[28]);
}

TEST_F(ContactManagerTest, SavingAStaleCopyKeepsWhatAnotherProcessChangedMeanwhile) {
    Contact stored = make(u"Anna", u"Smith",
                          {ContactField(FieldKind::Mobile, u"111"),
                           ContactField(FieldKind::Email1, u"anna@old.org"),
                           ContactField(FieldKind::HomeCity, u"Berlin")});
    ASSERT_TRUE(m_store->create(stored));
    const Contact original = *m_store->read_one(stored.object_id);

    // Another process changes the mobile number, the last name and the city.
    Listener other_listener;
    ContactManagerImpl2 other(other_listener, m_file);
    Contact theirs = original;
    theirs.last_name = u"Jones";
    theirs.find(FieldKind::Mobile)->value = u"222";
    theirs.find(FieldKind::HomeCity)->value = u"Paris";
    ASSERT_TRUE(other.save(theirs));

    // This process's copy, taken before, changes the e-mail, empties the city it also had,
    // adds a company and a field.
    Contact mine = original;
    mine.find(FieldKind::Email1)->value = u"anna@new.org";
    mine.find(FieldKind::HomeCity)->value.clear();
    mine.company = u"Acme";
    mine.fields.emplace_back(FieldKind::PagerNumber, u"999");
    ASSERT_TRUE(m_store->save_changes(mine, original));

    const Contact now = *m_store->read_one(stored.object_id);
    EXPECT_EQ(now.first_name, u"Anna");
    EXPECT_EQ(now.last_name, u"Jones");
    EXPECT_EQ(now.company, u"Acme");
    const std::vector<std::pair<FieldKind, WString>> expected = {
        {FieldKind::Mobile, u"222"}, {FieldKind::Email1, u"anna@new.org"}, {FieldKind::PagerNumber, u"999"}};
    for (const auto& [kind, value] : expected) {
        const ContactField* field = now.find(kind);
        ASSERT_NE(field, nullptr) << platform::to_utf8(kind_name(kind));
        EXPECT_EQ(field->value, value) << platform::to_utf8(kind_name(kind));
    }
    EXPECT_EQ(now.find(FieldKind::HomeCity), nullptr);

    // A copy with nothing changed writes nothing, not even what it holds stale.
    ASSERT_TRUE(m_store->save_changes(original, original));
    EXPECT_EQ(m_store->read_one(stored.object_id)->find(FieldKind::Mobile)->value, u"222");
    // The whole-record save still writes every value it holds.
    ASSERT_TRUE(m_store->save(original));
    EXPECT_EQ(m_store->read_one(stored.object_id)->find(FieldKind::Mobile)->value, u"111");
}

TEST_F(ContactManagerTest, TheFirstSaveOfANewContactStoresTheCategoriesItsRecordShows) {
    Contact created;
    ASSERT_TRUE(m_store->create(created));
    ASSERT_NE(created.find(FieldKind::Categories), nullptr);
    EXPECT_EQ(m_store->read_one(created.object_id)->find(FieldKind::Categories), nullptr);
    Contact named = created;
    named.first_name = u"Maria";
    ASSERT_TRUE(m_store->save_changes(named, created));
    const Contact now = *m_store->read_one(created.object_id);
    EXPECT_EQ(now.first_name, u"Maria");
    ASSERT_NE(now.find(FieldKind::Categories), nullptr);
    EXPECT_EQ(now.find(FieldKind::Categories)->value, u"");
}

TEST_F(ContactManagerTest, NoticesReachTheListenerFromThisAndOtherProcesses) {
    ASSERT_TRUE(platform::register_window_class(
        u"StoreHost", [this](platform::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
            if (m_store && m_store->on_window_message(m, wp, lp)) {
                return intptr_t{0};
            }
            return platform::def_window_proc(w, m, wp, lp);
        }));
    const platform::WindowHandle window = platform::create_window(u"StoreHost", u"");
    ASSERT_TRUE(m_store->initialise(window));

    Contact contact = make(u"Anna", u"Smith");
    ASSERT_TRUE(m_store->create(contact));
    ASSERT_TRUE(m_store->save(contact));
    platform::dispatch_pending_messages();
    ASSERT_EQ(m_listener.heard.size(), 2u);
    EXPECT_EQ(m_listener.heard[0].what, "created");
    EXPECT_EQ(m_listener.heard[0].contact.first_name, u"Anna");
    EXPECT_EQ(m_listener.heard[1].what, "changed");
    EXPECT_EQ(m_listener.heard[1].id, contact.object_id);
    EXPECT_TRUE(contains(u"PIM_ITEM_CREATED_LOCAL = "));
    EXPECT_TRUE(contains(u"PIM_ITEM_CHANGED_LOCAL = "));

    // The tool, as another process, removes it.
    std::string error;
    auto tool = pim::PimSession::open(m_file, error, "tool");
    ASSERT_TRUE(tool) << error;
    std::unique_ptr<pim::PimItem> item;
    ASSERT_EQ(tool->item_from_oid(contact.object_id, item), pim::kOk);
    ASSERT_EQ(item->remove(), pim::kOk);
    m_listener.heard.clear();
    EXPECT_EQ(m_store->session()->check_remote_changes(), 1);
    platform::dispatch_pending_messages();
    ASSERT_EQ(m_listener.heard.size(), 1u);
    EXPECT_EQ(m_listener.heard[0].what, "removed");
    EXPECT_TRUE(contains(u"PIM_ITEM_DELETED_LOCAL = "));

    // A created notice for something that is not there any more tells nobody.
    m_listener.heard.clear();
    EXPECT_TRUE(m_store->on_window_message(ContactManagerImpl2::kCreatedRemote, contact.object_id, 0));
    EXPECT_TRUE(m_listener.heard.empty());
    EXPECT_FALSE(m_store->on_window_message(0x8103, contact.object_id, 0));

    m_store.reset();
    platform::destroy_window(window);
    platform::unregister_window_class(u"StoreHost");
}

std::string png_bytes(int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = 255, pixels[i + 3] = 255;  // red
    }
    png_image png {};
    png.version = PNG_IMAGE_VERSION;
    png.width = width;
    png.height = height;
    png.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&png, nullptr, &size, 0, pixels.data(), 0, nullptr);
    std::string bytes(size, '\0');
    png_image_write_to_memory(&png, bytes.data(), &size, 0, pixels.data(), 0, nullptr);
    bytes.resize(size);
    return bytes;
}

TEST_F(ContactManagerTest, ChosenPictureIsStoredFittedAndCleared) {
    Contact contact = make(u"Anna", u"");
    ASSERT_TRUE(m_store->create(contact));
    const fs::path photo = m_home.root() / "photo.png";
    test_support::write_bytes(photo, png_bytes(100, 50));
    std::vector<bool> full_screen;
    m_store->set_full_screen_handler([&](bool release) { full_screen.push_back(release); });

    platform::set_scripted_choice(platform::from_utf8(photo.string()));
    m_store->choose_and_set_picture(contact.object_id);
    EXPECT_TRUE(logged(u"choose_picture() - 1"));
    EXPECT_TRUE(logged(u"choose_picture() - GetOpenFileNameEx() found"));
    EXPECT_TRUE(logged(u"GetOpenFileNameEx() = " + platform::from_utf8(photo.string())));
    EXPECT_EQ(full_screen, (std::vector<bool>{true, false}));

    zentra::ImageRef picture = m_store->picture(contact.object_id, 80, 80);
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(picture.picture->width(), 80);
    EXPECT_EQ(picture.picture->height(), 40);
    EXPECT_EQ(picture.picture->row(20)[40], 0xF800);
    picture = m_store->picture(contact.object_id, 200, 200);
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(picture.picture->width(), 100);

    // Cancelling, or a file that cannot be read, changes nothing.
    platform::set_scripted_choice(std::nullopt);
    m_store->choose_and_set_picture(contact.object_id);
    EXPECT_TRUE(logged(u"GetOpenFileNameEx() return false"));
    platform::set_scripted_choice(u"/no/such/file.png");
    m_store->choose_and_set_picture(contact.object_id);
    EXPECT_FALSE(m_store->picture(contact.object_id, 80, 80).empty());
    // Nor does a file that is no picture.
    const fs::path text = m_home.root() / "notes.txt";
    test_support::write_bytes(text, "dear diary");
    platform::set_scripted_choice(platform::from_utf8(text.string()));
    m_store->choose_and_set_picture(contact.object_id);
    EXPECT_TRUE(contains(u"choose_picture() not a JPEG, PNG or BMP picture: "));
    EXPECT_FALSE(m_store->picture(contact.object_id, 80, 80).empty());

    m_store->clear_picture(contact.object_id);
    EXPECT_TRUE(m_store->picture(contact.object_id, 80, 80).empty());
}

TEST_F(ContactManagerTest, WithoutAChooserNothingIsAsked) {
    platform::reset_picture_chooser();
    const std::string display = ::getenv("DISPLAY") ? ::getenv("DISPLAY") : "";
    const std::string wayland = ::getenv("WAYLAND_DISPLAY") ? ::getenv("WAYLAND_DISPLAY") : "";
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    bool asked = false;
    m_store->set_full_screen_handler([&](bool) { asked = true; });
    m_store->choose_and_set_picture(1);
    EXPECT_TRUE(logged(u"choose_picture() - aygshell.dll invalid"));
    EXPECT_FALSE(asked);
    if (!display.empty()) ::setenv("DISPLAY", display.c_str(), 1);
    if (!wayland.empty()) ::setenv("WAYLAND_DISPLAY", wayland.c_str(), 1);
}

TEST_F(ContactManagerTest, DamagedDatabaseGivesAnEmptyBookAndStaysAsItWas) {
    const std::string bytes = "this is someone's precious file, not a database";
    test_support::write_bytes(m_file, bytes);
    const platform::WindowHandle none;
    EXPECT_FALSE(m_store->initialise(none));
    const std::u16string text = log_text();
    EXPECT_NE(text.find(u"ContactManagerImpl2::open() ERROR - "), std::u16string::npos) << platform::to_utf8(text);
    std::vector<Contact> all;
    m_store->load_all(all);
    EXPECT_TRUE(all.empty());
    Contact contact = make(u"Anna", u"");
    EXPECT_FALSE(m_store->create(contact));
    m_store->add_generated_contacts(5);
    m_store->erase_all_contacts();
    EXPECT_TRUE(logged(u"ContactManagerImpl2::load_contacts() ERROR - 1"));
    EXPECT_EQ(test_support::read_bytes(m_file), bytes);
}

TEST_F(ContactManagerTest, GeneratedContactsAndEraseAll) {
    m_store->add_generated_contacts(3);
    std::vector<Contact> all;
    m_store->load_all(all);
    ASSERT_EQ(all.size(), 3u);
    for (const Contact& c : all) {
        ASSERT_EQ(c.first_name.size(), 9u);
        EXPECT_EQ(c.first_name.substr(5), u"-rnd");
        for (char16_t ch : c.first_name.substr(0, 5)) {
            EXPECT_TRUE(ch >= u'a' && ch <= u'z');
        }
        EXPECT_EQ(c.fields.size(), 22u);  // with first, last and company: 25 texts
    }
    m_store->erase_all_contacts();
    m_store->load_all(all);
    EXPECT_TRUE(all.empty());
    const std::u16string text = log_text();
    const size_t start = text.find(u"START DELETE\n");
    const size_t end = text.find(u"END DELETE\n");
    ASSERT_NE(start, std::u16string::npos);
    ASSERT_NE(end, std::u16string::npos);
    EXPECT_EQ(text.substr(start, end - start),
              u"START DELETE\nDelete contact: 1\nDelete contact: 2\nDelete contact: 3\n");

    // On the virtual clock of a headless run every batch is the same.
    platform::use_virtual_clock(true);
    std::vector<WString> names[2];
    for (std::vector<WString>& batch : names) {
        m_store->add_generated_contacts(3);
        m_store->load_all(all);
        for (const Contact& c : all) {
            batch.push_back(c.first_name + c.last_name + c.company);
        }
        m_store->erase_all_contacts();
    }
    platform::use_virtual_clock(false);
    EXPECT_EQ(names[0].size(), 3u);
    EXPECT_EQ(names[0], names[1]);
}

TEST_F(ContactManagerTest, CategoriesComeFromTheFolder) {
    std::vector<WString> names;
    m_store->read_categories(names);
    EXPECT_TRUE(names.empty());
    const pim::PropValue list = pim::PropValue::of_text(property::kFolderCategories, u"Work;Family, Friends");
    std::unique_ptr<pim::PimFolder> folder;
    ASSERT_EQ(m_store->session()->default_folder(pim::kFolderContacts, folder), pim::kOk);
    ASSERT_EQ(folder->set_props({&list, 1}), pim::kOk);
    m_store->read_categories(names);
    EXPECT_EQ(names, (std::vector<WString>{u"Work", u"Family", u"Friends"}));
}

// Another process's long write, an import for instance: from construction until release()
// it holds the database's write lock, after doing inside what it writes itself.
class LongWrite {
public:
    LongWrite(const std::string& file, std::function<void(pim::PimSession&)> inside = {}) {
        std::promise<void> locked;
        std::future<void> is_locked = locked.get_future();
        m_thread = std::thread([this, file, inside, locked = std::move(locked)]() mutable {
            std::string error;
            auto session = pim::PimSession::open(file, error, "import");
            ASSERT_TRUE(session) << error;
            session->write_batch([&] {
                if (inside) {
                    inside(*session);
                }
                locked.set_value();
                m_release.get_future().wait();
                return pim::kOk;
            });
        });
        is_locked.wait();
    }
    ~LongWrite() { release(); }
    void release() {
        if (m_thread.joinable()) {
            m_release.set_value();
            m_thread.join();
        }
    }

private:
    std::promise<void> m_release;
    std::thread m_thread;
};

// The program's store: initialised with a window that hands it its notices.
class ProgramStoreTest : public ContactManagerTest {
protected:
    void SetUp() override {
        ContactManagerTest::SetUp();
        ASSERT_TRUE(platform::register_window_class(
            u"SaverHost", [this](platform::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
                if (m_store && m_store->on_window_message(m, wp, lp)) {
                    return intptr_t{0};
                }
                return platform::def_window_proc(w, m, wp, lp);
            }));
        m_window = platform::create_window(u"SaverHost", u"");
        ASSERT_TRUE(m_store->initialise(m_window));
    }
    void TearDown() override {
        m_store.reset();
        platform::destroy_window(m_window);
        platform::unregister_window_class(u"SaverHost");
        ContactManagerTest::TearDown();
    }
    // What another process reads now, without this store's queue.
    Contact stored(uint32_t id) {
        Listener quiet;
        ContactManagerImpl2 other(quiet, m_file);
        std::optional<Contact> contact = other.read_one(id);
        EXPECT_TRUE(contact) << id;
        return contact.value_or(Contact{});
    }
    std::vector<std::string> heard() {
        platform::dispatch_pending_messages();
        std::vector<std::string> what;
        for (const Heard& h : m_listener.heard) {
            what.push_back(h.what + " " + std::to_string(h.id));
        }
        m_listener.heard.clear();
        return what;
    }

    platform::WindowHandle m_window;
};

TEST_F(ProgramStoreTest, ABusySaveIsQueuedShownAtOnceAndWrittenInOrderOnceTheWriterLetsGo) {
    Contact anna = make(u"Anna", u"Smith",
                        {ContactField(FieldKind::Mobile, u"111"),
                         ContactField(FieldKind::Email1, u"anna@old.org")});
    ASSERT_TRUE(m_store->create(anna));
    const uint32_t id = anna.object_id;
    heard();

    LongWrite import(m_file);
    // The screen's copy changes the mobile; the save returns while the import still holds
    // the lock, so it cannot have waited for it.
    Contact first = *m_store->read_one(id);
    Contact edited = first;
    edited.find(FieldKind::Mobile)->value = u"222";
    ASSERT_TRUE(m_store->save_changes(edited, first));
    EXPECT_EQ(m_store->queued_saves(), 1u);
    EXPECT_TRUE(contains(u"the contact database is busy; contact " + platform::to_wstring(id)));
    // A second edit, from a copy that shows the first, renames and drops the e-mail.
    const Contact shown = *m_store->read_one(id);
    EXPECT_EQ(shown.find(FieldKind::Mobile)->value, u"222") << "reads show the queued edit";
    Contact again = shown;
    again.last_name = u"Jones";
    again.find(FieldKind::Email1)->value.clear();
    ASSERT_TRUE(m_store->save_changes(again, shown));
    EXPECT_EQ(m_store->queued_saves(), 2u);
    EXPECT_EQ(heard(), (std::vector<std::string>{"changed " + std::to_string(id),
                                                 "changed " + std::to_string(id)}))
        << "the screens read the contact again after each";

    for (const Contact& now : {*m_store->read_one(id), [&] {
             std::vector<Contact> all;
             m_store->load_all(all);
             return all.at(0);
         }()}) {
        EXPECT_EQ(now.last_name, u"Jones");
        EXPECT_EQ(now.find(FieldKind::Mobile)->value, u"222");
        EXPECT_EQ(now.find(FieldKind::Email1), nullptr);
    }
    EXPECT_EQ(stored(id).find(FieldKind::Mobile)->value, u"111") << "nothing written yet";
    m_listener.heard.clear();

    import.release();
    ASSERT_TRUE(m_store->finish_saves(30000));
    const Contact written = stored(id);
    EXPECT_EQ(written.last_name, u"Jones");
    EXPECT_EQ(written.find(FieldKind::Mobile)->value, u"222");
    EXPECT_EQ(written.find(FieldKind::Email1), nullptr);
    // The saver's writes come back to the program as another process's.
    EXPECT_EQ(m_store->session()->check_remote_changes(), 2);
    EXPECT_EQ(heard(), (std::vector<std::string>{"changed " + std::to_string(id),
                                                 "changed " + std::to_string(id)}));
    // With the database free a save is written at once again.
    Contact third = written;
    third.company = u"Acme";
    ASSERT_TRUE(m_store->save_changes(third, written));
    EXPECT_EQ(m_store->queued_saves(), 0u);
    EXPECT_EQ(stored(id).company, u"Acme");
}

TEST_F(ProgramStoreTest, ARealFailureIsReportedNowOrLaterAndNeverQueued) {
    Contact anna = make(u"Anna", u"Smith", {ContactField(FieldKind::Mobile, u"111")});
    Contact bert = make(u"Bert", u"Brown", {ContactField(FieldKind::Mobile, u"333")});
    ASSERT_TRUE(m_store->create(anna));
    ASSERT_TRUE(m_store->create(bert));
    heard();

    // Gone before the save: refused at once, as before.
    ASSERT_TRUE(m_store->remove(bert.object_id));
    Contact late = bert;
    late.first_name = u"Bertram";
    EXPECT_FALSE(m_store->save_changes(late, bert));
    EXPECT_EQ(m_store->queued_saves(), 0u);
    heard();

    // Deleted by the writer that keeps the save waiting: it fails when its turn comes, the
    // log says so and the screens are told to read the contact again.
    const Contact original = *m_store->read_one(anna.object_id);
    Contact edited = original;
    edited.first_name = u"Annette";
    {
        LongWrite import(m_file, [&](pim::PimSession& session) {
            std::unique_ptr<pim::PimItem> item;
            ASSERT_EQ(session.item_from_oid(anna.object_id, item), pim::kOk);
            ASSERT_EQ(item->remove(), pim::kOk);
        });
        ASSERT_TRUE(m_store->save_changes(edited, original));
        EXPECT_EQ(m_store->read_one(anna.object_id)->first_name, u"Annette");
        heard();
    }
    ASSERT_TRUE(m_store->finish_saves(30000));
    EXPECT_TRUE(contains(u"ContactSaver::run() contact " + platform::to_wstring(anna.object_id) +
                         u" was not saved: "));
    EXPECT_EQ(heard(), std::vector<std::string>{"changed " + std::to_string(anna.object_id)});
    EXPECT_FALSE(m_store->read_one(anna.object_id));
}

TEST_F(ProgramStoreTest, ClosingWaitsForTheQueueButNotForEver) {
    Contact anna = make(u"Anna", u"Smith", {ContactField(FieldKind::Mobile, u"111")});
    ASSERT_TRUE(m_store->create(anna));
    const uint32_t id = anna.object_id;
    Contact edited = anna;
    edited.find(FieldKind::Mobile)->value = u"222";

    // A writer that never lets go within the wait: the queued save is given up, not kept
    // waiting for ever.
    {
        LongWrite import(m_file);
        ASSERT_TRUE(m_store->save_changes(edited, anna));
        EXPECT_FALSE(m_store->finish_saves(100));
    }
    EXPECT_EQ(stored(id).find(FieldKind::Mobile)->value, u"111");

    // A writer that lets go while the store closes: the save is written before it is gone.
    LongWrite import(m_file);
    ASSERT_TRUE(m_store->save_changes(edited, anna));
    std::thread waiter([&] {
        while (!contains(u"ContactManagerImpl2::close() waiting for 1 queued saves\n")) {
            std::this_thread::yield();
        }
        import.release();
    });
    m_store.reset();
    waiter.join();
    EXPECT_EQ(stored(id).find(FieldKind::Mobile)->value, u"222");
    EXPECT_FALSE(contains(u"queued saves are lost"));
}

}  // namespace
