#pragma once
// A shared library opened by path and its exports found by name, as the installer loads its
// extension.

#include <memory>
#include <string>

namespace platform {

class SharedLibrary {
public:
    // Null, with the loader's reason in error, when the library cannot be loaded.
    static std::unique_ptr<SharedLibrary> open(const std::string& path, std::string& error);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The export of that name; null when the library has none.
    void* symbol(const char* name) const;

    template <typename Function>
    Function* function(const char* name) const {
        return reinterpret_cast<Function*>(symbol(name));
    }

private:
    explicit SharedLibrary(void* handle) : m_handle(handle) {}
    void* m_handle;
};

}  // namespace platform
