// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A stand-in EC for exact status sequences: it takes every byte at once, always has a byte
// ready, and answers data-port reads from a script (then a fixed value). Installed at the
// port seam for its lifetime; only one may live at a time.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "hw/port_io.h"

namespace spi_test {

class ScriptedEc {
public:
    explicit ScriptedEc(std::vector<uint8_t> replies, uint8_t after_script = 0x00);
    ~ScriptedEc();
    ScriptedEc(const ScriptedEc&) = delete;
    ScriptedEc& operator=(const ScriptedEc&) = delete;

    /// Link operations seen so far, polls not folded.
    std::string Ops() const;
    size_t replies_left() const { return replies_.size(); }
    uint64_t data_reads() const { return data_reads_; }

private:
    static void PORT_IO_CALL Out32(short port, short value);
    static short PORT_IO_CALL Inp32(short port);
    static int PORT_IO_CALL DriverOpen();

    std::deque<uint8_t> replies_;
    uint8_t after_script_;
    uint64_t data_reads_ = 0;
    std::vector<uint8_t> command_writes_;
    ScopedPortIo io_;
};

}  // namespace spi_test
