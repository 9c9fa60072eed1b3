// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <string>

#include "settings/settings_file.h"
#include "settings_test_util.h"

namespace {

using settings_test::IniText;
using settings_test::ReadBytes;
using settings_test::TempDir;
using settings_test::TypicalValues;
using settings_test::WriteBytes;

UiSettings Sample() {
    UiSettings s;
    s.AcpiPort = -1;
    s.FwVersionShow = 2;
    s.HexDisplay = 7;
    s.ReadMethod = 1;
    s.SioSelect = 0;
    s.BramBank = 1;
    s.ReadBytes = -3;
    s.BramStartIndex = 0xAB;
    s.FlashEndCmd = 0;
    s.AutoFlash = 1;
    s.WarningShow = 0;
    s.SilentRun = 1;
    s.BinName = "EC\xE9 image";
    s.Shutdown = 1;
    return s;
}

const char kSampleBytes[] =
    "[Info]\r\nACPI PORT=0xFFFFFFFF\r\nFW VERSION SHOW=2\r\nHEX DISPLAY=7\r\nRead Method=1\r\n"
    "IO=0\r\nBRAM BANK=1\r\nRead BYTES=-3\r\nBRAM Start index=0xAB\r\nFlashEnd CMD=0x0\r\n"
    "AutoFlash=1\r\nWarring Show=0\r\nSilentRun=1\r\nBinName=EC\xE9 image\r\nShutdown=1\r\nEND";

// Files in the directory other than the settings file: a temporary file must never remain.
int OtherFiles(const TempDir& dir, const std::string& keep) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        if (entry.path().filename() != keep) ++count;
    return count;
}

class SaveSettings : public testing::Test {
protected:
    TempDir dir_;
    std::string path_ = dir_.File("uiset.ini");
};

TEST_F(SaveSettings, WritesTheSixteenLinesExactly) {
    ASSERT_TRUE(SaveSettingsFile(path_.c_str(), Sample(), true));
    EXPECT_EQ(ReadBytes(path_), kSampleBytes);
    EXPECT_EQ(OtherFiles(dir_, "uiset.ini"), 0);
}

TEST_F(SaveSettings, RoundTripGivesTheSameRecordAndTheSameBytes) {
    ASSERT_TRUE(SaveSettingsFile(path_.c_str(), Sample(), true));
    const std::string first = ReadBytes(path_);

    UiSettings loaded;
    const SettingsLoadResult read = LoadSettingsFile(path_.c_str());
    ASSERT_EQ(read.status, SettingsLoadStatus::Loaded);
    loaded = read.values;
    EXPECT_EQ(loaded, Sample());

    ASSERT_TRUE(SaveSettingsFile(path_.c_str(), loaded, true));
    EXPECT_EQ(ReadBytes(path_), first);
}

TEST_F(SaveSettings, ReadThenWrittenFileIsNormalised) {
    // Flags are stored as 0/1 and hexadecimal lines are written as "0x%X".
    std::vector<std::string> values = TypicalValues();
    values[0] = "98";
    values[2] = "7";
    values[9] = "5";
    WriteBytes(path_, IniText(values));
    UiSettings loaded;
    const SettingsLoadResult read = LoadSettingsFile(path_.c_str());
    ASSERT_EQ(read.status, SettingsLoadStatus::Loaded);
    loaded = read.values;
    ASSERT_TRUE(SaveSettingsFile(path_.c_str(), loaded, true));
    values[0] = "0x62";
    values[9] = "1";
    EXPECT_EQ(ReadBytes(path_), IniText(values));
}

TEST_F(SaveSettings, FileWithBadValueStaysByteIdentical) {
    // A half-read record must never be written over the file it came from.
    std::string bad = IniText(TypicalValues());
    bad.replace(bad.find("AutoFlash=0"), 11, "AutoFlash=no");
    WriteBytes(path_, bad);
    const SettingsLoadResult read = LoadSettingsFile(path_.c_str());
    ASSERT_EQ(read.status, SettingsLoadStatus::BadValue);
    const bool loaded = read.status == SettingsLoadStatus::Loaded;
    EXPECT_FALSE(SaveSettingsFile(path_.c_str(), read.values, loaded));
    EXPECT_EQ(ReadBytes(path_), bad);
    EXPECT_FALSE(SaveSettingsFile(dir_.File("new.ini").c_str(), read.values, loaded));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("new.ini")));
}

TEST_F(SaveSettings, FailedWriteLeavesOldFileAndNoTemporary) {
    // Tests run as root, so permissions cannot make a write fail: use paths no file can take.
    EXPECT_FALSE(SaveSettingsFile(dir_.File("missing-dir/uiset.ini").c_str(), Sample(), true));

    std::filesystem::create_directory(path_);  // the target is a directory
    WriteBytes(path_ + "/inside", "kept");
    EXPECT_FALSE(SaveSettingsFile(path_.c_str(), Sample(), true));
    EXPECT_TRUE(std::filesystem::is_directory(path_));
    EXPECT_EQ(ReadBytes(path_ + "/inside"), "kept");
    EXPECT_EQ(OtherFiles(dir_, "uiset.ini"), 0);
}

// Owners and permission bits are POSIX's; Windows keeps a replaced file's own settings.
#ifndef _WIN32
TEST_F(SaveSettings, ReplacesTheOldFileAndKeepsItsPermissions) {
    WriteBytes(path_, "old contents that are longer than nothing");
    ::chmod(path_.c_str(), 0640);
    ASSERT_TRUE(SaveSettingsFile(path_.c_str(), Sample(), true));
    EXPECT_EQ(ReadBytes(path_), kSampleBytes);
    struct stat st;
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(SaveSettings, FileReachedThroughALinkIsRewrittenWhereItLives) {
    const std::string real = dir_.File("shared.ini");
    WriteBytes(real, "old");
    ::chown(real.c_str(), 1234, 5678);
    std::filesystem::create_symlink(real, path_);
    ASSERT_TRUE(SaveSettingsFile(path_.c_str(), Sample(), true));
    EXPECT_TRUE(std::filesystem::is_symlink(path_));
    EXPECT_EQ(ReadBytes(real), kSampleBytes);
    struct stat st;
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    if (::geteuid() == 0) {  // only root can keep another owner's file theirs
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 5678u);
    }
}
#endif

TEST_F(SaveSettings, FileAlreadyHoldingTheTextIsNotRewritten) {
    // Every exit saves the settings: a file that would not change must not be written. A
    // time stamp set far back shows whether it was.
    namespace fs = std::filesystem;
    ASSERT_TRUE(SaveSettingsFile(path_.c_str(), Sample(), true));
    fs::last_write_time(path_, fs::file_time_type::clock::now() - std::chrono::hours(24 * 365));
    // Read back: a file system keeps its own precision (100 ns on Windows).
    const fs::file_time_type long_ago = fs::last_write_time(path_);
    ASSERT_TRUE(SaveSettingsFile(path_.c_str(), Sample(), true));
    EXPECT_EQ(fs::last_write_time(path_), long_ago);
    EXPECT_EQ(OtherFiles(dir_, "uiset.ini"), 0);

    // One byte of difference, or the same bytes plus more, and the file is written.
    UiSettings changed = Sample();
    changed.Shutdown = 0;
    ASSERT_TRUE(SaveSettingsFile(path_.c_str(), changed, true));
    EXPECT_NE(fs::last_write_time(path_), long_ago);
    WriteBytes(path_, ReadBytes(path_) + "\r\n");
    ASSERT_TRUE(SaveSettingsFile(path_.c_str(), changed, true));
    EXPECT_EQ(ReadBytes(path_).size(), sizeof kSampleBytes - 1);
}

TEST_F(SaveSettings, LineBreakInBinNameCannotSplitTheFile) {
    // A name read from an LF-only line keeps its LF; written as-is it would add a line and
    // the next load would fail on a shifted value.
    UiSettings s = Sample();
    s.BinName = "image\n";
    ASSERT_TRUE(SaveSettingsFile(path_.c_str(), s, true));
    UiSettings loaded;
    const SettingsLoadResult read = LoadSettingsFile(path_.c_str());
    ASSERT_EQ(read.status, SettingsLoadStatus::Loaded);
    loaded = read.values;
    EXPECT_EQ(loaded.BinName, "image");
    EXPECT_EQ(loaded.Shutdown, 1);
}

TEST_F(SaveSettings, LongestBinNameRoundTripsAndALongerOneIsNotWritten) {
    UiSettings s = Sample();
    s.BinName = std::string(kMaxBinNameBytes, 'n');
    ASSERT_TRUE(SaveSettingsFile(path_.c_str(), s, true));
    UiSettings loaded;
    const SettingsLoadResult read = LoadSettingsFile(path_.c_str());
    ASSERT_EQ(read.status, SettingsLoadStatus::Loaded);
    loaded = read.values;
    EXPECT_EQ(loaded, s);

    // One byte more and the name's line would be read as two: keep the file that loads.
    const std::string before = ReadBytes(path_);
    s.BinName += 'n';
    EXPECT_FALSE(SaveSettingsFile(path_.c_str(), s, true));
    EXPECT_EQ(ReadBytes(path_), before);
}

}  // namespace
