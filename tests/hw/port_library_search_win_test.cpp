// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: IO_Open finds the port library by its bare name through the normal DLL search.
// The build copies the simulated library beside this program, the first place searched, so
// no other library of that name can be reached first.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "hw/port_io.h"
#include "hw/super_io.h"
#include "scratch_dir.h"
#include "test_env.h"

namespace {

TEST(PortLibrarySearch, LibraryBesideTheProgramIsOpenedByNameAndConfiguredAfresh) {
    struct Case {
        const char* config;
        bool opens;
        uint16_t chip_id;
    };
    const Case cases[] = {
        {"chip_id=0x5A3C\n", true, 0x5A3C},
        {"driver_open=0\n", false, 0},
        {"chip_id=0x1234\n", true, 0x1234},  // each load reads its configuration again
    };
    testdir::ScratchDir dir("vantu-port-search");
    for (const Case& c : cases) {
        std::ofstream(dir.File("sim.conf")) << c.config;
        testenv::Set("VANTU_SIM_CONFIG", dir.File("sim.conf"));
        testing::internal::CaptureStdout();
        const bool opened = IO_Open();
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(opened, c.opens) << c.config;
        if (opened) {
            EXPECT_EQ(printed, "") << c.config;
            EXPECT_EQ(SIO_ReadChipId(EcPorts{}), c.chip_id) << c.config;
        } else {
            EXPECT_EQ(printed, kPortLibraryFailText) << c.config;
        }
        IO_Close();
        EXPECT_EQ(IO_In(0x2F), 0xFF) << "closed: " << c.config;
    }
    testenv::Unset("VANTU_SIM_CONFIG");
}

}  // namespace
