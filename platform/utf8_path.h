// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File names are UTF-8 throughout the program; std::filesystem takes a narrow name in the
// system's code page on Windows, so names cross into it and back through char8_t.

#include <filesystem>
#include <string>

inline std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
