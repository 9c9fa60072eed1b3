// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A compact, line-oriented trace file for process-level tests: buffered, appended, written
// out every so often and when the trace ends.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace sim {

/// What one SPI transaction looked like: enough for a line, kept without allocation.
struct SpiSummary {
    static constexpr uint32_t kKept = 8;
    bool has_opcode = false;
    uint8_t opcode = 0;
    uint32_t out_count = 0;  // bytes shifted out after the opcode
    uint32_t in_count = 0;   // bytes shifted in
    std::array<uint8_t, kKept> first_out{};
    std::array<uint8_t, kKept> first_in{};

    void Out(uint8_t value);
    void In(uint8_t value);
};

class TextTrace {
public:
    /// Appends to `path`. Throws std::runtime_error when it cannot be opened.
    explicit TextTrace(const std::string& path);
    ~TextTrace();
    TextTrace(const TextTrace&) = delete;
    TextTrace& operator=(const TextTrace&) = delete;

    /// One line, printf style, without its line end.
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3)));
    /// "SPI 02 out=259 in=0 > 01 00 00 AA ..." and "< ..." for the first bytes each way.
    void Transaction(const SpiSummary& summary);
    void Flush();

private:
    static constexpr uint32_t kLinesPerFlush = 4096;
    std::FILE* file_;
    uint32_t lines_since_flush_ = 0;
};

}  // namespace sim
