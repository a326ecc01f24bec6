#pragma once
// A private home for one test: HOME, TMPDIR and XDG_RUNTIME_DIR point into a fresh temporary
// folder, the other XDG variables are unset (so their defaults below HOME apply). Everything
// is restored and removed when the object goes away.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

namespace fs = std::filesystem;

class TempHome {
public:
    TempHome() {
        for (const char* name : kVariables) {
            const char* value = ::getenv(name);
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
        for (const char* name : kVariables) {
            ::unsetenv(name);
        }
        set("HOME", home());
        set("TMPDIR", m_root / "tmp");
        set("XDG_RUNTIME_DIR", m_root / "run");
    }
    ~TempHome() {
        for (const auto& [name, value] : m_saved) {
            if (value) {
                ::setenv(name, value->c_str(), 1);
            } else {
                ::unsetenv(name);
            }
        }
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const fs::path& root() const { return m_root; }
    fs::path home() const { return m_root / "home"; }
    static void set(const char* name, const fs::path& value) {
        ::setenv(name, value.c_str(), 1);
    }

private:
    static constexpr const char* kVariables[] = {
        "HOME", "TMPDIR", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
        "XDG_DOCUMENTS_DIR"};
    fs::path m_root;
    std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
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
