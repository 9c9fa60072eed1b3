// SPDX-License-Identifier: GPL-3.0-or-later
// "Flash_log.txt" for the script that started an unattended run: one line, replaced in one
// step, never written through a link, and cleared so that no earlier outcome stands.

#include <gtest/gtest.h>

#include <stdlib.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>

#include "flash/flash_log.h"
#include "platform/atomic_file.h"

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

#ifndef _WIN32
// A "Fail" the disk does not take (here: beyond the file size limit) must not leave an earlier
// PASS standing: the old log goes, and standard error says so. In a child, for the limit.
TEST(FlashLogTest, AFailThatCannotBeWrittenRemovesTheEarlierPass) {
    std::string pattern = (fs::temp_directory_path() / "vantu-log-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    const std::string log = (dir / "Flash_log.txt").string();
    ASSERT_TRUE(WriteFlashLog(log.c_str(), true));
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit tiny{2, 2};
        ::setrlimit(RLIMIT_FSIZE, &tiny);
        std::freopen("/dev/null", "w", stderr);
        std::_Exit(WriteFlashLog(log.c_str(), false) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write did not fail";
    EXPECT_FALSE(fs::exists(log)) << Read(log);
    fs::remove_all(dir);
}
#endif

}  // namespace
