#include "hw/port_io.h"

#include <cstdio>

#include "hw/library_loader.h"

bool g_DriverOpen = false;

namespace {

// Stand-ins while no library is open: nothing reaches a port.
void PORT_IO_CALL NoOut32(short, short) {}
short PORT_IO_CALL NoInp32(short) { return 0xFF; }
int PORT_IO_CALL NoDriver() { return 0; }
constexpr PortIoEntries kNoLibrary{NoOut32, NoInp32, NoDriver};

const PortIoEntries* g_Preset = nullptr;  // entries a test installed in place of a library
LoadedLibrary g_Library;

bool Fail() {
    g_DriverOpen = false;
    std::fputs(kPortLibraryFailText, stdout);
    std::fflush(stdout);
    return false;
}

}  // namespace

namespace port_io_detail {
PortIoEntries g_Active = kNoLibrary;
}
using port_io_detail::g_Active;

bool IO_Open() {
    PortIoEntries entries;
    if (g_Preset != nullptr) {
        entries = *g_Preset;
    } else {
        if (!g_Library.Load(kPortLibraryName)) return Fail();
        entries.out32 = reinterpret_cast<decltype(entries.out32)>(g_Library.Symbol("Out32"));
        entries.inp32 = reinterpret_cast<decltype(entries.inp32)>(g_Library.Symbol("Inp32"));
        entries.is_driver_open =
            reinterpret_cast<decltype(entries.is_driver_open)>(g_Library.Symbol("IsInpOutDriverOpen"));
        if (entries.out32 == nullptr || entries.inp32 == nullptr || entries.is_driver_open == nullptr) {
            g_Library.Unload();
            return Fail();
        }
    }
    if (entries.is_driver_open() == 0) {
        if (g_Preset == nullptr) g_Library.Unload();
        return Fail();
    }
    g_Active = entries;
    g_DriverOpen = true;
    return true;
}

void IO_Close() {
    g_DriverOpen = false;
    if (g_Preset != nullptr) return;
    g_Active = kNoLibrary;
    g_Library.Unload();
}

ScopedPortIo::ScopedPortIo(const PortIoEntries& entries)
    : previous_active_(g_Active), previous_preset_(g_Preset), previous_driver_open_(g_DriverOpen),
      entries_(entries) {
    g_Preset = &entries_;
    g_Active = entries_;
    g_DriverOpen = true;
}

ScopedPortIo::~ScopedPortIo() {
    g_Active = previous_active_;
    g_Preset = previous_preset_;
    g_DriverOpen = previous_driver_open_;
}
