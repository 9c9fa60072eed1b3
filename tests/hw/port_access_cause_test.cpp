// SPDX-License-Identifier: GPL-3.0-or-later
// Why port access was refused: each cause gets its line with what to do, from the facts a
// process can see, and IO_Open prints them beside the fixed text.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>

#include "hw/port_access_cause.h"
#include "hw/port_io.h"
#include "sim/in_process.h"

namespace {

using Kind = PortOpenFailure::Kind;

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

TEST(PortAccessCauseTest, EachCauseNamesItselfAndWhatToDo) {
    struct Case {
        const char* what;
        PortAccessFacts facts;
        std::vector<const char*> present;
        std::vector<const char*> absent;
    };
    const Case cases[] = {
        {"library missing", {{Kind::LibraryMissing, "libinpout32.so: cannot open shared object file", "", {}}, "", true, true},
         {"could not be loaded (libinpout32.so: cannot open shared object file)", "reinstall"}, {"root"}},
        {"entry missing", {{Kind::EntryMissing, "", "Out32", {}}, "", true, true},
         {"lacks the entry point Out32", "reinstall"}, {}},
        {"not root, errno EPERM", {{Kind::DriverRefused, "", "", EPERM}, "none", false, false},
         {"not root and lacks CAP_SYS_RAWIO", "sudo"}, {"locked down", "cannot see"}},
        {"not root, no errno entry", {{Kind::DriverRefused, "", "", {}}, "", false, false},
         {"not root and lacks CAP_SYS_RAWIO"}, {"locked down"}},
        {"root, locked down", {{Kind::DriverRefused, "", "", EPERM}, "integrity", true, true},
         {"locked down (integrity)", "Secure Boot", "iomem=relaxed does not help"}, {"not root", "cannot see"}},
        {"not root and locked down", {{Kind::DriverRefused, "", "", {}}, "confidentiality", false, false},
         {"not root and lacks CAP_SYS_RAWIO", "locked down (confidentiality)"}, {}},
        {"kernel without iopl", {{Kind::DriverRefused, "", "", ENOSYS}, "none", true, false},
         {"no iopl/ioperm", "ENOSYS", "CONFIG_X86_IOPL_IOPERM"}, {"not root", "locked down"}},
        {"kernel without iopl, not root", {{Kind::DriverRefused, "", "", ENOSYS}, "none", false, false},
         {"no iopl/ioperm"}, {"not root"}},
        {"another errno", {{Kind::DriverRefused, "", "", EIO}, "none", true, false},
         {"refused port access", "errno 5"}, {"not root", "cannot see"}},
        {"capability instead of root", {{Kind::DriverRefused, "", "", EPERM}, "none", false, true},
         {"cannot see"}, {"not root"}},
        {"nothing known", {{Kind::DriverRefused, "", "", {}}, "", true, true}, {"cannot see", "root", "Secure Boot"}, {}},
        {"root without the capability", {{Kind::DriverRefused, "", "", EPERM}, "none", true, false},
         {"runs as root but lacks CAP_SYS_RAWIO"}, {"not root", "cannot see"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = Joined(PortAccessCauses(c.facts));
        for (const char* part : c.present) EXPECT_NE(text.find(part), std::string::npos) << part << " in\n" << text;
        for (const char* part : c.absent) EXPECT_EQ(text.find(part), std::string::npos) << part << " in\n" << text;
    }
}

TEST(PortAccessCauseTest, LockdownModeIsTheBracketedWord) {
    EXPECT_EQ(SelectedLockdownMode("[none] integrity confidentiality"), "none");
    EXPECT_EQ(SelectedLockdownMode("none integrity [confidentiality]"), "confidentiality");
    EXPECT_EQ(SelectedLockdownMode("none integrity confidentiality"), "");
    EXPECT_EQ(SelectedLockdownMode(""), "");
}

class PortOpenCauseTest : public ::testing::Test {
protected:
    void SetUp() override { std::ofstream(lockdown_) << "none integrity [confidentiality]\n"; }
    void TearDown() override { std::remove(lockdown_.c_str()); }

    // IO_Open against a simulated library whose driver refuses; what it printed to stderr.
    std::string RefusedOpen(std::optional<int> driver_errno, const std::string& lockdown_path) {
        sim::Config config;
        config.driver_open = false;
        config.driver_errno = driver_errno;
        sim::Device device(config);
        sim::InProcess seam(device);
        ScopedLockdownPath lockdown(lockdown_path);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_FALSE(IO_Open());
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), kPortLibraryFailText) << "the fixed text stays as it is";
        return err;
    }

    std::string lockdown_ = ::testing::TempDir() + "vantu_lockdown_" + std::to_string(::getpid());
};

TEST_F(PortOpenCauseTest, ErrnoEntryAndLockdownFileReachStandardError) {
    const std::string no_iopl = RefusedOpen(ENOSYS, "/nonexistent/lockdown");
    EXPECT_EQ(no_iopl.rfind("vantu: ", 0), 0u) << no_iopl;
    EXPECT_NE(no_iopl.find("no iopl/ioperm"), std::string::npos) << no_iopl;
    EXPECT_EQ(no_iopl.find("locked down"), std::string::npos) << no_iopl;

    // A library without the errno entry: the lockdown file still tells.
    const std::string locked = RefusedOpen(std::nullopt, lockdown_);
    EXPECT_NE(locked.find("locked down (confidentiality)"), std::string::npos) << locked;
    EXPECT_EQ(locked.find("no iopl/ioperm"), std::string::npos) << locked;
}

}  // namespace
