// SPDX-License-Identifier: GPL-3.0-or-later
// What vantu-cli writes lands only in the file it was asked for: never through a device node,
// a FIFO, a socket or a link, and never into a file that took a closed standard descriptor.

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "cli_dir.h"

namespace {

namespace fs = std::filesystem;
using cli_test::CliDir;

bool MakeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= sizeof address.sun_path) return false;
    path.copy(address.sun_path, path.size());
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);  // the socket file stays
    return bound;
}

TEST(CliWriteTarget, ReadRefusesEveryTargetThatIsNoRegularFileAndLeavesItAsItWas) {
    CliDir dir("targets");
    dir.Sim("chip=winbond");
    dir.Write("kept.bin", "kept");
    struct Case {
        const char* name;
        bool (*make)(const std::string& path, const std::string& kept);
    };
    const Case cases[] = {
        {"device", [](const std::string& path, const std::string&) {
             // The null device's numbers: harmless even if something wrote to it.
             return ::getuid() == 0 && ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
         }},
        {"fifo", [](const std::string& path, const std::string&) { return ::mkfifo(path.c_str(), 0666) == 0; }},
        {"socket", [](const std::string& path, const std::string&) { return MakeSocket(path); }},
        {"link", [](const std::string& path, const std::string& kept) { return ::symlink(kept.c_str(), path.c_str()) == 0; }},
        {"directory", [](const std::string& path, const std::string&) { return ::mkdir(path.c_str(), 0755) == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.Path(c.name);
        if (!c.make(path, dir.Path("kept.bin"))) {
            ASSERT_STREQ(c.name, "device") << "could not make the " << c.name;
            continue;  // device nodes need root
        }
        struct stat before {};
        ASSERT_EQ(::lstat(path.c_str(), &before), 0);
        const ProcessResult run = dir.Run({"read", "--size", "64K", c.name});
        EXPECT_EQ(run.exit_status, 2) << run.err;
        EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << run.err;
        struct stat after {};
        ASSERT_EQ(::lstat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(dir.Read("kept.bin"), "kept");
    }
    EXPECT_TRUE(dir.Trace().empty()) << "the EC was touched";
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
}

TEST(CliWriteTarget, ReadWithStandardOutputAndErrorClosedWritesOnlyTheFlash) {
    CliDir dir("closed-fds");
    dir.Sim("chip=winbond");
    // The shell closes descriptors 1 and 2 and then becomes vantu-cli.
    ProcessLaunch launch = dir.Launch({"read", "--size", "128K", "out.bin"});
    launch.args.insert(launch.args.begin(), {"-c", "exec \"$0\" \"$@\" >&- 2>&-", launch.program});
    launch.program = "/bin/sh";
    const ProcessResult run = RunProcess(launch);
    EXPECT_EQ(run.exit_status, 0);
    std::vector<uint8_t> flash = dir.Flash();
    flash.resize(128 * 1024);
    EXPECT_TRUE(dir.ReadBytes("out.bin") == flash) << "the dump differs from the flash";
}

}  // namespace
