// SPDX-License-Identifier: GPL-3.0-or-later
#include "version/fw_version.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "platform/atomic_file.h"
#include "hw/ec_channel.h"
#include "hw/ec_session.h"
#include "hw/ec_ports.h"

FwReadResult FW_ReadVersion(const EcPorts& ports, const UiSettings& s, std::string& text) {
    if (s.FwVersionShow != 1 && s.FwVersionShow != 2) return FwReadResult::Skipped;
    EcSession session(ports);
    if (!session.open()) return FwReadResult::Busy;
    EcChannel& ec = session.channel();
    const VersionSource source = s.ReadMethod != 0 ? VersionSource::Bram : VersionSource::EcSpace;
    const int count = FW_VersionByteCount(source, s.ReadBytes);
    const auto index = static_cast<uint8_t>(s.BramStartIndex);

    if (source == VersionSource::Bram) {
        text = FW_FormatVersion(source, FW_ReadVersionBytes(ec, source, index, count), s.HexDisplay);
        return FwReadResult::Read;
    }

    if (!EC_PortsInUseError(ports).empty()) return FwReadResult::PortsRefused;
    if (!ec.ProbeAck()) return FwReadResult::AckFail;
    const std::vector<uint8_t> bytes = FW_ReadVersionBytes(ec, source, index, count);
    if (ec.faulted()) return FwReadResult::AckFail;
    text = FW_FormatVersion(source, bytes, s.HexDisplay);
    return FwReadResult::Read;
}

bool FW_WriteVersionFile(const char* path, const std::string& label_text) {
    // The whole text: a version such as 255.255.255 is longer than ten bytes.
    return ReplaceFileAtomically(path, label_text + kTextLineEnd);
}
