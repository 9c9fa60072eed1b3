// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/wide_text_win.h"
#include "sim/flash_store.h"

namespace sim {
namespace {

std::runtime_error FileError(const std::string& what, const std::string& path) {
    return std::runtime_error("flash file " + path + ": " + what + ": system error " +
                              std::to_string(GetLastError()));
}

// Closes a handle when the mapping is set up or abandoned; the view keeps what it needs.
struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

}  // namespace

uint8_t* MapFlashFile(const std::string& path, uint32_t size) {
    // Shared for reading and writing: a person may copy or inspect the file while a device uses it.
    HandleCloser file{CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) throw FileError("cannot open", path);
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(file.handle, &length)) throw FileError("cannot stat", path);
    const auto old_size = static_cast<uint64_t>(length.QuadPart);
    if (old_size > size) {
        // A mapping only ever grows a file; a shorter flash needs the tail cut first.
        LARGE_INTEGER end{};
        end.QuadPart = size;
        if (!SetFilePointerEx(file.handle, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.handle)) {
            throw FileError("cannot resize", path);
        }
    }
    // Mapping `size` bytes extends a shorter file to that length, zero-filled.
    HandleCloser mapping{CreateFileMappingW(file.handle, nullptr, PAGE_READWRITE, 0, size, nullptr)};
    if (mapping.handle == nullptr) throw FileError("cannot map", path);
    void* view = MapViewOfFile(mapping.handle, FILE_MAP_WRITE, 0, 0, size);
    if (view == nullptr) throw FileError("cannot map", path);
    auto* data = static_cast<uint8_t*>(view);
    if (old_size < size) std::memset(data + old_size, 0xFF, size - old_size);
    return data;
}

void UnmapFlashFile(uint8_t* data, uint32_t /*size*/) { UnmapViewOfFile(data); }

}  // namespace sim
