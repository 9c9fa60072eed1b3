// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing result files in one step: the entry named is replaced, a link there is never
// written through, and a write that fails anywhere leaves the old file and no temporary.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/atomic_file.h"

namespace {
// A disk that takes every write and reports the error only when the data is synced.
bool g_sync_fails = false;
}  // namespace

// Stands in for the C library's fsync within this program; the replacement's sync comes here.
extern "C" int fsync(int fd) {
    if (g_sync_fails) {
        errno = EIO;
        return -1;
    }
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    return real(fd);
}

namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantu-atomic-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string In(const char* name) const { return (dir_ / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    // Every entry of the directory, so that a temporary file left behind shows.
    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
        return names;
    }

    fs::path dir_;
};

TEST_F(AtomicFileTest, CreatesAndReplacesWithExactlyTheBytes) {
    ASSERT_TRUE(ReplaceFileAtomically(In("log.txt"), "first, longer text\n"));
    ASSERT_TRUE(ReplaceFileAtomically(In("log.txt"), std::string("PASS\n\0x", 7)));
    EXPECT_EQ(Read(In("log.txt")), std::string("PASS\n\0x", 7));
    EXPECT_EQ(Entries(), (std::set<std::string>{"log.txt"}));
}

TEST_F(AtomicFileTest, ALinkIsReplacedItselfAndItsTargetNeverWritten) {
    Write(In("target.txt"), "the target's own bytes");
    fs::create_symlink(In("target.txt"), In("live.txt"));
    fs::create_symlink(In("missing.txt"), In("dangling.txt"));

    ASSERT_TRUE(ReplaceFileAtomically(In("live.txt"), "new\n"));
    ASSERT_TRUE(ReplaceFileAtomically(In("dangling.txt"), "new\n"));

    EXPECT_EQ(Read(In("target.txt")), "the target's own bytes");
    EXPECT_FALSE(fs::exists(In("missing.txt")));  // a dangling link never creates its target
    for (const char* name : {"live.txt", "dangling.txt"}) {
        EXPECT_FALSE(fs::is_symlink(In(name))) << name;
        EXPECT_EQ(Read(In(name)), "new\n") << name;
    }
}

TEST_F(AtomicFileTest, ARegularFilePassesItsModeOn) {
    Write(In("kept.txt"), "old");
    fs::permissions(In("kept.txt"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(ReplaceFileAtomically(In("kept.txt"), "new"));
    EXPECT_EQ(fs::status(In("kept.txt")).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// The write runs in a child, as an unprivileged user when the test runs as root (root
// writes anywhere), so that the directory's permissions really refuse it.
TEST_F(AtomicFileTest, UnwritableDirectoryLeavesTheOldFileAndNoTemporary) {
    Write(In("log.txt"), "old outcome\n");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        ::_exit(ReplaceFileAtomically(In("log.txt"), "new outcome\n") ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);  // reported as failed
    EXPECT_EQ(Read(In("log.txt")), "old outcome\n");
    EXPECT_EQ(Entries(), (std::set<std::string>{"log.txt"}));
}

// A disk that fills up part-way: the file size limit makes the write itself fail.
TEST_F(AtomicFileTest, AWriteThatFailsPartWayLeavesTheOldFileAndNoTemporary) {
    Write(In("dump.bin"), "old dump");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
        ::_exit(ReplaceFileAtomically(In("dump.bin"), std::string(65536, 'x')) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Read(In("dump.bin")), "old dump");
    EXPECT_EQ(Entries(), (std::set<std::string>{"dump.bin"}));
}

// The bytes never reached the disk: the old file must stand, and the replacement be reported
// as failed, though every write looked taken.
TEST_F(AtomicFileTest, ASyncThatFailsLeavesTheOldFileAndNoTemporary) {
    Write(In("Flash_log.txt"), "old outcome\n");
    g_sync_fails = true;
    const bool replaced = ReplaceFileAtomically(In("Flash_log.txt"), "PASS\r\n");
    g_sync_fails = false;
    EXPECT_FALSE(replaced);
    EXPECT_EQ(Read(In("Flash_log.txt")), "old outcome\n");
    EXPECT_EQ(Entries(), (std::set<std::string>{"Flash_log.txt"}));
}

TEST_F(AtomicFileTest, ReplacementFailsWhereNoFileCanStand) {
    fs::create_directories(In("busy") + std::string("/inner"));
    EXPECT_FALSE(ReplaceFileAtomically(In("busy"), "x"));            // a directory is never replaced
    EXPECT_FALSE(ReplaceFileAtomically(In("nowhere/log.txt"), "x"));  // no such directory
    EXPECT_FALSE(ReplaceFileAtomically("", "x"));
    EXPECT_TRUE(fs::is_directory(In("busy") + std::string("/inner")));
    EXPECT_EQ(Entries(), (std::set<std::string>{"busy"}));
}

TEST_F(AtomicFileTest, StagedReplacementAppearsOnlyAtCommit) {
    Write(In("LoadRom.bin"), "earlier dump");
    {
        StagedReplacement abandoned(In("LoadRom.bin"));
        ASSERT_TRUE(abandoned.ready());
        ASSERT_TRUE(abandoned.Append("half a read"));
        EXPECT_EQ(Read(In("LoadRom.bin")), "earlier dump");
    }
    EXPECT_EQ(Entries(), (std::set<std::string>{"LoadRom.bin"}));
    EXPECT_EQ(Read(In("LoadRom.bin")), "earlier dump");

    StagedReplacement completed(In("LoadRom.bin"));
    ASSERT_TRUE(completed.Append("whole "));
    // A writer given the stream over the same descriptor adds to the same file.
    ASSERT_NE(completed.stream(), nullptr);
    std::fputs("read", completed.stream());
    ASSERT_TRUE(completed.Commit());
    EXPECT_EQ(Read(In("LoadRom.bin")), "whole read");
    EXPECT_EQ(Entries(), (std::set<std::string>{"LoadRom.bin"}));
    EXPECT_FALSE(completed.Commit());  // once only
}

}  // namespace
