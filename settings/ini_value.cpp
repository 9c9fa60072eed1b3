// SPDX-License-Identifier: GPL-3.0-or-later
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "settings/settings_file.h"

namespace {

constexpr size_t kLineBufferSize = kMaxIniLineBytes + 1;  // fgets keeps one byte for the terminator
constexpr size_t kValueBufferSize = 1000;                 // larger than any line, so no index can overrun

// A full buffer without a line end means the line goes on, unless the file ends right there.
bool LineGoesOn(const std::array<char, kLineBufferSize>& line, std::FILE* file) {
    const size_t length = std::strlen(line.data());
    if (length < kMaxIniLineBytes || line[length - 1] == '\n') return false;
    const int next = std::fgetc(file);
    if (next == EOF) return false;
    std::ungetc(next, file);
    return true;
}

}  // namespace

std::string ReadIniValue(std::FILE* file, bool* line_cut) {
    std::array<char, kLineBufferSize> line{};
    std::array<char, kValueBufferSize> value{};

    if (std::fgets(line.data(), static_cast<int>(line.size()), file) == nullptr) {
        // At end of file nothing was read; after a read error the buffer is undefined.
        line.fill('\0');
    }
    if (line_cut != nullptr) *line_cut = LineGoesOn(line, file);

    // The mark follows every '=', so the last '=' starts the value. A line written on a
    // system that ends lines in LF alone must read exactly like one ending in CR LF, and a
    // last line without any line end as well: the value ends wherever the walk ends, so no
    // byte of an earlier, longer value is left behind it.
    bool marked = false;
    size_t mark = 0;
    size_t i = 0;
    for (; i < kMaxIniLineBytes && line[i] != '\0'; ++i) {
        if (marked) {
            if (line[i] == '\r' || line[i] == '\n') break;
            value[i - mark] = line[i];
        }
        if (line[i] == '=') {
            marked = true;
            mark = i + 1;
        }
    }
    if (marked) value[i - mark] = '\0';
    return std::string(value.data());
}
