#pragma once
// Passwords of sync accounts: in the desktop's secret service when one is running, otherwise
// in a file only the owner may read ($XDG_DATA_HOME/velvane/passwords, mode 0600).

#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class SecretPlace { service, file };

// Stores the password under key; where it went in place. False when neither place takes it.
bool store_secret(std::string_view key, std::string_view password, SecretPlace& place,
                  std::string& error);
// The password stored under key, looked for in both places.
std::optional<std::string> lookup_secret(std::string_view key);
// Forgets key in both places; true when nothing of it is left.
bool remove_secret(std::string_view key);

// The fallback file, for tests and messages.
std::string secret_file_path();

// Reads one line from standard input: without echo, after prompt on standard error, when it
// is a terminal. Nothing at the end of the input.
std::optional<std::string> read_password_line(std::string_view prompt);

}  // namespace platform
