// SPDX-License-Identifier: GPL-3.0-or-later
#include "version/version_format.h"

#include <cstdio>

namespace {

std::string Dec(uint8_t b) { return std::to_string(b); }

std::string Hex(uint8_t b) {
    char text[4];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(b));
    return text;
}

std::string Hex2(uint8_t b) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(b));
    return text;
}

std::string FormatBram(std::span<const uint8_t> b, bool hex) {
    if (b.size() == 2) return hex ? Dec(b[0]) + FW_ChrText(b[1]) : Dec(b[0]) + "." + Dec(b[1]);
    std::string text;
    for (size_t k = 0; k < b.size(); ++k) {
        if (k > 0) text += ' ';
        text += FW_ChrText(b[k]);
    }
    return text;
}

std::string FormatEcSpace(std::span<const uint8_t> b, bool hex) {
    switch (b.size()) {
        case 0: return "";
        case 1: return hex ? Hex(b[0]) : Dec(b[0]);
        case 3: return Dec(b[0]) + "." + Dec(b[1]) + "." + Dec(b[2]);
        default: return Dec(b[0]) + "." + (hex ? Hex2(b[1]) : Dec(b[1]));
    }
}

}  // namespace

std::string FW_ChrText(uint8_t byte) {
    // The version text reaches a label and a text file read by scripts: bytes without a
    // printable character (NUL, controls, DEL, the C1 range) must not reach either, and a
    // '?' shows that something was there. Latin-1 is the 8-bit set the firmware's letters
    // come from; the text as a whole is UTF-8.
    if (byte >= 0x20 && byte <= 0x7E) return std::string(1, static_cast<char>(byte));
    if (byte >= 0xA0) {
        return {static_cast<char>(0xC0 | (byte >> 6)), static_cast<char>(0x80 | (byte & 0x3F))};
    }
    return "?";
}

int FW_VersionByteCount(VersionSource source, int32_t read_bytes) {
    if (source == VersionSource::Bram) return (read_bytes == 0 || read_bytes == 2) ? 2 : 5;
    if (read_bytes == 1) return 1;
    return read_bytes == 3 ? 3 : 2;
}

std::string FW_FormatVersion(VersionSource source, std::span<const uint8_t> bytes, int32_t hex_display) {
    return source == VersionSource::Bram ? FormatBram(bytes, hex_display != 0)
                                         : FormatEcSpace(bytes, hex_display != 0);
}
