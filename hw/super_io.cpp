// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/super_io.h"

#include "hw/ec_session.h"
#include "hw/port_io.h"

namespace {

void IndexOut(const EcPorts& ports, uint8_t value) { IO_Out(ports.sio_index, value); }
void DataOut(const EcPorts& ports, uint8_t value) { IO_Out(ports.sio_index + 1, value); }
uint8_t DataIn(const EcPorts& ports) { return IO_In(ports.sio_index + 1); }

}  // namespace

void SIO_EnterConfig(const EcPorts& ports) {
    IndexOut(ports, 0x87);
    IndexOut(ports, 0x01);
    IndexOut(ports, 0x55);
    IndexOut(ports, ports.sio_index == 0x2E ? 0x55 : 0xAA);
}

void SIO_ExitConfig(const EcPorts& ports) {
    IndexOut(ports, 0x02);
    DataOut(ports, 0x02);
}

uint8_t SIO_ReadReg(const EcPorts& ports, uint8_t reg) {
    if (!g_DriverOpen) return 0;
    SIO_EnterConfig(ports);
    IndexOut(ports, reg);
    return DataIn(ports);
}

uint16_t SIO_ReadChipId(const EcPorts& ports) {
    const EcSession session(ports);
    if (!session.open()) return 0;
    SIO_EnterConfig(ports);
    const uint8_t high = SIO_ReadReg(ports, 0x20);
    const uint8_t low = SIO_ReadReg(ports, 0x21);
    SIO_ExitConfig(ports);
    return static_cast<uint16_t>(high * 256 + low);
}

LdnBase SIO_ReadLdnBase(const EcPorts& ports, uint8_t ldn) {
    SIO_EnterConfig(ports);
    IndexOut(ports, 0x07);
    DataOut(ports, ldn);
    IndexOut(ports, static_cast<uint8_t>(ports.bram_base_reg));
    LdnBase base{};
    base.high = DataIn(ports);
    IndexOut(ports, static_cast<uint8_t>(ports.bram_base_reg + 1));
    base.low = DataIn(ports);
    SIO_ExitConfig(ports);
    return base;
}

void SIO_EnableBram(const EcPorts& ports) {
    SIO_EnterConfig(ports);
    IndexOut(ports, 0x07);
    DataOut(ports, 0x10);
    IndexOut(ports, 0x30);
    DataOut(ports, 0x01);
    SIO_ExitConfig(ports);
}
