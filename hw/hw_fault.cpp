// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/hw_fault.h"

HwFault g_HwFault = HwFault::None;

const char* HW_FaultText(HwFault fault) {
    switch (fault) {
        case HwFault::None: return "";
        case HwFault::EcNotAnswering: return "EC not answering, time-out!!";
        case HwFault::ChipNotReady: return "Flash chip not ready, time-out!!";
    }
    return "";
}
