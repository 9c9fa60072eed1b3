// SPDX-License-Identifier: GPL-3.0-or-later
#include "version/version_sources.h"

#include "hw/ec_channel.h"
#include "hw/port_io.h"
#include "hw/super_io.h"

namespace {
constexpr uint8_t kBramLogicalDevice = 0x10;
constexpr uint8_t kEcReadCommand = 0x80;
}  // namespace

uint8_t BRAM_ReadByte(const EcPorts& ports, uint8_t index) {
    SIO_EnableBram(ports);
    const LdnBase base = SIO_ReadLdnBase(ports, kBramLogicalDevice);
    const int index_port = base.high * 256 + base.low;
    IO_Out(index_port, index);
    return IO_In(index_port + 1);
}

uint8_t EC_ReadSpaceByte(EcChannel& ec, uint8_t index) {
    ec.WriteCmd(kEcReadCommand);
    ec.WriteData(index);
    return ec.ReadData();
}

std::vector<uint8_t> FW_ReadVersionBytes(EcChannel& ec, VersionSource source, uint8_t index, int count) {
    std::vector<uint8_t> bytes;
    for (int k = 0; k < count; ++k) {
        const auto at = static_cast<uint8_t>(index + k);
        bytes.push_back(source == VersionSource::Bram ? BRAM_ReadByte(ec.ports(), at) : EC_ReadSpaceByte(ec, at));
    }
    return bytes;
}
