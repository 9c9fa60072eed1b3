// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files and settings texts for the settings tests.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "settings/settings_file.h"

namespace settings_test {

/// A private directory removed with everything in it when the test ends.
class TempDir : public testdir::ScratchDir {
public:
    TempDir() : ScratchDir("vantu-settings") {}
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// Sixteen lines in the writer's layout, with the given values in place of lines 2 to 15.
inline std::string IniText(const std::vector<std::string>& values, const std::string& eol = "\r\n") {
    static const char* const kKeys[] = {"ACPI PORT", "FW VERSION SHOW", "HEX DISPLAY", "Read Method",
                                        "IO", "BRAM BANK", "Read BYTES", "BRAM Start index",
                                        "FlashEnd CMD", "AutoFlash", "Warring Show", "SilentRun",
                                        "BinName", "Shutdown"};
    std::string text = "[Info]" + eol;
    for (size_t i = 0; i < values.size() && i < 14; ++i) text += std::string(kKeys[i]) + "=" + values[i] + eol;
    if (values.size() >= 14) text += "END";
    return text;
}

/// The values of a typical file.
inline std::vector<std::string> TypicalValues() {
    return {"0x62", "1", "0", "1", "1", "1", "2", "0x20", "0x9A", "0", "1", "0", "EC_IMAGE", "0"};
}

}  // namespace settings_test
