// account and sync: the CardDAV address book this book syncs with, and one sync pass.

#include <filesystem>

#include "platform/http_client.h"
#include "platform/secret_store.h"
#include "sync/dav_client.h"
#include "sync/sync_engine.h"
#include "tools/pim/book_writer.h"
#include "tools/pim/tool.h"

namespace pim_tool {

namespace {

int account_add(const Args& args) {
    std::string url;
    std::string user;
    std::string ca;
    std::string book;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (arg == "--user" && has_value) {
            user = args[++i];
        } else if (arg == "--ca" && has_value) {
            ca = args[++i];
        } else if (arg == "--book" && has_value) {
            book = args[++i];
        } else if (url.empty() && !arg.starts_with("--")) {
            url = arg;
        } else {
            return usage();
        }
    }
    if (url.empty() || user.empty()) {
        return usage();
    }
    if (const std::string refusal = platform::url_refusal(url); !refusal.empty()) {
        fail_line(url + ": " + refusal);
        return kUsageError;
    }
    if (!ca.empty()) {
        std::error_code ignored;
        // The program may sync from another folder than this one.
        ca = std::filesystem::absolute(ca, ignored).string();
        if (!std::filesystem::is_regular_file(ca, ignored)) {
            fail_line(ca + ": no such file");
            return kUsageError;
        }
    }
    const std::optional<std::string> password = platform::read_password_line("Password for " + user + ": ");
    if (!password || password->empty()) {
        fail_line("no password given");
        return kUsageError;
    }
    velvane::sync::DavClient client(user, *password, ca);
    std::vector<velvane::sync::DavBook> books;
    std::string error;
    if (!client.discover(url, books, error)) {
        fail_line(error);
        return kFailure;
    }
    const velvane::sync::DavBook* chosen = books.size() == 1 ? &books.front() : nullptr;
    if (!book.empty()) {
        chosen = nullptr;
        const std::string wanted = platform::resolve_url(url, book);
        for (const velvane::sync::DavBook& b : books) {
            if (b.url == book || b.url == wanted || b.url == wanted + "/") {
                chosen = &b;
            }
        }
        if (chosen == nullptr) {
            fail_line(book + ": not one of the address books found");
        }
    }
    if (chosen == nullptr) {
        std::string list = "address books found:\n";
        for (const velvane::sync::DavBook& b : books) {
            list += "  " + velvane::sync::url_path(b.url) + (b.name.empty() ? "" : "\t" + b.name) + "\n";
        }
        print(list);
        fail_line("pick one with --book HREF");
        return kUsageError;
    }
    velvane::sync::SyncAccount account{0, chosen->url, user, ca};
    std::string where;
    if (!velvane::sync::add_account({}, account, *password, where, error)) {
        fail_line(error);
        return kFailure;
    }
    print("account " + std::to_string(account.id) + ": " + account.url + " as " + user +
          "; the password is kept in " + where + "\n");
    return 0;
}

}  // namespace

int run_account(const Args& args) {
    if (args.size() >= 2 && args[1] == "add") {
        return account_add(args);
    }
    std::string error;
    if (args.size() == 2 && args[1] == "list") {
        std::vector<velvane::sync::SyncAccount> accounts;
        if (!velvane::sync::list_accounts({}, accounts, error)) {
            fail_line(error);
            return kFailure;
        }
        for (const velvane::sync::SyncAccount& a : accounts) {
            print(std::to_string(a.id) + "\t" + a.url + "\t" + a.user + "\n");
        }
        return 0;
    }
    if (args.size() == 3 && args[1] == "remove") {
        if (!velvane::sync::remove_account({}, std::string(args[2]), error)) {
            fail_line(error);
            return kFailure;
        }
        print("account removed; the contacts stay\n");
        return 0;
    }
    return usage();
}

int run_sync(const Args& args) {
    if (args.size() != 1) {
        return usage();
    }
    const auto progress = terminal_progress("syncing");
    const velvane::sync::SyncSummary summary = velvane::sync::run_sync(
        {}, progress ? velvane::sync::SyncProgress([&](const char*, size_t done, size_t total) {
            progress(done, total);
            return true;
        })
                     : velvane::sync::SyncProgress());
    print(velvane::sync::summary_text(summary) + "\n");
    for (const std::string& line : summary.notes) {
        print("  " + line + "\n");
    }
    if (!summary.ok) {
        fail_line("sync not complete: " + summary.error + "; the rest follows next time");
        return kFailure;
    }
    return 0;
}

}  // namespace pim_tool
