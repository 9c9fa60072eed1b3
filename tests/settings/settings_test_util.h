#pragma once
// Files and a recording control set for the settings tests.

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

/// Records every control call as one line, in order.
class RecordingControls : public SettingsControls {
public:
    std::vector<std::string> calls;

    void SetPortTexts(const std::string& data_port, const std::string& cmd_port) override {
        calls.push_back("ports " + data_port + " " + cmd_port);
    }
    void SetVersionShown(bool shown) override { calls.push_back(Named("version", shown)); }
    void SelectHexDisplay(bool on) override { calls.push_back(Named("hex", on)); }
    void SelectReadMethodBram(bool bram) override { calls.push_back(Named("bram", bram)); }
    void SelectIo4E(bool io_4e) override { calls.push_back(Named("io4e", io_4e)); }
    void SelectBank1(bool bank1) override { calls.push_back(Named("bank1", bank1)); }
    void SelectReadBytes5(bool five) override { calls.push_back(Named("five", five)); }

private:
    static std::string Named(const char* name, bool on) { return std::string(name) + (on ? " 1" : " 0"); }
};

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
