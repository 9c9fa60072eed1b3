// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A bounded wait on the hardware that expires sets a sticky fault. From then on the EC
// channel touches no port and every poll ends at once, so a sequence already under way
// unwinds quickly; the caller checks the fault after each step and words the failure.

#include <cstdint>

enum class HwFault : uint8_t {
    None,
    EcNotAnswering,  // the EC left IBF set or never set OBF within its bound
    ChipNotReady,    // the flash chip never reached the awaited status within its bound
};

extern HwFault g_HwFault;

/// Records a fault; the first one raised is kept until HW_ClearFault.
inline void HW_RaiseFault(HwFault fault) {
    if (g_HwFault == HwFault::None) g_HwFault = fault;
}
inline void HW_ClearFault() { g_HwFault = HwFault::None; }
inline bool HW_Faulted() { return g_HwFault != HwFault::None; }

/// The status line that tells the user about a fault ("" for None).
const char* HW_FaultText(HwFault fault);
