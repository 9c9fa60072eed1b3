#include <array>
#include <cstdio>
#include <string>

#include "settings/settings_file.h"

namespace {

constexpr size_t kLineBufferSize = 500;    // fgets keeps one byte for the terminator
constexpr size_t kValueBufferSize = 1000;  // larger than any line, so no index can overrun

}  // namespace

std::string ReadIniValue(std::FILE* file) {
    std::array<char, kLineBufferSize> line{};
    std::array<char, kValueBufferSize> value{};

    if (std::fgets(line.data(), static_cast<int>(line.size()), file) == nullptr) {
        // At end of file nothing was read; after a read error the buffer is undefined.
        line.fill('\0');
    }

    // The mark follows every '=', so the last '=' starts the value. The value buffer is not
    // cleared when the mark moves: on a line without CR, bytes of a longer earlier value
    // stay behind the new one, exactly as the file format has always been read.
    bool marked = false;
    size_t mark = 0;
    for (size_t i = 0; i < line.size() && line[i] != '\0'; ++i) {
        if (marked) {
            if (line[i] == '\r') {
                value[i - mark] = '\0';
                break;
            }
            value[i - mark] = line[i];
        }
        if (line[i] == '=') {
            marked = true;
            mark = i + 1;
        }
    }
    return std::string(value.data());
}
