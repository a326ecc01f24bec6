#pragma once
// A private home: HOME, TMPDIR, XDG_RUNTIME_DIR and the machine's settings folder
// (VELVANE_SYSCONFDIR) point into a fresh temporary folder, every other XDG variable is unset (so its default below HOME applies). Everything is restored and
// removed when the object goes away. The test main keeps one for the whole program; a test
// that needs a clean home of its own makes another inside it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

extern char** environ;

namespace test_support {

namespace fs = std::filesystem;

class TempHome {
public:
    TempHome() {
        for (const std::string& name : replaced_variables()) {
            const char* value = ::getenv(name.c_str());
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        std::string pattern = (fs::temp_directory_path() / "velvane-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
        }
        m_root = pattern;
        fs::create_directories(home());
        fs::create_directories(m_root / "tmp");
        fs::create_directories(m_root / "run");
        fs::permissions(m_root / "run", fs::perms::owner_all);
        for (const auto& saved : m_saved) {
            ::unsetenv(saved.first.c_str());
        }
        set("HOME", home());
        set("TMPDIR", m_root / "tmp");
        set("XDG_RUNTIME_DIR", m_root / "run");
        set("VELVANE_SYSCONFDIR", sysconf());
    }
    ~TempHome() {
        for (const auto& [name, value] : m_saved) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const fs::path& root() const { return m_root; }
    fs::path home() const { return m_root / "home"; }
    // Stands for /etc/velvane: the machine-wide registry file.
    fs::path sysconf() const { return m_root / "etc" / "velvane"; }
    static void set(const char* name, const fs::path& value) {
        ::setenv(name, value.c_str(), 1);
    }

private:
    // HOME, TMPDIR and every XDG variable set now (and the usual ones, which a test may set).
    static std::vector<std::string> replaced_variables() {
        std::vector<std::string> names{"HOME",            "TMPDIR",        "XDG_RUNTIME_DIR",
                                       "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR",
                                       "XDG_CACHE_HOME",  "XDG_STATE_HOME",
                                       "VELVANE_SYSCONFDIR"};
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string_view text(*entry);
            const size_t equals = text.find('=');
            if (text.starts_with("XDG_") && equals != std::string_view::npos) {
                std::string name(text.substr(0, equals));
                if (std::find(names.begin(), names.end(), name) == names.end()) {
                    names.push_back(std::move(name));
                }
            }
        }
        return names;
    }

    fs::path m_root;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

inline std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_bytes(const fs::path& path, std::string_view bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace test_support
