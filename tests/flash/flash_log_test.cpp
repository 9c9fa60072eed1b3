// "Flash_log.txt" for the script that started an unattended run: one line, replaced in one
// step, never written through a link, and cleared so that no earlier outcome stands.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "flash/flash_log.h"
#include "hw/atomic_file.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FlashLogTest, OutcomeReplacesTheLogAndNeverWritesThroughALink) {
    std::string pattern = (fs::temp_directory_path() / "vantu-log-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    const std::string log = (dir / "Flash_log.txt").string();

    ASSERT_TRUE(WriteFlashLog(log.c_str(), true));
    EXPECT_EQ(Read(log), std::string("PASS") + kTextLineEnd);
    ASSERT_TRUE(WriteFlashLog(log.c_str(), false));
    EXPECT_EQ(Read(log), std::string("Fail") + kTextLineEnd);

    std::ofstream(dir / "elsewhere.txt") << "not a log";
    fs::remove(log);
    fs::create_symlink(dir / "elsewhere.txt", log);
    ASSERT_TRUE(WriteFlashLog(log.c_str(), true));
    EXPECT_EQ(Read(dir / "elsewhere.txt"), "not a log");
    EXPECT_EQ(Read(log), std::string("PASS") + kTextLineEnd);

    fs::remove_all(dir);
}

}  // namespace
