#include "platform/secret_store.h"

#include <fcntl.h>
#include <libsecret/secret.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/files.h"
#include "platform/native_file.h"
#include "platform/sqlite_db.h"

namespace platform {

namespace {

const SecretSchema* schema() {
    static const SecretSchema kSchema = {
        "org.velvane.SyncAccount",
        SECRET_SCHEMA_NONE,
        {{"account", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &kSchema;
}

// Without a session bus, asking for the service would try to start one; there is none to
// ask then.
bool service_reachable() {
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return bus != nullptr && *bus != '\0';
}

constexpr size_t kMaxFileBytes = 1u << 20;

std::string hex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

std::optional<std::string> unhex(std::string_view text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string out;
    for (size_t i = 0; i < text.size(); i += 2) {
        int value = 0;
        for (char c : text.substr(i, 2)) {
            value <<= 4;
            if (c >= '0' && c <= '9') value |= c - '0';
            else if (c >= 'a' && c <= 'f') value |= c - 'a' + 10;
            else return std::nullopt;
        }
        out.push_back(static_cast<char>(value));
    }
    return out;
}

// key TAB hex(password) per line; keys hold no tab or line end.
std::map<std::string, std::string> read_file_entries() {
    std::map<std::string, std::string> entries;
    const NativeRead read = read_native(secret_file_path(), kMaxFileBytes);
    if (read.status != ReadStatus::ok) {
        return entries;
    }
    size_t start = 0;
    const std::string& text = read.bytes;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string_view line(text.data() + start, end - start);
        const size_t tab = line.find('\t');
        if (tab != std::string_view::npos) {
            if (auto password = unhex(line.substr(tab + 1))) {
                entries[std::string(line.substr(0, tab))] = *password;
            }
        }
        start = end + 1;
    }
    return entries;
}

bool write_file_entries(const std::map<std::string, std::string>& entries, std::string& error) {
    const std::string path = secret_file_path();
    if (!sql::make_private_folder_of(path)) {
        error = "cannot create the folder of " + path;
        return false;
    }
    std::string text;
    for (const auto& [key, password] : entries) {
        text += key + "\t" + hex(password) + "\n";
    }
    // Made 0600 before a byte is in it, then renamed over the old one.
    const std::string temp = path + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = "cannot write " + temp;
        return false;
    }
    ::fchmod(fd, 0600);
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    const bool ok = done == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool valid_key(std::string_view key) {
    return !key.empty() && key.find_first_of("\t\r\n") == std::string_view::npos;
}

}  // namespace

std::string secret_file_path() { return to_utf8(user_data_folder()) + "/passwords"; }

bool store_secret(std::string_view key, std::string_view password, SecretPlace& place,
                  std::string& error) {
    if (!valid_key(key)) {
        error = "the account's name cannot be used as a key";
        return false;
    }
    const std::string key_text(key);
    const std::string password_text(password);
    if (service_reachable()) {
        GError* failure = nullptr;
        const gboolean stored = secret_password_store_sync(
            schema(), SECRET_COLLECTION_DEFAULT, ("Velvane sync " + key_text).c_str(),
            password_text.c_str(), nullptr, &failure, "account", key_text.c_str(), nullptr);
        if (failure != nullptr) {
            g_error_free(failure);
        }
        if (stored) {
            place = SecretPlace::service;
            // An older copy in the file would outlive the one in the service.
            auto entries = read_file_entries();
            if (entries.erase(key_text) > 0) {
                std::string ignored;
                write_file_entries(entries, ignored);
            }
            return true;
        }
    }
    auto entries = read_file_entries();
    entries[key_text] = password_text;
    if (!write_file_entries(entries, error)) {
        return false;
    }
    place = SecretPlace::file;
    return true;
}

std::optional<std::string> lookup_secret(std::string_view key) {
    if (!valid_key(key)) {
        return std::nullopt;
    }
    const std::string key_text(key);
    if (service_reachable()) {
        GError* failure = nullptr;
        gchar* found = secret_password_lookup_sync(schema(), nullptr, &failure, "account",
                                                   key_text.c_str(), nullptr);
        if (failure != nullptr) {
            g_error_free(failure);
        }
        if (found != nullptr) {
            std::string password(found);
            secret_password_free(found);
            return password;
        }
    }
    auto entries = read_file_entries();
    auto it = entries.find(key_text);
    if (it == entries.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool remove_secret(std::string_view key) {
    if (!valid_key(key)) {
        return true;
    }
    const std::string key_text(key);
    if (service_reachable()) {
        GError* failure = nullptr;
        secret_password_clear_sync(schema(), nullptr, &failure, "account", key_text.c_str(), nullptr);
        if (failure != nullptr) {
            g_error_free(failure);
        }
    }
    auto entries = read_file_entries();
    if (entries.erase(key_text) == 0) {
        return true;
    }
    std::string error;
    return write_file_entries(entries, error);
}

std::optional<std::string> read_password_line(std::string_view prompt) {
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    termios saved {};
    if (terminal) {
        std::fwrite(prompt.data(), 1, prompt.size(), stderr);
        std::fflush(stderr);
        if (::tcgetattr(STDIN_FILENO, &saved) == 0) {
            termios quiet = saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        }
    }
    std::string line;
    bool got = false;
    char c;
    // Byte by byte from the descriptor: nothing beyond the line is taken from the input.
    while (line.size() < 4096 && ::read(STDIN_FILENO, &c, 1) == 1) {
        got = true;
        if (c == '\n') {
            break;
        }
        line.push_back(c);
    }
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputc('\n', stderr);
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (!got) {
        return std::nullopt;
    }
    return line;
}

}  // namespace platform
