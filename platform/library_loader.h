// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Run-time loading of the port I/O library, by name through the platform's normal search.

#include <string>

// The 64-bit library of the same family has its own file name and the same entry names.
#if defined(_WIN64)
inline constexpr const char* kPortLibraryName = "inpoutx64.dll";
#elif defined(_WIN32)
inline constexpr const char* kPortLibraryName = "InpOut32.DLL";
#else
inline constexpr const char* kPortLibraryName = "libinpout32.so";
#endif

class LoadedLibrary {
public:
    LoadedLibrary() = default;
    ~LoadedLibrary() { Unload(); }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    /// True when the library was found and loaded.
    bool Load(const char* name);
    /// The entry point's address, or null when the library has none of that name.
    void* Symbol(const char* name) const;
    void Unload();
    /// Why the last Load failed, as the platform words it ("" when it gave no reason).
    const std::string& LastError() const { return last_error_; }

private:
    void* handle_ = nullptr;
    std::string last_error_;
};
