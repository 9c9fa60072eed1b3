// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/library_loader.h"

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
