#include "hw/library_loader.h"

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
