// SPDX-License-Identifier: GPL-3.0-or-later
// The port seam itself: installed entries are used by IO_Open without loading anything,
// a refused driver counts as a failure with the fixed text, and closed means no access.

#include <gtest/gtest.h>

#include "hw/port_io.h"

namespace {

short g_last_port = 0;
short g_last_value = 0;
int g_driver_answer = 1;

void PORT_IO_CALL RecordOut(short port, short value) {
    g_last_port = port;
    g_last_value = value;
}
short PORT_IO_CALL AnswerIn(short port) { return static_cast<short>(0x1200 | (port & 0xFF)); }
int PORT_IO_CALL DriverAnswer() { return g_driver_answer; }

TEST(PortIoTest, InstalledEntriesCarryOnlyTheLow16BitsAndTheByte) {
    ScopedPortIo io({RecordOut, AnswerIn, DriverAnswer});
    ASSERT_TRUE(IO_Open());
    IO_Out(0x123F4, 0xAB);
    EXPECT_EQ(static_cast<uint16_t>(g_last_port), 0x23F4);
    EXPECT_EQ(g_last_value, 0xAB);
    EXPECT_EQ(IO_In(0x3F0), 0xF0);  // higher bits of the library's answer are ignored
    IO_Close();
}

TEST(PortIoTest, RefusedDriverPrintsTheTextAndFails) {
    g_driver_answer = 0;
    {
        ScopedPortIo io({RecordOut, AnswerIn, DriverAnswer});
        testing::internal::CaptureStdout();
        EXPECT_FALSE(IO_Open());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Please Check Administrator or InpOut32.DLL !");
        EXPECT_FALSE(g_DriverOpen);
    }
    g_driver_answer = 1;
}

TEST(PortIoTest, GuardRestoresTheClosedState) {
    {
        ScopedPortIo io({RecordOut, AnswerIn, DriverAnswer});
        EXPECT_TRUE(g_DriverOpen);
    }
    EXPECT_FALSE(g_DriverOpen);
    g_last_port = 0;
    IO_Out(0x3F4, 1);
    EXPECT_EQ(g_last_port, 0);  // nothing reaches a port with no library
    EXPECT_EQ(IO_In(0x3F4), 0xFF);
}

}  // namespace
