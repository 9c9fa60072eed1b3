// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/progress_view.h"

#include "platform/clock.h"

std::string ProgressLine(const ProgressPoint& point, std::optional<uint32_t> seconds_left) {
    std::string line;
    if (point.chunks > 0) {
        const uint32_t shown = point.chunk < point.chunks ? point.chunk + 1 : point.chunks;
        line = "chunk " + std::to_string(shown) + "/" + std::to_string(point.chunks) + "  ";
    }
    line += point.phase;
    if (point.bytes_total > 0)
        line += "  " + std::to_string(point.bytes_done) + "/" + std::to_string(point.bytes_total) + " bytes";
    if (seconds_left) {
        char time[32];
        std::snprintf(time, sizeof time, "  %u:%02u left", *seconds_left / 60, *seconds_left % 60);
        line += time;
    }
    return line;
}

std::optional<uint32_t> SecondsLeft(uint32_t done, uint32_t total, uint32_t elapsed_ms) {
    if (done == 0 || done > total) return std::nullopt;
    const uint64_t left_ms = uint64_t{elapsed_ms} * (total - done) / done;
    return static_cast<uint32_t>((left_ms + 999) / 1000);
}

void ProgressView::Show(const ProgressPoint& point) {
    const uint32_t now = TickMs();
    if (!started_ms_) started_ms_ = now;
    const std::string text = ProgressLine(point, std::nullopt);
    if (mode_ == ProgressMode::Off) {
        last_ = text;
        return;
    }
    if (mode_ == ProgressMode::Lines) {
        if (text != last_) std::fprintf(out_, "%s\n", text.c_str());
    } else {
        const std::string line = ProgressLine(point, SecondsLeft(point.chunks_done, point.chunks, now - *started_ms_));
        // Back to the line's start, the new text, and the rest of the old one cleared.
        std::fprintf(out_, "\r%s\033[K", line.c_str());
        line_open_ = true;
    }
    last_ = text;
    std::fflush(out_);
}

void ProgressView::Finish() {
    if (line_open_) std::fputc('\n', out_);
    line_open_ = false;
    std::fflush(out_);
}
