// SPDX-License-Identifier: GPL-3.0-or-later
// The runner of the restart command: the command is found on PATH and nowhere else, gets its
// arguments exactly, and is waited for. A harmless stub stands in; nothing here is named
// like a command that could restart the machine.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "flash/restart.h"
#include "scratch_dir.h"
#include "test_env.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kStubName = "vantu-test-command";

class RunCommandTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_.path() / "bin");
        fs::create_directories(dir_.path() / "work");
        testenv::Set("VANTU_STUB_LOG", dir_.File("log.txt"));
    }
    void TearDown() override {
        fs::current_path(previous_dir_);
        testenv::Unset("VANTU_STUB_LOG");
    }
    // A copy of the stub under the command's name in `where`, inside the scratch directory.
    void PlaceStub(const std::string& where) {
        const fs::path stub(COMMAND_STUB_PATH);
        fs::copy_file(stub, dir_.path() / where / (kStubName + stub.extension().string()));
    }
    std::string Log() const {
        std::ifstream in(dir_.File("log.txt"), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    testdir::ScratchDir dir_{"vantu-command"};
    fs::path previous_dir_ = fs::current_path();
};

TEST_F(RunCommandTest, CommandOnPathGetsItsArgumentsExactlyAndIsWaitedFor) {
    PlaceStub("bin");
    testenv::ScopedPathPrefix path(dir_.File("bin"));
    const std::vector<std::string> argv = {kStubName, "-r", "two words", "say \"hi\"", "ends in\\", ""};
    ASSERT_TRUE(RunCommandAndWait(argv));
    // The log is complete on return: the command was waited for.
    EXPECT_EQ(Log(), "-r\ntwo words\nsay \"hi\"\nends in\\\n\n");
}

TEST_F(RunCommandTest, CommandOffPathIsNotRunEvenInTheWorkingDirectory) {
    // A file of that name beside an image must never run in place of the system's command.
    PlaceStub("work");
    fs::current_path(dir_.path() / "work");
    EXPECT_FALSE(RunCommandAndWait({kStubName, "-r"}));
    EXPECT_FALSE(RunCommandAndWait({"vantu-no-such-command"}));
    EXPECT_EQ(Log(), "");
}

}  // namespace
