// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "scratch_dir.h"
#include "version/fw_version.h"

namespace {

// The record is a text file: its line ends in the platform's own way.
#ifdef _WIN32
const std::string kEol = "\r\n";
#else
const std::string kEol = "\n";
#endif

class VersionRecord : public testing::Test {
protected:
    std::string Recorded() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    testdir::ScratchDir scratch_{"vantu-version"};
    std::filesystem::path dir_ = scratch_.path();
    std::string path_ = scratch_.File("EC_version.txt");
};

TEST_F(VersionRecord, WholeTextAndOneLineEnd) {
    // Longer than ten bytes: the whole version is recorded, not its first ten bytes.
    ASSERT_TRUE(FW_WriteVersionFile(path_.c_str(), "255.255.255"));
    EXPECT_EQ(Recorded(), "255.255.255" + kEol);
}

TEST_F(VersionRecord, ReplacesTheEarlierRecord) {
    ASSERT_TRUE(FW_WriteVersionFile(path_.c_str(), "1 2 3 A B and more"));
    ASSERT_TRUE(FW_WriteVersionFile(path_.c_str(), kNoVersionText));
    EXPECT_EQ(Recorded(), "00000" + kEol);
}

TEST_F(VersionRecord, EmptyTextIsJustTheLineEnd) {
    ASSERT_TRUE(FW_WriteVersionFile(path_.c_str(), ""));
    EXPECT_EQ(Recorded(), kEol);
}

#ifndef _WIN32
// Links are a POSIX matter here: Windows gives them to administrators only.
TEST_F(VersionRecord, ALinkIsReplacedAndItsTargetNeverWritten) {
    const std::filesystem::path target = dir_ / "shared.txt";
    std::ofstream(target) << "someone else's file";
    std::filesystem::create_symlink(target, path_);
    ASSERT_TRUE(FW_WriteVersionFile(path_.c_str(), "1.10"));
    EXPECT_EQ(Recorded(), "1.10\n");
    EXPECT_FALSE(std::filesystem::is_symlink(path_));
    std::ifstream in(target, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "someone else's file");
}
#endif

TEST_F(VersionRecord, UnwritablePathIsReportedAndCreatesNothing) {
    EXPECT_FALSE(FW_WriteVersionFile((dir_ / "missing" / "EC_version.txt").string().c_str(), "1.10"));
    EXPECT_FALSE(FW_WriteVersionFile(dir_.string().c_str(), "1.10"));  // a directory
    EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

}  // namespace
