#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "version/fw_version.h"

namespace {

class VersionRecord : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantu-version-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = (dir_ / "EC_version.txt").string();
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string Recorded() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::path dir_;
    std::string path_;
};

TEST_F(VersionRecord, WholeTextAndOneLineEnd) {
    // Longer than ten bytes: the whole version is recorded, not its first ten bytes.
    ASSERT_TRUE(FW_WriteVersionFile(path_.c_str(), "255.255.255"));
    EXPECT_EQ(Recorded(), "255.255.255\n");
}

TEST_F(VersionRecord, ReplacesTheEarlierRecord) {
    ASSERT_TRUE(FW_WriteVersionFile(path_.c_str(), "1 2 3 A B and more"));
    ASSERT_TRUE(FW_WriteVersionFile(path_.c_str(), kNoVersionText));
    EXPECT_EQ(Recorded(), "00000\n");
}

TEST_F(VersionRecord, EmptyTextIsJustTheLineEnd) {
    ASSERT_TRUE(FW_WriteVersionFile(path_.c_str(), ""));
    EXPECT_EQ(Recorded(), "\n");
}

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

TEST_F(VersionRecord, UnwritablePathIsReportedAndCreatesNothing) {
    EXPECT_FALSE(FW_WriteVersionFile((dir_ / "missing" / "EC_version.txt").c_str(), "1.10"));
    EXPECT_FALSE(FW_WriteVersionFile(dir_.c_str(), "1.10"));  // a directory
    EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

}  // namespace
