// SPDX-License-Identifier: GPL-3.0-or-later
#include "spi_test_support.h"

#include <cstring>

#include "flash/flash_display.h"

namespace spi_test {

namespace {

std::string Hex(const char* prefix, uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%s%02X", prefix, value);
    return text;
}

}  // namespace

std::vector<std::string> LinkOps(const std::vector<sim::PortOp>& trace, uint16_t command_port,
                                 const std::vector<size_t>& sleep_marks) {
    std::vector<std::string> ops;
    uint8_t pending = 0;  // 2 or 3 while the operand byte is due
    size_t next_mark = 0;
    for (size_t i = 0; i < trace.size(); ++i) {
        while (next_mark < sleep_marks.size() && sleep_marks[next_mark] <= i) {
            ops.push_back("sleep");
            ++next_mark;
        }
        const sim::PortOp& op = trace[i];
        if (!op.is_write || op.port != command_port) continue;
        if (pending != 0) {
            ops.push_back(Hex(pending == 2 ? "O" : "W", op.value));
            pending = 0;
            continue;
        }
        switch (op.value) {
            case 1: ops.push_back("S"); break;
            case 2:
            case 3: pending = op.value; break;
            case 4: ops.push_back("R"); break;
            case 5: ops.push_back("D"); break;
            default: ops.push_back(Hex("?", op.value)); break;
        }
    }
    for (; next_mark < sleep_marks.size(); ++next_mark) ops.push_back("sleep");
    return ops;
}

std::vector<std::string> FoldPolls(const std::vector<std::string>& ops) {
    std::vector<std::string> folded;
    for (size_t i = 0; i < ops.size(); ++i) {
        folded.push_back(ops[i]);
        if (ops[i] != "O05") continue;
        size_t reads = 0;
        while (i + 1 < ops.size() && ops[i + 1] == "R") {
            ++i;
            ++reads;
        }
        if (reads > 0) folded.push_back("poll");
    }
    return folded;
}

std::string Join(const std::vector<std::string>& ops) {
    std::string text;
    for (const std::string& op : ops) {
        if (!text.empty()) text += ' ';
        text += op;
    }
    return text;
}

void MarkingClock::SleepMs(uint32_t ms) {
    if (device != nullptr) marks.push_back(device->port_trace().size());
    ManualClock::SleepMs(ms);
}

std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

void SimTest::SetUp() {
    scoped_clock_ = std::make_unique<ScopedClock>(clock_);
    ec_ = EcChannel{};
    chunk_.assign(kChunkBytes, 0xFF);
    work_ = ChunkWork{};
    work_.chunk = chunk_;
    work_.progress = [this](ChipProgress what) { progress_text_ += ChipProgressText(what); };
}

void SimTest::TearDown() {
    clock_.device = nullptr;
    in_process_.reset();
    device_.reset();
    scoped_clock_.reset();
}

void SimTest::StartDevice(sim::Config config) {
    in_process_.reset();
    device_ = std::make_unique<sim::Device>(config);
    in_process_ = std::make_unique<sim::InProcess>(*device_);
    clock_.device = device_.get();
    ASSERT_TRUE(ec_.RequestFollowMode().entered());
}

void SimTest::StartChip(sim::ChipKind kind) {
    sim::Config config;
    config.chip = kind;
    // Room for chunks past the capacity some IDs give (64 KB for C2 20 10).
    config.flash_size = 16u << 20;
    StartDevice(config);
}

void SimTest::Trace() {
    device_->ClearTraces();
    device_->EnablePortTrace(true);
    device_->EnableSpiTrace(true);
    clock_.marks.clear();
}

std::string SimTest::TracedOps() {
    return Join(FoldPolls(LinkOps(device_->port_trace(), static_cast<uint16_t>(ec_.ports().command), clock_.marks)));
}

std::vector<sim::SpiTransaction> SimTest::Transactions(uint8_t opcode) {
    std::vector<sim::SpiTransaction> found;
    for (const sim::SpiTransaction& t : device_->spi_trace()) {
        if (!t.out.empty() && t.out[0] == opcode) found.push_back(t);
    }
    return found;
}

void SimTest::LoadChunk(const std::vector<uint8_t>& image, uint32_t chunk_index) {
    const size_t start = size_t{chunk_index} * kChunkBytes;
    for (uint32_t i = 0; i < kChunkBytes; ++i) {
        const uint8_t byte = start + i < image.size() ? image[start + i] : 0xFF;
        chunk_[i] = byte;
    }
}

}  // namespace spi_test
