// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/replay.h"

#include <stdexcept>

namespace sim {
namespace {

std::string Hex(unsigned value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) text.push_back(kDigits[(value >> shift) & 0xF]);
    return text;
}

std::string Recorded(const PortRun& run) {
    if (run.is_write) return Hex(run.value, 2) + " written to port " + Hex(run.port, 4);
    return "a read of port " + Hex(run.port, 4) + " that answered " + Hex(run.value, 2);
}

}  // namespace

Replay::Replay(const std::string& path) {
    std::string error;
    if (!reader_.OpenFile(path, error)) throw std::runtime_error("replay: " + error);
}

bool Replay::Fetch() {
    PortRun run;
    if (!reader_.Next(run)) return false;
    pending_ = Pending{run, run.count};
    return true;
}

bool Replay::Stop(const std::string& what_the_program_did) {
    std::string recorded;
    if (pending_) {
        recorded = "the record has " + Recorded(pending_->run);
    } else if (!reader_.error().empty()) {
        recorded = reader_.error();
    } else {
        recorded = "the record ends after " + std::to_string(reader_.accesses()) + " accesses";
    }
    divergence_ = "replay stopped at access " + std::to_string(access_) + ": the program " + what_the_program_did +
                  ", " + recorded;
    return false;
}

std::optional<uint8_t> Replay::Read(uint16_t port) {
    if (!divergence_.empty()) return std::nullopt;
    ++access_;
    for (;;) {
        if (!pending_ && !Fetch()) {
            Stop("read port " + Hex(port, 4));
            return std::nullopt;
        }
        Pending& pending = *pending_;
        if (!pending.run.is_write && pending.run.port == port) {
            const uint8_t value = pending.run.value;
            pending.started = true;
            if (--pending.left == 0) {
                last_read_ = {port, value};
                pending_.reset();
            }
            return value;
        }
        // A poll that ended sooner than recorded: the rest of its run is passed over.
        if (!pending.run.is_write && pending.started) {
            last_read_ = {pending.run.port, pending.run.value};
            pending_.reset();
            continue;
        }
        // A poll that went on longer than recorded.
        if (last_read_ && last_read_->first == port) return last_read_->second;
        Stop("read port " + Hex(port, 4));
        return std::nullopt;
    }
}

bool Replay::Write(uint16_t port, uint8_t value) {
    if (!divergence_.empty()) return false;
    ++access_;
    const std::string wrote = "wrote " + Hex(value, 2) + " to port " + Hex(port, 4);
    for (;;) {
        if (!pending_ && !Fetch()) return Stop(wrote);
        const Pending& pending = *pending_;
        if (pending.run.is_write) {
            if (pending.run.port != port || pending.run.value != value) return Stop(wrote);
            pending_.reset();
            last_read_.reset();
            return true;
        }
        if (!pending.started) return Stop(wrote);
        pending_.reset();
    }
}

}  // namespace sim
