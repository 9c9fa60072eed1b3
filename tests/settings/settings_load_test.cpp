#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "settings_test_util.h"

namespace {

using settings_test::IniText;
using settings_test::RecordingControls;
using settings_test::TempDir;
using settings_test::TypicalValues;
using settings_test::WriteBytes;

struct Loaded {
    SettingsLoadResult result;
    UiSettings settings;
    std::vector<std::string> calls;
};

Loaded Load(const std::string& bytes) {
    TempDir dir;
    std::string path = dir.File("uiset.ini");
    WriteBytes(path, bytes);
    Loaded loaded;
    RecordingControls controls;
    g_SettingsLoaded = 0;
    loaded.result = LoadSettingsFile(path.c_str(), loaded.settings, controls);
    loaded.calls = controls.calls;
    return loaded;
}

std::vector<std::string> With(size_t index, const std::string& value) {
    std::vector<std::string> values = TypicalValues();
    values[index] = value;
    return values;
}

TEST(LoadSettings, TypicalFileFillsRecordAndControlsInFileOrder) {
    Loaded l = Load(IniText(TypicalValues()));
    ASSERT_EQ(l.result.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(g_SettingsLoaded, 1);
    UiSettings expected;
    expected.AcpiPort = 0x62;
    expected.FwVersionShow = 1;
    expected.HexDisplay = 0;
    expected.ReadMethod = 1;
    expected.SioSelect = 1;
    expected.BramBank = 1;
    expected.ReadBytes = 2;
    expected.BramStartIndex = 0x20;
    expected.FlashEndCmd = 0x9A;
    expected.AutoFlash = 0;
    expected.WarningShow = 1;
    expected.SilentRun = 0;
    expected.BinName = "EC_IMAGE";
    expected.Shutdown = 0;
    EXPECT_EQ(l.settings, expected);
    EXPECT_EQ(l.calls, (std::vector<std::string>{"ports 0062 0066", "version 1", "hex 0", "bram 1",
                                                 "io4e 1", "bank1 1", "five 1"}));
}

TEST(LoadSettings, KeysAreIgnoredAndPositionsHonoured) {
    // Keys shuffled and renamed, and a header other than "[Info]": only positions count.
    std::string text = "not a header at all\r\n"
                       "Shutdown=0x3F0\r\nx=2\r\n=7\r\nAutoFlash=0\r\nIO=0\r\nBRAM BANK=0\r\nq=3\r\n"
                       "z=255\r\ny=0x80\r\nACPI PORT=9\r\nw=0\r\nv=0\r\nu=img\r\nt=0\r\nEND";
    Loaded l = Load(text);
    ASSERT_EQ(l.result.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(l.settings.AcpiPort, 0x3F0);
    EXPECT_EQ(l.settings.FwVersionShow, 2);
    EXPECT_EQ(l.settings.HexDisplay, 7);
    EXPECT_EQ(l.settings.ReadBytes, 3);
    EXPECT_EQ(l.settings.BramStartIndex, 255);
    EXPECT_EQ(l.settings.FlashEndCmd, 0x80);
    EXPECT_EQ(l.settings.AutoFlash, 1);
    EXPECT_EQ(l.settings.BinName, "img");
}

TEST(LoadSettings, EmptyFirstLineIsStillTheSkippedLine) {
    Loaded l = Load("\n" + IniText(TypicalValues()).substr(std::string("[Info]\r\n").size()));
    ASSERT_EQ(l.result.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(l.settings.AcpiPort, 0x62);
}

struct PortCase {
    std::string value;
    std::string data_text;
    std::string cmd_text;
    int32_t acpi_port;
};

class AcpiPortValue : public testing::TestWithParam<PortCase> {};

TEST_P(AcpiPortValue, GivesEditTextsAndField) {
    Loaded l = Load(IniText(With(0, GetParam().value)));
    ASSERT_EQ(l.result.status, SettingsLoadStatus::Loaded);
    ASSERT_FALSE(l.calls.empty());
    EXPECT_EQ(l.calls.front(), "ports " + GetParam().data_text + " " + GetParam().cmd_text);
    EXPECT_EQ(l.settings.AcpiPort, GetParam().acpi_port);
}

INSTANTIATE_TEST_SUITE_P(Values, AcpiPortValue, testing::Values(
    PortCase{"0x62", "0062", "0066", 0x62},
    PortCase{"98", "0062", "0066", 0x62},
    PortCase{"0x3F0", "03F0", "03F4", 0x3F0},
    PortCase{"0x13F0", "13F0", "13F4", 0x13F0},
    PortCase{"-1", "FFFFFFFF", "0003", -1},
    PortCase{"0x7FFFFFFF", "7FFFFFFF", "80000003", INT32_MAX}));

TEST(LoadSettings, VersionShowTwoTicksTheBoxAndIsStoredAsWritten) {
    Loaded l = Load(IniText(With(1, "2")));
    ASSERT_EQ(l.result.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(l.calls.at(1), "version 1");
    EXPECT_EQ(l.settings.FwVersionShow, 2);
}

TEST(LoadSettings, ByteFlagsBecomeOneWhileIntegersStayAsWritten) {
    std::vector<std::string> values = TypicalValues();
    values[2] = "7";    // HEX DISPLAY
    values[3] = "-4";   // Read Method
    values[4] = "9";    // IO
    values[5] = "0x10"; // BRAM BANK
    values[6] = "5";    // Read BYTES
    values[9] = "5";    // AutoFlash
    values[10] = "0";   // Warring Show
    values[11] = "-1";  // SilentRun
    values[13] = "2";   // Shutdown
    Loaded l = Load(IniText(values));
    ASSERT_EQ(l.result.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(l.settings.HexDisplay, 7);
    EXPECT_EQ(l.settings.ReadMethod, 1);
    EXPECT_EQ(l.settings.SioSelect, 1);
    EXPECT_EQ(l.settings.BramBank, 1);
    EXPECT_EQ(l.settings.ReadBytes, 5);
    EXPECT_EQ(l.settings.AutoFlash, 1);
    EXPECT_EQ(l.settings.WarningShow, 0);
    EXPECT_EQ(l.settings.SilentRun, 1);
    EXPECT_EQ(l.settings.Shutdown, 1);
    EXPECT_EQ(l.calls, (std::vector<std::string>{"ports 0062 0066", "version 1", "hex 1", "bram 1",
                                                 "io4e 1", "bank1 1", "five 1"}));
}

TEST(LoadSettings, ZeroValuesSelectTheOtherButtons) {
    Loaded l = Load(IniText({"0x3F0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "", "0"}));
    ASSERT_EQ(l.result.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(l.calls, (std::vector<std::string>{"ports 03F0 03F4", "version 0", "hex 0", "bram 0",
                                                 "io4e 0", "bank1 0", "five 0"}));
}

TEST(LoadSettings, BinNameIsTheRawTextAfterTheLastEquals) {
    EXPECT_EQ(Load(IniText(With(12, ""))).settings.BinName, "");
    EXPECT_EQ(Load(IniText(With(12, "a=b"))).settings.BinName, "b");
    EXPECT_EQ(Load(IniText(With(12, " 12 "))).settings.BinName, " 12 ");
}

struct BadCase {
    const char* name;
    std::string text;
    std::string error;
    size_t control_calls;  // controls set before the reading stopped
};

class BadSettingsFile : public testing::TestWithParam<BadCase> {};

TEST_P(BadSettingsFile, StopsAtTheValueAndIsNotMarkedLoaded) {
    g_SettingsLoaded = 0;
    Loaded l = Load(GetParam().text);
    EXPECT_EQ(l.result.status, SettingsLoadStatus::BadValue);
    EXPECT_EQ(l.result.error, GetParam().error);
    EXPECT_EQ(l.calls.size(), GetParam().control_calls);
    EXPECT_EQ(g_SettingsLoaded, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadSettingsFile, testing::Values(
    BadCase{"TrailingBlank", IniText(With(9, "1 ")), "'1 ' is not a valid integer value", 7},
    BadCase{"LfOnlyLines", IniText(TypicalValues(), "\n"), "'0x62\n' is not a valid integer value", 0},
    BadCase{"EmptyFile", "", "'' is not a valid integer value", 0},
    BadCase{"HeaderOnly", "[Info]\r\n", "'' is not a valid integer value", 0},
    BadCase{"FewerThanFifteenLines",
            IniText({"0x62", "1", "0", "1", "1", "1", "2", "0x20", "0x9A"}),
            "'' is not a valid integer value", 7},
    BadCase{"LettersInReadBytes", IniText(With(6, "two")), "'two' is not a valid integer value", 6},
    BadCase{"EmptyShutdownAfterBinName", IniText(With(13, "")), "'' is not a valid integer value", 7}),
    [](const testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(LoadSettings, ErrorWithinTheFirstSevenValuesStoresNoneOfThem) {
    Loaded l = Load(IniText(With(5, "bank")));
    ASSERT_EQ(l.result.status, SettingsLoadStatus::BadValue);
    EXPECT_EQ(l.settings, UiSettings{});
}

TEST(LoadSettings, ErrorLaterKeepsFieldsStoredSoFarAndZerosTheRest) {
    Loaded l = Load(IniText(With(10, "")));  // Warring Show
    ASSERT_EQ(l.result.status, SettingsLoadStatus::BadValue);
    EXPECT_EQ(l.settings.AcpiPort, 0x62);
    EXPECT_EQ(l.settings.FlashEndCmd, 0x9A);
    EXPECT_EQ(l.settings.WarningShow, 0);
    EXPECT_EQ(l.settings.BinName, "");
}

TEST(LoadSettings, LineOver499BytesShiftsTheLaterValues) {
    // Value 8's line is cut after 499 bytes ("kkk...=0x20"); its remainder "=9" is read as
    // value 9, so every later value comes from the line before the one it names.
    std::string text = IniText(TypicalValues());
    std::string needle = "BRAM Start index=0x20\r\n";
    text.replace(text.find(needle), needle.size(), std::string(494, 'k') + "=0x20" + "=9\r\n");
    Loaded l = Load(text);
    EXPECT_EQ(l.settings.BramStartIndex, 0x20);
    EXPECT_EQ(l.settings.FlashEndCmd, 9);
    EXPECT_EQ(l.settings.AutoFlash, 1);     // from "FlashEnd CMD=0x9A"
    EXPECT_EQ(l.settings.SilentRun, 1);     // from "Warring Show=1"
    EXPECT_EQ(l.settings.BinName, "0");     // from "SilentRun=0"
    EXPECT_EQ(l.result.status, SettingsLoadStatus::BadValue);
    EXPECT_EQ(l.result.error, "'EC_IMAGE' is not a valid integer value");
}

TEST(LoadSettings, LineOver499BytesInBinNameShiftsIntoShutdown) {
    std::vector<std::string> values = TypicalValues();
    values[12] = std::string(491, 'n') + "Z=1";  // "BinName=" and 491 bytes fill one read
    Loaded l = Load(IniText(values));
    // The remainder "Z=1" is value 14; the real Shutdown line is never read.
    ASSERT_EQ(l.result.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(l.settings.BinName, std::string(491, 'n'));
    EXPECT_EQ(l.settings.Shutdown, 1);
}

TEST(LoadSettings, MissingFileChangesNothing) {
    TempDir dir;
    UiSettings settings;
    settings.AcpiPort = 0x3F0;
    const UiSettings before = settings;
    RecordingControls controls;
    g_SettingsLoaded = 0;
    SettingsLoadResult result = LoadSettingsFile(dir.File("absent.ini").c_str(), settings, controls);
    EXPECT_EQ(result.status, SettingsLoadStatus::CannotOpen);
    EXPECT_EQ(settings, before);
    EXPECT_TRUE(controls.calls.empty());
    EXPECT_EQ(g_SettingsLoaded, 0);
}

}  // namespace
