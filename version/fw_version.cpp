#include "version/fw_version.h"

#include <utility>

#include "hw/atomic_file.h"
#include "hw/ec_channel.h"
#include "hw/ec_ports.h"
#include "hw/hw_fault.h"

FwReadResult FW_ReadVersion(const UiSettings& s, std::string& text) {
    if (s.FwVersionShow != 1 && s.FwVersionShow != 2) return FwReadResult::Skipped;

    if (s.ReadMethod != 0) {
        const int count = (s.ReadBytes == 0 || s.ReadBytes == 2) ? 2 : 5;
        text = FW_FormatBram(s.BramStartIndex, count, s.HexDisplay != 0);
        return FwReadResult::Read;
    }

    if (!EC_PortsInUseError().empty()) return FwReadResult::PortsRefused;
    // A fault left over from an earlier operation would make the reads below touch no port
    // and look like a dead EC: this read starts afresh and answers for itself.
    HW_ClearFault();
    if (!EC_ProbeAck()) return FwReadResult::AckFail;
    std::string read = FW_ReadEcSpace(s.HexDisplay, static_cast<uint8_t>(s.BramStartIndex), s.ReadBytes);
    if (HW_Faulted()) {
        HW_ClearFault();
        return FwReadResult::AckFail;
    }
    text = std::move(read);
    return FwReadResult::Read;
}

bool FW_WriteVersionFile(const char* path, const std::string& label_text) {
    // The whole text: a version such as 255.255.255 is longer than ten bytes.
    return ReplaceFileAtomically(path, label_text + "\n");
}
