// SPDX-License-Identifier: GPL-3.0-or-later
// The drop-in port library, loaded as a program loads it, in a child process each time so
// every load reads its configuration afresh. The child is GoogleTest's death-test child: a
// fork, or on Windows a fresh run of this program that goes straight to the same statement.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "hw/port_io.h"
#include "platform/library_loader.h"
#include "scratch_dir.h"
#include "test_env.h"

namespace {

struct Library {
    LoadedLibrary loaded;
    decltype(PortIoEntries::out32) out32 = nullptr;
    decltype(PortIoEntries::inp32) inp32 = nullptr;
    decltype(PortIoEntries::is_driver_open) is_driver_open = nullptr;

    bool Load() {
        auto path = std::filesystem::path(SIM_LIBRARY_DIR) / kPortLibraryName;
        if (!loaded.Load(path.make_preferred().string().c_str())) return false;
        out32 = reinterpret_cast<decltype(out32)>(loaded.Symbol("Out32"));
        inp32 = reinterpret_cast<decltype(inp32)>(loaded.Symbol("Inp32"));
        is_driver_open = reinterpret_cast<decltype(is_driver_open)>(loaded.Symbol("IsInpOutDriverOpen"));
        return out32 && inp32 && is_driver_open;
    }
    void Out(int port, int value) { out32(static_cast<short>(port), static_cast<short>(value)); }
    int In(int port) { return inp32(static_cast<short>(port)) & 0xFF; }
    // A device that never answers ends the child with status 91 rather than hanging it.
    void Await(int mask, int wanted) {
        for (int i = 0; i < 100000; ++i) {
            if ((In(0x3F4) & mask) == wanted) return;
        }
        std::exit(91);
    }
    void Cmd(int value) {
        Await(0x02, 0);
        Out(0x3F4, value);
    }
    int Read() {
        Await(0x01, 0x01);
        return In(0x3F0);
    }
};

class PortLibraryTest : public ::testing::Test {
protected:
    std::string Temp(const std::string& name) { return scratch_.File(name); }
    void WriteConfig(const std::string& text) { std::ofstream(config_) << text; }
    static std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Runs `body` in a child with a freshly loaded library configured by `config_` (or by
    // nothing); true when the child ended through exit() with `status`.
    bool ChildExits(int status, bool with_config, const std::function<int(Library&)>& body) {
        EXPECT_EXIT(std::exit(RunWithLibrary(with_config, body)), ::testing::ExitedWithCode(status), "");
        return !HasFailure();
    }
    int RunWithLibrary(bool with_config, const std::function<int(Library&)>& body) {
        if (with_config) {
            testenv::Set("VANTU_SIM_CONFIG", config_);
        } else {
            testenv::Unset("VANTU_SIM_CONFIG");
        }
        // Without the capture every check of the library's messages would read an empty file.
        if (std::freopen(stderr_.c_str(), "w", stderr) == nullptr) return 92;
        Library library;
        if (!library.Load()) return 90;
        return body(library);
    }
    testdir::ScratchDir scratch_{"vantu-sim-library", "VANTU_TEST_SCRATCH"};
    std::string config_ = Temp("config.cfg");
    std::string stderr_ = Temp("stderr.txt");
};

int ChipId(Library& library) {
    for (int value : {0x87, 0x01, 0x55, 0x55}) library.Out(0x2E, value);
    library.Out(0x2E, 0x20);
    const int high = library.In(0x2F);
    library.Out(0x2E, 0x21);
    return high << 8 | library.In(0x2F);
}

TEST_F(PortLibraryTest, WithoutConfigurationItIsTheDefaultDevice) {
    EXPECT_TRUE(ChildExits(0, false, [](Library& library) {
        return library.is_driver_open() == 1 && ChipId(library) == 0x8987 ? 0 : 1;
    }));
}

TEST_F(PortLibraryTest, ConfigurationChoosesTheDeviceAndTheDriverAnswer) {
    WriteConfig("chip_id=0x5A3C\ndriver_open=0\n");
    EXPECT_TRUE(ChildExits(0, true, [](Library& library) {
        return library.is_driver_open() == 0 && ChipId(library) == 0x5A3C ? 0 : 1;
    }));
}

TEST_F(PortLibraryTest, BadConfigurationRefusesTheDriverWithAMessage) {
    WriteConfig("chip_id=0x5A3C\nno_such_key=1\n");
    EXPECT_TRUE(ChildExits(0, true, [](Library& library) { return library.is_driver_open(); }));
    EXPECT_NE(Slurp(stderr_).find("unknown key 'no_such_key'"), std::string::npos) << Slurp(stderr_);
}

TEST_F(PortLibraryTest, TraceFileListsEcCommandsAndSpiTransactions) {
    WriteConfig("trace_file=" + Temp("trace.txt") + "\nflash_file=" + Temp("flash.bin") +
                "\nflash_size=65536\ninitial_status=0\n");
    const bool exited = ChildExits(0, true, [](Library& library) {
        library.Cmd(0x85);
        library.Cmd(0xDC);
        library.Read();
        library.Cmd(1);  // read the ID
        library.Cmd(2);
        library.Cmd(0x9F);
        for (int i = 0; i < 4; ++i) {
            library.Cmd(4);
            library.Read();
        }
        library.Cmd(1);  // write enable, ended by the next select
        library.Cmd(2);
        library.Cmd(0x06);
        library.Cmd(1);  // program two bytes at 0x000102
        library.Cmd(2);
        library.Cmd(0x02);
        for (int value : {0x00, 0x01, 0x02, 0xAB, 0xCD}) {
            library.Cmd(3);
            library.Cmd(value);
        }
        library.Cmd(5);
        library.Cmd(0xFC);
        return 0;  // exit() writes out the trace
    });
    ASSERT_TRUE(exited);
    std::istringstream lines(Slurp(Temp("trace.txt")));
    std::vector<std::string> trace;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();  // a text file ends lines in CR LF on Windows
        trace.push_back(line);
    }
    EXPECT_EQ(trace, (std::vector<std::string>{
                         "EC 85",
                         "EC DC follow ack=33",
                         "SPI 9F out=0 in=4 < EF 40 16 EF",
                         "SPI 06 out=0 in=0",
                         "SPI 02 out=5 in=0 > 00 01 02 AB CD",
                         "END FC",
                     }));
    const std::string flash = Slurp(Temp("flash.bin"));
    ASSERT_EQ(flash.size(), 65536u);
    EXPECT_EQ(static_cast<uint8_t>(flash[0x102]), 0xAB);
    EXPECT_EQ(static_cast<uint8_t>(flash[0x103]), 0xCD);
}

#ifndef _WIN32
// The entry only the Linux library has.
TEST_F(PortLibraryTest, ErrnoEntryAnswersTheConfiguredErrnoOrNotKnown) {
    const auto errno_answer = [](Library& library) {
        const auto entry = reinterpret_cast<int (*)()>(library.loaded.Symbol("PortAccessErrno"));
        return entry == nullptr ? 99 : entry() < 0 ? 98 : entry();
    };
    WriteConfig("driver_open=0\ndriver_errno=38\n");
    EXPECT_TRUE(ChildExits(38, true, errno_answer));
    WriteConfig("driver_open=0\n");
    EXPECT_TRUE(ChildExits(98, true, errno_answer));
}
#endif

TEST_F(PortLibraryTest, OnlyTheEntryPointsAreExported) {
    EXPECT_TRUE(ChildExits(0, false, [](Library& library) {
        return library.loaded.Symbol("_ZN3sim6Device2InEt") == nullptr &&
                       library.loaded.Symbol("_ZN3sim14LoadConfigFileERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEERNS_6ConfigERS6_") == nullptr
                   ? 0
                   : 1;
    }));
}

}  // namespace
