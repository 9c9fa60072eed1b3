#pragma once
// Windows only: the program keeps text and file names in UTF-8 and turns them into the
// system's UTF-16 at the API call.

#include <windows.h>

#include <string>

/// The UTF-16 form of `text`; invalid UTF-8 sequences become U+FFFD.
inline std::wstring WideFromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}
