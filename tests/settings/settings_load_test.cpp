// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "settings_test_util.h"

namespace {

using settings_test::IniText;
using settings_test::TempDir;
using settings_test::TypicalValues;
using settings_test::WriteBytes;

SettingsLoadResult Load(const std::string& bytes) {
    TempDir dir;
    const std::string path = dir.File("uiset.ini");
    WriteBytes(path, bytes);
    return LoadSettingsFile(path.c_str());
}

std::vector<std::string> With(size_t index, const std::string& value) {
    std::vector<std::string> values = TypicalValues();
    values[index] = value;
    return values;
}

UiSettings TypicalRecord() {
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
    return expected;
}

TEST(LoadSettings, TypicalFileFillsTheRecord) {
    const SettingsLoadResult l = Load(IniText(TypicalValues()));
    ASSERT_EQ(l.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(l.values_read, kSettingsValueCount);
    EXPECT_EQ(l.values, TypicalRecord());
    EXPECT_EQ(SettingsInEffect(l), TypicalRecord());
    EXPECT_EQ(SettingsProblemText(l), "");
}

TEST(LoadSettings, KeysAreIgnoredAndPositionsHonoured) {
    // Keys shuffled and renamed, and a header other than "[Info]": only positions count.
    std::string text = "not a header at all\r\n"
                       "Shutdown=0x3F0\r\nx=2\r\n=7\r\nAutoFlash=0\r\nIO=0\r\nBRAM BANK=0\r\nq=3\r\n"
                       "z=255\r\ny=0x80\r\nACPI PORT=9\r\nw=0\r\nv=0\r\nu=img\r\nt=0\r\nEND";
    const SettingsLoadResult l = Load(text);
    ASSERT_EQ(l.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(l.values.AcpiPort, 0x3F0);
    EXPECT_EQ(l.values.FwVersionShow, 2);
    EXPECT_EQ(l.values.HexDisplay, 7);
    EXPECT_EQ(l.values.ReadBytes, 3);
    EXPECT_EQ(l.values.BramStartIndex, 255);
    EXPECT_EQ(l.values.FlashEndCmd, 0x80);
    EXPECT_EQ(l.values.AutoFlash, 1);
    EXPECT_EQ(l.values.BinName, "img");
}

TEST(LoadSettings, EmptyFirstLineIsStillTheSkippedLine) {
    const SettingsLoadResult l = Load("\n" + IniText(TypicalValues()).substr(std::string("[Info]\r\n").size()));
    ASSERT_EQ(l.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(l.values.AcpiPort, 0x62);
}

TEST(LoadSettings, AcpiPortIsAnyIntegerNotation) {
    const std::pair<const char*, int32_t> cases[] = {
        {"0x62", 0x62}, {"98", 0x62}, {"$62", 0x62}, {"0x13F0", 0x13F0}, {"-1", -1}, {"0x7FFFFFFF", INT32_MAX}};
    for (const auto& [text, port] : cases) {
        const SettingsLoadResult l = Load(IniText(With(0, text)));
        ASSERT_EQ(l.status, SettingsLoadStatus::Loaded) << text;
        EXPECT_EQ(l.values.AcpiPort, port) << text;
    }
}

TEST(LoadSettings, ByteFlagsBecomeOneWhileIntegersStayAsWritten) {
    std::vector<std::string> values = TypicalValues();
    values[1] = "2";     // FW VERSION SHOW
    values[2] = "7";     // HEX DISPLAY
    values[3] = "-4";    // Read Method
    values[4] = "9";     // IO
    values[5] = "0x10";  // BRAM BANK
    values[6] = "5";     // Read BYTES
    values[9] = "5";     // AutoFlash
    values[10] = "0";    // Warring Show
    values[11] = "-1";   // SilentRun
    values[13] = "2";    // Shutdown
    const SettingsLoadResult l = Load(IniText(values));
    ASSERT_EQ(l.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(l.values.FwVersionShow, 2);
    EXPECT_EQ(l.values.HexDisplay, 7);
    EXPECT_EQ(l.values.ReadMethod, 1);
    EXPECT_EQ(l.values.SioSelect, 1);
    EXPECT_EQ(l.values.BramBank, 1);
    EXPECT_EQ(l.values.ReadBytes, 5);
    EXPECT_EQ(l.values.AutoFlash, 1);
    EXPECT_EQ(l.values.WarningShow, 0);
    EXPECT_EQ(l.values.SilentRun, 1);
    EXPECT_EQ(l.values.Shutdown, 1);
}

TEST(LoadSettings, BinNameIsTheRawTextAfterTheLastEquals) {
    EXPECT_EQ(Load(IniText(With(12, ""))).values.BinName, "");
    EXPECT_EQ(Load(IniText(With(12, "a=b"))).values.BinName, "b");
    EXPECT_EQ(Load(IniText(With(12, " 12 "))).values.BinName, " 12 ");
}

TEST(LoadSettings, EveryLineEndReadsAlike) {
    // Files edited on systems that end lines in LF alone, in a mix, or with blanks left
    // around a number, or with lines after the last one, must give the very same record.
    std::string mixed;
    bool with_cr = false;
    for (char c : IniText(TypicalValues(), "\n")) {
        if (c == '\n' && (with_cr = !with_cr)) mixed += '\r';
        mixed += c;
    }
    std::vector<std::string> blanks = TypicalValues();
    blanks[0] = " 0x62 ";
    blanks[9] = "0\t";
    blanks[13] = "\t0  ";
    const std::pair<const char*, std::string> files[] = {
        {"CR LF", IniText(TypicalValues())},
        {"LF alone", IniText(TypicalValues(), "\n")},
        {"mixed", mixed},
        {"blanks around numbers", IniText(blanks)},
        {"lines after END", IniText(TypicalValues()) + "\r\nextra=1\r\nmore\nAutoFlash=x\n"},
        {"LF alone, no END", IniText(TypicalValues(), "\n").substr(0, IniText(TypicalValues(), "\n").size() - 3)},
        {"last line without line end", IniText(TypicalValues()).substr(0, IniText(TypicalValues()).rfind("\r\nEND"))},
    };
    for (const auto& [what, bytes] : files) {
        const SettingsLoadResult l = Load(bytes);
        ASSERT_EQ(l.status, SettingsLoadStatus::Loaded) << what << ": " << l.error;
        EXPECT_EQ(l.values, TypicalRecord()) << what;
    }
}

struct BadCase {
    const char* name;
    std::string text;
    std::string error;
    int values_read;
};

class BadSettingsFile : public testing::TestWithParam<BadCase> {};

TEST_P(BadSettingsFile, StopsAtTheValueAndIsNotMarkedLoaded) {
    const SettingsLoadResult l = Load(GetParam().text);
    EXPECT_EQ(l.status, SettingsLoadStatus::BadValue);
    EXPECT_EQ(l.error, GetParam().error);
    EXPECT_EQ(l.values_read, GetParam().values_read);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadSettingsFile, testing::Values(
    BadCase{"BlankInsideANumber", IniText(With(9, "1 0")), "'1 0' is not a valid integer value", 9},
    BadCase{"EmptyFile", "", "'' is not a valid integer value", 0},
    BadCase{"HeaderOnly", "[Info]\r\n", "'' is not a valid integer value", 0},
    BadCase{"FewerThanFifteenLines",
            IniText({"0x62", "1", "0", "1", "1", "1", "2", "0x20", "0x9A"}),
            "'' is not a valid integer value", 9},
    BadCase{"LettersInReadBytes", IniText(With(6, "two")), "'two' is not a valid integer value", 6},
    BadCase{"BlankOnlyValue", IniText(With(3, "  ")), "'  ' is not a valid integer value", 3},
    BadCase{"EmptyShutdownAfterBinName", IniText(With(13, "")), "'' is not a valid integer value", 13}),
    [](const testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(LoadSettings, FirstSevenValuesTakeEffectTogether) {
    // An error inside the first seven leaves none of them in effect, though they were read.
    SettingsLoadResult l = Load(IniText(With(5, "bank")));
    ASSERT_EQ(l.status, SettingsLoadStatus::BadValue);
    EXPECT_EQ(l.values.AcpiPort, 0x62);
    EXPECT_EQ(l.values.FwVersionShow, 1);
    EXPECT_EQ(SettingsInEffect(l), UiSettings{});

    // An error right after the seven, in BRAM Start index, leaves all seven in effect.
    l = Load(IniText(With(7, "x")));
    ASSERT_EQ(l.values_read, kValueReadBytes);
    EXPECT_EQ(SettingsInEffect(l).AcpiPort, 0x62);
    EXPECT_EQ(SettingsInEffect(l).ReadBytes, 2);

    // A later error keeps every field read so far in effect and zero for the rest.
    l = Load(IniText(With(10, "")));  // Warring Show
    ASSERT_EQ(l.status, SettingsLoadStatus::BadValue);
    const UiSettings in_effect = SettingsInEffect(l);
    EXPECT_EQ(in_effect.AcpiPort, 0x62);
    EXPECT_EQ(in_effect.ReadBytes, 2);
    EXPECT_EQ(in_effect.FlashEndCmd, 0x9A);
    EXPECT_EQ(in_effect.WarningShow, 0);
    EXPECT_EQ(in_effect.BinName, "");
}

TEST(LoadSettings, ProblemTextNamesTheValueAndWhatIsWrong) {
    EXPECT_EQ(SettingsProblemText(Load(IniText(With(13, "yes")))),
              "value 14 (Shutdown) 'yes' is not a valid integer value");
    EXPECT_EQ(SettingsProblemText(Load(IniText(With(10, "x")))),
              "value 11 (Warring Show) 'x' is not a valid integer value");
    // A name too long for one read spills into the value after it: say which line was cut.
    const SettingsLoadResult l = Load(IniText(With(12, std::string(600, 'n'))));
    ASSERT_EQ(l.status, SettingsLoadStatus::BadValue);
    EXPECT_EQ(l.cut_line_value, kValueBinName);
    // The rest of the name has no '=', so value 14 is empty.
    EXPECT_EQ(SettingsProblemText(l), "value 13 (BinName) line longer than 499 bytes, later values shifted; "
                                      "value 14 (Shutdown) '' is not a valid integer value");
}

TEST(LoadSettings, LineOver499BytesShiftsTheLaterValues) {
    // Value 8's line is cut after 499 bytes ("kkk...=0x20"); its remainder "=9" is read as
    // value 9, so every later value comes from the line before the one it names.
    std::string text = IniText(TypicalValues());
    const std::string needle = "BRAM Start index=0x20\r\n";
    text.replace(text.find(needle), needle.size(), std::string(494, 'k') + "=0x20" + "=9\r\n");
    const SettingsLoadResult l = Load(text);
    EXPECT_EQ(l.values.BramStartIndex, 0x20);
    EXPECT_EQ(l.values.FlashEndCmd, 9);
    EXPECT_EQ(l.values.AutoFlash, 1);  // from "FlashEnd CMD=0x9A"
    EXPECT_EQ(l.values.SilentRun, 1);  // from "Warring Show=1"
    EXPECT_EQ(l.values.BinName, "0");  // from "SilentRun=0"
    EXPECT_EQ(l.status, SettingsLoadStatus::BadValue);
    EXPECT_EQ(l.error, "'EC_IMAGE' is not a valid integer value");
    EXPECT_EQ(l.cut_line_value, kValueBramStartIndex);
}

TEST(LoadSettings, LineOver499BytesInBinNameShiftsIntoShutdown) {
    std::vector<std::string> values = TypicalValues();
    values[12] = std::string(491, 'n') + "Z=1";  // "BinName=" and 491 bytes fill one read
    const SettingsLoadResult l = Load(IniText(values));
    // The remainder "Z=1" is value 14; the real Shutdown line is never read.
    ASSERT_EQ(l.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(l.values.BinName, std::string(491, 'n'));
    EXPECT_EQ(l.values.Shutdown, 1);
}

TEST(LoadSettings, LineOfExactly499BytesAtTheEndIsNotCut) {
    std::string text = IniText(TypicalValues());
    text = text.substr(0, text.rfind("Shutdown=")) + "Shutdown=" + std::string(489, ' ') + "0";
    const SettingsLoadResult l = Load(text);
    ASSERT_EQ(l.status, SettingsLoadStatus::Loaded) << l.error;
    EXPECT_EQ(l.cut_line_value, 0);
}

TEST(LoadSettings, OnlyARegularFileIsRead) {
    TempDir dir;
    SettingsLoadResult l = LoadSettingsFile(dir.File("absent.ini").c_str());
    EXPECT_EQ(l.status, SettingsLoadStatus::CannotOpen);
    EXPECT_EQ(l.values, UiSettings{});

    const std::string directory = dir.File("dir.ini");
    std::filesystem::create_directory(directory);
    l = LoadSettingsFile(directory.c_str());
    EXPECT_EQ(l.status, SettingsLoadStatus::NotRegularFile);
    EXPECT_EQ(l.error, directory + " is a directory");
}

#ifndef _WIN32
TEST(LoadSettings, FifoAndDeviceAreRefusedAtOnceAndALinkIsFollowed) {
    // A FIFO with no writer would block the open; a device never ends. Both must be refused
    // at once, before a single byte is read.
    TempDir dir;
    const std::string fifo = dir.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string to_zero = dir.File("zero.ini");
    std::filesystem::create_symlink("/dev/zero", to_zero);
    const std::pair<std::string, std::string> refused[] = {
        {fifo, fifo + " is a FIFO"},
        {to_zero, to_zero + " is a character device"},
    };
    for (const auto& [path, error] : refused) {
        const SettingsLoadResult l = LoadSettingsFile(path.c_str());
        EXPECT_EQ(l.status, SettingsLoadStatus::NotRegularFile) << path;
        EXPECT_EQ(l.error, error);
        EXPECT_EQ(l.values_read, 0);
    }

    const std::string real = dir.File("real.ini");
    WriteBytes(real, IniText(TypicalValues()));
    const std::string link = dir.File("link.ini");
    std::filesystem::create_symlink(real, link);
    const SettingsLoadResult l = LoadSettingsFile(link.c_str());
    EXPECT_EQ(l.status, SettingsLoadStatus::Loaded);
    EXPECT_EQ(l.values, TypicalRecord());
}
#endif

}  // namespace
