// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared ground for the flash engine tests: a simulated device in follow mode behind the
// port seam, a manual clock that marks where sleeps fall in the port trace, the chunk
// halves, and the port trace decoded into link operations.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "hw/ec_channel.h"
#include "platform/clock.h"
#include "sim/in_process.h"
#include "sim/sim_device.h"
#include "spi/chip_id.h"
#include "spi/chunk_state.h"

namespace spi_test {

/// Link operations of a command-port trace: "S" select, "D" deselect, "R" read,
/// "O9F" opcode, "W00" written byte, "sleep" where the clock slept.
std::vector<std::string> LinkOps(const std::vector<sim::PortOp>& trace, uint16_t command_port,
                                 const std::vector<size_t>& sleep_marks = {});
/// The same, with each run of status reads after an 0x05 opcode folded into one "poll".
std::vector<std::string> FoldPolls(const std::vector<std::string>& ops);
std::string Join(const std::vector<std::string>& ops);

/// The link operations of a ready wait, with folded polls.
inline const std::string kReady = "S O05 poll D";

/// A manual clock that remembers the port-trace position of every sleep.
class MarkingClock : public ManualClock {
public:
    explicit MarkingClock(uint32_t step_ms) : ManualClock(step_ms) {}
    void SleepMs(uint32_t ms) override;
    const sim::Device* device = nullptr;
    std::vector<size_t> marks;
};

/// Image bytes that differ from their neighbours and from 0xFF most of the time.
std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed);

class SimTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Builds and installs a device with `config` and enters follow mode.
    void StartDevice(sim::Config config);
    void StartChip(sim::ChipKind kind);
    sim::Device& device() { return *device_; }

    /// Turns the port and SPI traces on from here.
    void Trace();
    /// Link operations since Trace(), polls folded, as one string.
    std::string TracedOps();
    /// SPI transactions since Trace() whose opcode is `opcode`.
    std::vector<sim::SpiTransaction> Transactions(uint8_t opcode);

    /// Makes chunk `chunk_index` of `image`, 0xFF past its end, the work's chunk.
    void LoadChunk(const std::vector<uint8_t>& image, uint32_t chunk_index);
    /// The console text of every progress mark told so far.
    std::string ProgressText() const { return progress_text_; }

    // Time moves a little at every reading, so a wait that goes wrong ends in its bound
    // instead of hanging the test.
    MarkingClock clock_{1};
    std::unique_ptr<ScopedClock> scoped_clock_;
    std::vector<uint8_t> chunk_;
    ChunkWork work_;
    ChipRecord chip_;  // the last identification's
    EcChannel ec_;     // at the default ports, where the simulated EC answers

private:
    std::unique_ptr<sim::Device> device_;
    std::unique_ptr<sim::InProcess> in_process_;
    std::string progress_text_;
};

}  // namespace spi_test
