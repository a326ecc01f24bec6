#include "platform/shared_library.h"

#include <dlfcn.h>

namespace platform {

std::unique_ptr<SharedLibrary> SharedLibrary::open(const std::string& path, std::string& error) {
    // RTLD_LOCAL: its exports stay its own and resolve nothing in libraries loaded later.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        error = why != nullptr ? why : "cannot load " + path;
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

SharedLibrary::~SharedLibrary() { ::dlclose(m_handle); }

void* SharedLibrary::symbol(const char* name) const {
    ::dlerror();
    return ::dlsym(m_handle, name);
}

}  // namespace platform
