// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/super_io.h"

#include "hw/ec_session.h"

#include "hw/port_io.h"

int g_SioIndexPort = 0x2E;
int g_BramBaseReg = 0x60;

namespace {

void IndexOut(uint8_t value) { IO_Out(g_SioIndexPort, value); }
void DataOut(uint8_t value) { IO_Out(g_SioIndexPort + 1, value); }
uint8_t DataIn() { return IO_In(g_SioIndexPort + 1); }

}  // namespace

void SIO_SetIndexPort(int port) { g_SioIndexPort = port; }

void SIO_SetBramBank(int bank) { g_BramBaseReg = bank == 0 ? 0x60 : 0x62; }

void SIO_EnterConfig() {
    IndexOut(0x87);
    IndexOut(0x01);
    IndexOut(0x55);
    IndexOut(g_SioIndexPort == 0x2E ? 0x55 : 0xAA);
}

void SIO_ExitConfig() {
    IndexOut(0x02);
    DataOut(0x02);
}

uint8_t SIO_ReadReg(uint8_t reg) {
    if (!g_DriverOpen) return 0;
    SIO_EnterConfig();
    IndexOut(reg);
    return DataIn();
}

uint16_t SIO_ReadChipId() {
    const EcSession session;
    if (!session.open()) return 0;
    SIO_EnterConfig();
    const uint8_t high = SIO_ReadReg(0x20);
    const uint8_t low = SIO_ReadReg(0x21);
    SIO_ExitConfig();
    return static_cast<uint16_t>(high * 256 + low);
}

LdnBase SIO_ReadLdnBase(uint8_t ldn) {
    SIO_EnterConfig();
    IndexOut(0x07);
    DataOut(ldn);
    IndexOut(static_cast<uint8_t>(g_BramBaseReg));
    LdnBase base{};
    base.high = DataIn();
    IndexOut(static_cast<uint8_t>(g_BramBaseReg + 1));
    base.low = DataIn();
    SIO_ExitConfig();
    return base;
}

void SIO_EnableBram() {
    SIO_EnterConfig();
    IndexOut(0x07);
    DataOut(0x10);
    IndexOut(0x30);
    DataOut(0x01);
    SIO_ExitConfig();
}
