// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/port_io.h"

#include <cstdio>

#include "hw/port_access_cause.h"
#include "hw/port_record.h"
#include "platform/library_loader.h"

bool g_DriverOpen = false;

namespace {

// Stand-ins while no library is open: nothing reaches a port.
void PORT_IO_CALL NoOut32(short, short) {}
short PORT_IO_CALL NoInp32(short) { return 0xFF; }
int PORT_IO_CALL NoDriver() { return 0; }
constexpr PortIoEntries kNoLibrary{NoOut32, NoInp32, NoDriver};

const PortIoEntries* g_Preset = nullptr;  // entries a test installed in place of a library
LoadedLibrary g_Library;

bool Fail(const PortOpenFailure& failure) {
    g_DriverOpen = false;
    std::fputs(kPortLibraryFailText, stdout);
    std::fflush(stdout);
    ReportPortAccessCause(failure);
    return false;
}

constexpr const char* kEntryNames[] = {"Out32", "Inp32", "IsInpOutDriverOpen"};

// The entries of the library or the test; g_Active is these, or the recording layer over them.
PortIoEntries g_LibraryEntries = kNoLibrary;
PortRecordWriter* g_Recorder = nullptr;

void PORT_IO_CALL RecordedOut32(short port, short data) {
    g_LibraryEntries.out32(port, data);
    g_Recorder->Write(static_cast<uint16_t>(port), static_cast<uint8_t>(data));
}
short PORT_IO_CALL RecordedInp32(short port) {
    const short answer = g_LibraryEntries.inp32(port);
    g_Recorder->Read(static_cast<uint16_t>(port), static_cast<uint8_t>(answer));
    return answer;
}

}  // namespace

namespace port_io_detail {
PortIoEntries g_Active = kNoLibrary;
}
using port_io_detail::g_Active;

namespace {

void Activate(const PortIoEntries& entries) {
    g_LibraryEntries = entries;
    g_Active = entries;
    if (g_Recorder != nullptr) {
        g_Active.out32 = RecordedOut32;
        g_Active.inp32 = RecordedInp32;
    }
}

}  // namespace

void IO_RecordInto(PortRecordWriter* writer) {
    g_Recorder = writer;
    Activate(g_LibraryEntries);
}

bool IO_Open() {
    PortIoEntries entries;
    if (g_Preset != nullptr) {
        entries = *g_Preset;
    } else {
        if (!g_Library.Load(kPortLibraryName))
            return Fail({PortOpenFailure::Kind::LibraryMissing, g_Library.LastError(), "", std::nullopt});
        void* found[3];
        for (int i = 0; i < 3; ++i) {
            found[i] = g_Library.Symbol(kEntryNames[i]);
            if (found[i] == nullptr) {
                g_Library.Unload();
                return Fail({PortOpenFailure::Kind::EntryMissing, "", kEntryNames[i], std::nullopt});
            }
        }
        entries.out32 = reinterpret_cast<decltype(entries.out32)>(found[0]);
        entries.inp32 = reinterpret_cast<decltype(entries.inp32)>(found[1]);
        entries.is_driver_open = reinterpret_cast<decltype(entries.is_driver_open)>(found[2]);
        entries.last_errno = reinterpret_cast<decltype(entries.last_errno)>(g_Library.Symbol(kErrnoEntryName));
    }
    if (entries.is_driver_open() == 0) {
        std::optional<int> driver_errno;
        if (entries.last_errno != nullptr && entries.last_errno() >= 0) driver_errno = entries.last_errno();
        if (g_Preset == nullptr) g_Library.Unload();
        return Fail({PortOpenFailure::Kind::DriverRefused, "", "", driver_errno});
    }
    Activate(entries);
    g_DriverOpen = true;
    return true;
}

void IO_Close() {
    g_DriverOpen = false;
    if (g_Preset != nullptr) return;
    Activate(kNoLibrary);
    g_Library.Unload();
}

ScopedPortIo::ScopedPortIo(const PortIoEntries& entries)
    : previous_active_(g_LibraryEntries), previous_preset_(g_Preset), previous_driver_open_(g_DriverOpen),
      entries_(entries) {
    g_Preset = &entries_;
    Activate(entries_);
    g_DriverOpen = true;
}

ScopedPortIo::~ScopedPortIo() {
    Activate(previous_active_);
    g_Preset = previous_preset_;
    g_DriverOpen = previous_driver_open_;
}
