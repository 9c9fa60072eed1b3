#include "version/version_format.h"

#include <cstdio>

#include "version/version_sources.h"

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

uint8_t IndexPlus(int index, int offset) { return static_cast<uint8_t>(index + offset); }

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

std::string FW_FormatBram(int index, int count, bool hex) {
    if (count == 2) {
        const uint8_t b0 = BRAM_ReadByte(IndexPlus(index, 0));
        const uint8_t b1 = BRAM_ReadByte(IndexPlus(index, 1));
        return hex ? Dec(b0) + FW_ChrText(b1) : Dec(b0) + "." + Dec(b1);
    }
    std::string text;
    for (int k = 0; k < count; ++k) {
        if (k > 0) text += ' ';
        text += FW_ChrText(BRAM_ReadByte(IndexPlus(index, k)));
    }
    return text;
}

std::string FW_ReadEcSpace(int hex_display, uint8_t index, int read_bytes) {
    const uint8_t b0 = EC_ReadSpaceByte(index);
    if (read_bytes == 1) return hex_display != 0 ? Hex(b0) : Dec(b0);

    const uint8_t b1 = EC_ReadSpaceByte(IndexPlus(index, 1));
    if (read_bytes == 3) {
        const uint8_t b2 = EC_ReadSpaceByte(IndexPlus(index, 2));
        return Dec(b0) + "." + Dec(b1) + "." + Dec(b2);
    }
    return Dec(b0) + "." + (hex_display != 0 ? Hex2(b1) : Dec(b1));
}
