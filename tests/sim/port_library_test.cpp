// The drop-in port library, loaded as a program loads it, in a child process each time so
// every load reads its configuration afresh.

#include <unistd.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"

namespace {

struct Library {
    void* handle = nullptr;
    void (*out32)(short, short) = nullptr;
    short (*inp32)(short) = nullptr;
    int (*is_driver_open)() = nullptr;

    bool Load() {
        handle = ::dlopen(SIM_LIBRARY_DIR "/libinpout32.so", RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return false;
        out32 = reinterpret_cast<void (*)(short, short)>(::dlsym(handle, "Out32"));
        inp32 = reinterpret_cast<short (*)(short)>(::dlsym(handle, "Inp32"));
        is_driver_open = reinterpret_cast<int (*)()>(::dlsym(handle, "IsInpOutDriverOpen"));
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
    std::string Temp(const std::string& name) { return ::testing::TempDir() + "sim_library_test_" + std::to_string(::getpid()) + "_" + name; }
    void WriteConfig(const std::string& text) { std::ofstream(config_) << text; }
    static std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Runs `body` with a freshly loaded library configured by `config_` (or by nothing).
    int RunWithLibrary(bool with_config, const std::function<int(Library&)>& body) {
        return simtest::RunInChild([&] {
            if (with_config) {
                ::setenv("VANTU_SIM_CONFIG", config_.c_str(), 1);
            } else {
                ::unsetenv("VANTU_SIM_CONFIG");
            }
            // Without the capture every check of the library's messages would read an empty file.
            if (std::freopen(stderr_.c_str(), "w", stderr) == nullptr) return 91;
            Library library;
            if (!library.Load()) return 90;
            return body(library);
        });
    }
    void TearDown() override {
        for (const std::string& path : {config_, stderr_, Temp("trace.txt"), Temp("flash.bin")}) {
            std::remove(path.c_str());
        }
    }
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
    EXPECT_EQ(RunWithLibrary(false, [](Library& library) {
                  return library.is_driver_open() == 1 && ChipId(library) == 0x8987 ? 0 : 1;
              }),
              0);
}

TEST_F(PortLibraryTest, ConfigurationChoosesTheDeviceAndTheDriverAnswer) {
    WriteConfig("chip_id=0x5A3C\ndriver_open=0\n");
    EXPECT_EQ(RunWithLibrary(true, [](Library& library) {
                  return library.is_driver_open() == 0 && ChipId(library) == 0x5A3C ? 0 : 1;
              }),
              0);
}

TEST_F(PortLibraryTest, BadConfigurationRefusesTheDriverWithAMessage) {
    WriteConfig("chip_id=0x5A3C\nno_such_key=1\n");
    EXPECT_EQ(RunWithLibrary(true, [](Library& library) { return library.is_driver_open(); }), 0);
    EXPECT_NE(Slurp(stderr_).find("unknown key 'no_such_key'"), std::string::npos) << Slurp(stderr_);
}

TEST_F(PortLibraryTest, TraceFileListsEcCommandsAndSpiTransactions) {
    WriteConfig("trace_file=" + Temp("trace.txt") + "\nflash_file=" + Temp("flash.bin") +
                "\nflash_size=65536\ninitial_status=0\n");
    const int status = RunWithLibrary(true, [](Library& library) {
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
    ASSERT_EQ(status, 0);
    std::istringstream lines(Slurp(Temp("trace.txt")));
    std::vector<std::string> trace;
    for (std::string line; std::getline(lines, line);) trace.push_back(line);
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

TEST_F(PortLibraryTest, ErrnoEntryAnswersTheConfiguredErrnoOrNotKnown) {
    const auto errno_answer = [](Library& library) {
        const auto entry = reinterpret_cast<int (*)()>(::dlsym(library.handle, "PortAccessErrno"));
        return entry == nullptr ? 99 : entry() < 0 ? 98 : entry();
    };
    WriteConfig("driver_open=0\ndriver_errno=38\n");
    EXPECT_EQ(RunWithLibrary(true, errno_answer), 38);
    WriteConfig("driver_open=0\n");
    EXPECT_EQ(RunWithLibrary(true, errno_answer), 98);
}

TEST_F(PortLibraryTest, OnlyTheEntryPointsAreExported) {
    EXPECT_EQ(RunWithLibrary(false, [](Library& library) {
                  return ::dlsym(library.handle, "_ZN3sim6Device2InEt") == nullptr &&
                                 ::dlsym(library.handle, "_ZN3sim14LoadConfigFileERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEERNS_6ConfigERS6_") == nullptr
                             ? 0
                             : 1;
              }),
              0);
}

}  // namespace
