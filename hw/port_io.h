// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one hardware seam: every port access of the program goes through IO_In/IO_Out,
// which call the entry points of the port I/O library loaded at run time.

#include <cstdint>

// The Windows library exports its entries with the stdcall convention.
#if defined(_WIN32) && !defined(_WIN64)
#define PORT_IO_CALL __stdcall
#else
#define PORT_IO_CALL
#endif

/// The library's entry points, with the library's own C ABI.
struct PortIoEntries {
    void(PORT_IO_CALL* out32)(short port, short data) = nullptr;
    short(PORT_IO_CALL* inp32)(short port) = nullptr;
    int(PORT_IO_CALL* is_driver_open)() = nullptr;
    // Optional: the errno of the library's last attempt to get port access (negative: not
    // known). Null for a library without it.
    int(PORT_IO_CALL* last_errno)() = nullptr;
};

/// True once the loaded library reported its driver open; false again after IO_Close.
extern bool g_DriverOpen;

/// The fixed text printed when the library cannot be used.
inline constexpr const char* kPortLibraryFailText = "Please Check Administrator or InpOut32.DLL !";

/// Loads the port library by name and checks its driver. On any failure (library missing,
/// an entry point missing, driver refused) prints kPortLibraryFailText to standard output
/// without a line end, and the cause with what to do about it to standard error, and returns
/// false; the caller then ends the process with status 0.
bool IO_Open();
/// Unloads the library; afterwards IO_In answers 0xFF and IO_Out does nothing.
void IO_Close();

class PortRecordWriter;
/// From now on every access also goes to `writer` (after the library's entry ran, with the
/// value the program got), whichever library or test entries are in place; null stops it.
void IO_RecordInto(PortRecordWriter* writer);

namespace port_io_detail {
extern PortIoEntries g_Active;  // never holds null pointers
}

/// Reads one byte from the port; only the low 16 bits of the port number are used.
inline uint8_t IO_In(int port) {
    return static_cast<uint8_t>(port_io_detail::g_Active.inp32(static_cast<short>(port)));
}
/// Writes one byte to the port; only the low 16 bits of the port number are used.
inline void IO_Out(int port, uint8_t value) {
    port_io_detail::g_Active.out32(static_cast<short>(port), static_cast<short>(value));
}

/// Test seam: while it lives, `entries` stand in for the port library. IO_Open uses them
/// without loading anything and IO_Close leaves them in place; the destructor restores
/// whatever was there before (and g_DriverOpen with it).
class ScopedPortIo {
public:
    explicit ScopedPortIo(const PortIoEntries& entries);
    ~ScopedPortIo();
    ScopedPortIo(const ScopedPortIo&) = delete;
    ScopedPortIo& operator=(const ScopedPortIo&) = delete;

private:
    PortIoEntries previous_active_;
    const PortIoEntries* previous_preset_;
    bool previous_driver_open_;
    PortIoEntries entries_;
};
