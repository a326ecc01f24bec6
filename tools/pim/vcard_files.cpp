// import and export: vCard files in and out of the user's book. An import keeps every card
// that can be read and says what it left out; an export replaces its target only once it is
// completely written.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "contacts/vcard.h"
#include "contacts/vcard_extra.h"
#include "platform/files.h"
#include "platform/native_file.h"
#include "platform/pim_session.h"
#include "tools/pim/book_writer.h"

namespace pim_tool {

namespace pim = platform::pim;

namespace {

// The whole file, refusing what is too large to be a phone book.
bool read_whole(const std::string& path, std::string& out, std::string& error) {
    platform::NativeRead read = platform::read_native(path, kMaxVCardFileBytes);
    switch (read.status) {
        case platform::ReadStatus::ok:
            out = std::move(read.bytes);
            return true;
        case platform::ReadStatus::missing:
            error = "no such file";
            return false;
        case platform::ReadStatus::too_large:
            error = "larger than " + std::to_string(kMaxVCardFileBytes >> 20) + " MB";
            return false;
        case platform::ReadStatus::failed:
            break;
    }
    error = "cannot be read";
    return false;
}

}  // namespace

// Exit codes: 0 when a contact was imported, 1 when none was (nothing is written then), 2
// when the file cannot be read at all.
int run_import(const Args& args) {
    if (args.size() != 2) {
        return usage();
    }
    const std::string path(args[1]);
    std::string bytes;
    std::string error;
    if (!read_whole(path, bytes, error)) {
        fail_line(path + ": " + error);
        return kUnreadable;
    }
    VCardRead read = read_vcards(bytes);
    const auto report_skipped = [&] {
        for (const VCardError& s : read.skipped) {
            fail_line(path + ":" + std::to_string(s.line) + ": " + platform::to_utf8(s.message));
        }
    };
    if (read.error) {
        report_skipped();
        fail_line(path + ":" + std::to_string(read.error->line) + ": " +
                  platform::to_utf8(read.error->message) + "; nothing was imported");
        return kFailure;
    }
    QuietListener listener;
    ContactManagerImpl2 store(listener);
    if (open_session(store) == nullptr) {
        return kFailure;
    }
    const WriteOutcome outcome = write_contacts(store, read.contacts, terminal_progress("importing"));
    if (!outcome.ok) {
        fail_line(path + ": " + outcome.error + "; nothing was imported");
        return kFailure;
    }
    print("imported " + counted(read.contacts.size(), "contact") + "\n");
    report_skipped();
    for (const std::string& line : outcome.picture_refusals) {
        fail_line(path + ": " + line);
    }
    if (outcome.pictures_skipped > 0) {
        fail_line(counted(static_cast<size_t>(outcome.pictures_skipped), "picture") +
                  " left out: no JPEG, PNG or BMP that can be shown, or too large");
    }
    return 0;
}

int run_export(const Args& args) {
    if (args.size() != 2) {
        return usage();
    }
    const std::string path(args[1]);
    QuietListener listener;
    ContactManagerImpl2 store(listener);
    pim::PimSession* session = open_session(store);
    if (session == nullptr) {
        return kFailure;
    }
    std::vector<Contact> contacts;
    store.load_all(contacts);
    std::vector<VCardContact> cards;
    cards.reserve(contacts.size());
    for (Contact& contact : contacts) {
        if (contact.object_id == 0) {
            continue;
        }
        VCardContact card;
        card.photo = read_stored_picture(*session, contact.object_id);
        card.extra_properties = read_extra_properties(*session, contact.object_id);
        card.contact = std::move(contact);
        cards.push_back(std::move(card));
    }
    const std::string text = write_vcards(cards);
    std::string error;
    if (path == "-") {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
            std::fflush(stdout) != 0) {
            fail_line(std::string("standard output: ") + std::strerror(errno));
            return kFailure;
        }
        return 0;
    }
    // An export that fails half way leaves the earlier file as it was.
    if (!platform::replace_file(path, text, error)) {
        fail_line(path + ": " + error);
        return kFailure;
    }
    print("exported " + counted(cards.size(), "contact") + "\n");
    return 0;
}

}  // namespace pim_tool
