// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/text_trace.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <stdexcept>

namespace sim {

void SpiSummary::Out(uint8_t value) {
    if (!has_opcode) {
        has_opcode = true;
        opcode = value;
        return;
    }
    if (out_count < kKept) first_out[out_count] = value;
    ++out_count;
}

void SpiSummary::In(uint8_t value) {
    if (in_count < kKept) first_in[in_count] = value;
    ++in_count;
}

TextTrace::TextTrace(const std::string& path) : file_(std::fopen(path.c_str(), "a")) {
    if (file_ == nullptr) {
        throw std::runtime_error("trace file " + path + ": cannot open: " + std::strerror(errno));
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

TextTrace::~TextTrace() { std::fclose(file_); }

void TextTrace::Line(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(file_, format, args);
    va_end(args);
    std::fputc('\n', file_);
    if (++lines_since_flush_ >= kLinesPerFlush) Flush();
}

void TextTrace::Transaction(const SpiSummary& summary) {
    char text[128];
    int used = summary.has_opcode
                   ? std::snprintf(text, sizeof text, "SPI %02X out=%u in=%u", summary.opcode,
                                   summary.out_count, summary.in_count)
                   : std::snprintf(text, sizeof text, "SPI -- out=0 in=%u", summary.in_count);
    auto append_bytes = [&](char mark, const std::array<uint8_t, SpiSummary::kKept>& bytes,
                            uint32_t count) {
        if (count == 0) return;
        used += std::snprintf(text + used, sizeof text - used, " %c", mark);
        for (uint32_t i = 0; i < count && i < SpiSummary::kKept; ++i) {
            used += std::snprintf(text + used, sizeof text - used, " %02X", bytes[i]);
        }
    };
    append_bytes('>', summary.first_out, summary.out_count);
    append_bytes('<', summary.first_in, summary.in_count);
    Line("%s", text);
}

void TextTrace::Flush() {
    std::fflush(file_);
    lines_since_flush_ = 0;
}

}  // namespace sim
