// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A recorded run played back: reads are answered from the record and writes compared with
// it. Repeated identical reads may come more or fewer times than recorded (a poll that ends
// on time counts differently on each run); anything else that differs stops the replay.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "hw/port_record.h"

namespace sim {

class Replay {
public:
    /// Throws std::runtime_error when `path` is not a readable record.
    explicit Replay(const std::string& path);

    /// The recorded answer; nullopt once the replay has stopped (see divergence()).
    std::optional<uint8_t> Read(uint16_t port);
    /// True when the record has this write here; false once the replay has stopped.
    bool Write(uint16_t port, uint8_t value);
    /// Why the replay stopped, naming the access, its port and both values; "" while it runs.
    const std::string& divergence() const { return divergence_; }

private:
    struct Pending {
        PortRun run;
        uint64_t left;         // reads of the run not yet answered
        bool started = false;  // at least one answered
    };
    bool Fetch();
    bool Stop(const std::string& what_the_program_did);

    PortRecordReader reader_;
    uint64_t access_ = 0;
    std::optional<Pending> pending_;
    std::optional<std::pair<uint16_t, uint8_t>> last_read_;  // the read run just finished
    std::string divergence_;
};

}  // namespace sim
