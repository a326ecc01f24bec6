#pragma once
// Base for the process's one-of-a-kind objects (Application, GameBase, Document): one static
// instance pointer per class; a second construction while one lives is a fatal error.

#include "core/log.h"

namespace velvane {

template <class T>
class Singleton {
public:
    // The living instance, or null.
    static T* get_instance() { return static_cast<T*>(s_instance); }

    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;

protected:
    Singleton() {
        if (s_instance != nullptr) {
            fatal(u"Singleton::Singleton()", u"Singleton is already instantiated");
        }
        // Kept as the base pointer and cast on the way out: T is not built yet here.
        s_instance = this;
    }
    ~Singleton() { s_instance = nullptr; }

private:
    static inline Singleton* s_instance = nullptr;
};

}  // namespace velvane
