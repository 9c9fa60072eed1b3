#include "hw/library_loader.h"

#ifdef _WIN32
#include <windows.h>

bool LoadedLibrary::Load(const char* name) {
    Unload();
    handle_ = reinterpret_cast<void*>(LoadLibraryA(name));
    last_error_ = handle_ != nullptr ? "" : "error " + std::to_string(GetLastError());
    return handle_ != nullptr;
}

void* LoadedLibrary::Symbol(const char* name) const {
    if (handle_ == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void LoadedLibrary::Unload() {
    if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

#else
#include <dlfcn.h>

bool LoadedLibrary::Load(const char* name) {
    Unload();
    handle_ = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    const char* reason = handle_ == nullptr ? dlerror() : nullptr;
    last_error_ = reason != nullptr ? reason : "";
    return handle_ != nullptr;
}

void* LoadedLibrary::Symbol(const char* name) const {
    if (handle_ == nullptr) return nullptr;
    return dlsym(handle_, name);
}

void LoadedLibrary::Unload() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
}
#endif
