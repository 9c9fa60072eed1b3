// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which bounded wait on the hardware expired. The EC channel keeps the first one raised
// (hw/ec_channel.h); results carry it as a value.

#include <cstdint>

enum class HwFault : uint8_t {
    None,
    EcNotAnswering,  // the EC left IBF set or never set OBF within its bound
    ChipNotReady,    // the flash chip never reached the awaited status within its bound
};

/// The status line that tells the user about a fault ("" for None).
const char* HW_FaultText(HwFault fault);
