// SPDX-License-Identifier: GPL-3.0-or-later
// What a flash run checks before it asks for follow mode: an end command that is a
// follow-mode link command, and ports that would not reach the EC.

#include <gtest/gtest.h>

#include "flash/preflight.h"
#include "hw/ec_channel.h"

namespace {

TEST(FlashStartCheckTest, LinkCommandsAreRefusedAsEndCommand) {
    struct Case {
        int32_t setting;
        bool refused;
    };
    const Case cases[] = {
        {0x00, false}, {0x01, true},  {0x02, true}, {0x03, true},  {0x04, true},
        {0x05, true},  {0x06, false}, {0xFC, false}, {0xFE, false},
        {0x101, true},  // only the low 8 bits are sent
        {-0xFF, true},  // ... 0xFFFFFF01
    };
    for (const Case& c : cases) {
        const std::string refusal = EndCommandRefusal(c.setting);
        EXPECT_EQ(!refusal.empty(), c.refused) << std::hex << c.setting;
    }
    EXPECT_EQ(EndCommandRefusal(0x101),
              "FlashEnd CMD 0x01 is a follow mode command and would never release the EC, pls check uiset.ini!!");
}

TEST(FlashStartCheckTest, PortsAreCheckedBeforeTheEndCommand) {
    EXPECT_EQ(FlashStartRefusal(EcPorts{}, 0xFE), "");
    EXPECT_EQ(FlashStartRefusal(EcPorts{}, 0x05), EndCommandRefusal(0x05));
    EXPECT_EQ(FlashStartRefusal(EcPorts{.command = 0x10000}, 0x05).rfind("EC CMD port 10000", 0), 0u);
}

}  // namespace
