// SPDX-License-Identifier: MIT
// Loading libcurl by its shared-object name and taking its entry points (Linux only: Windows
// speaks HTTP through WinINet).
#include "platform/curl_library.h"

#include <dlfcn.h>

namespace orvex {

namespace {

// The ABI the headers were written for; the development link (libcurl.so) may be absent.
constexpr const char* kLibraryName = "libcurl.so.4";

struct Loaded {
    CurlLibrary api{};
    bool ok = false;
    std::string error;
};

void* OpenLibrary(std::string& error) {
    void* h = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr) {
        const char* why = dlerror();
        error = why != nullptr ? why : kLibraryName;
    }
    return h;
}
void* Symbol(void* lib, const char* name) {
    return dlsym(lib, name);
}

template <typename F>
bool Take(void* lib, const char* name, F& into, std::string& error) {
    void* p = Symbol(lib, name);
    if (p == nullptr) {
        error = std::string(kLibraryName) + ": no " + name;
        return false;
    }
    into = reinterpret_cast<F>(p);
    return true;
}

Loaded Load() {
    Loaded l;
    // Kept for the life of the process: handles may outlive any one user.
    void* lib = OpenLibrary(l.error);
    if (lib == nullptr) {
        return l;
    }
    CurlLibrary& a = l.api;
    l.ok = Take(lib, "curl_global_init", a.global_init, l.error) && Take(lib, "curl_easy_init", a.easy_init, l.error) &&
           Take(lib, "curl_easy_cleanup", a.easy_cleanup, l.error) &&
           Take(lib, "curl_easy_reset", a.easy_reset, l.error) &&
           Take(lib, "curl_easy_setopt", a.easy_setopt, l.error) &&
           Take(lib, "curl_easy_perform", a.easy_perform, l.error) &&
           Take(lib, "curl_easy_getinfo", a.easy_getinfo, l.error) &&
           Take(lib, "curl_easy_strerror", a.easy_strerror, l.error) &&
           Take(lib, "curl_slist_append", a.slist_append, l.error) &&
           Take(lib, "curl_slist_free_all", a.slist_free_all, l.error);
    if (l.ok && a.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        l.ok = false;
        l.error = std::string(kLibraryName) + ": initialisation failed";
    }
    return l;
}

} // namespace

const CurlLibrary* Curl(std::string* error) {
    static const Loaded loaded = Load(); // thread-safe, once
    if (!loaded.ok) {
        if (error != nullptr) {
            *error = loaded.error;
        }
        return nullptr;
    }
    return &loaded.api;
}

} // namespace orvex
