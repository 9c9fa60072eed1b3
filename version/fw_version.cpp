// SPDX-License-Identifier: GPL-3.0-or-later
#include "version/fw_version.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "platform/atomic_file.h"
#include "hw/ec_channel.h"
#include "hw/ec_session.h"
#include "hw/ec_ports.h"
#include "hw/hw_fault.h"

FwReadResult FW_ReadVersion(const UiSettings& s, std::string& text) {
    if (s.FwVersionShow != 1 && s.FwVersionShow != 2) return FwReadResult::Skipped;
    const EcSession session;
    if (!session.open()) return FwReadResult::Busy;
    const VersionSource source = s.ReadMethod != 0 ? VersionSource::Bram : VersionSource::EcSpace;
    const int count = FW_VersionByteCount(source, s.ReadBytes);
    const auto index = static_cast<uint8_t>(s.BramStartIndex);

    if (source == VersionSource::Bram) {
        text = FW_FormatVersion(source, FW_ReadVersionBytes(source, index, count), s.HexDisplay);
        return FwReadResult::Read;
    }

    if (!EC_PortsInUseError().empty()) return FwReadResult::PortsRefused;
    // A fault left over from an earlier operation would make the reads below touch no port
    // and look like a dead EC: this read starts afresh and answers for itself.
    HW_ClearFault();
    if (!EC_ProbeAck()) return FwReadResult::AckFail;
    const std::vector<uint8_t> bytes = FW_ReadVersionBytes(source, index, count);
    if (HW_Faulted()) {
        HW_ClearFault();
        return FwReadResult::AckFail;
    }
    text = FW_FormatVersion(source, bytes, s.HexDisplay);
    return FwReadResult::Read;
}

bool FW_WriteVersionFile(const char* path, const std::string& label_text) {
    // The whole text: a version such as 255.255.255 is longer than ten bytes.
    return ReplaceFileAtomically(path, label_text + kTextLineEnd);
}
