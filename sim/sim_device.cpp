// SPDX-License-Identifier: GPL-3.0-or-later
// The EC's host interface and follow-mode link in front of the flash chip and the Super I/O
// space. In and Out run hundreds of millions of times in a full-size flash run, so the
// status, command and data ports come first and every trace costs one branch when off.

#include "sim/sim_device.h"

#include <cstdio>
#include <limits>
#include <stdexcept>

#include "sim/flash_store.h"
#include "sim/replay.h"
#include "sim/spi_chip.h"
#include "sim/super_io_space.h"
#include "sim/text_trace.h"

namespace sim {
namespace {

constexpr uint8_t kStatusOBF = 0x01;
constexpr uint8_t kStatusIBF = 0x02;
constexpr uint8_t kEnterFollow = 0xDC;
constexpr uint8_t kSpaceRead = 0x80;

// The configuration as the device runs it: valid, and with the flash size resolved.
Config Checked(const Config& config) {
    std::string error;
    if (!ValidateConfig(config, error)) throw std::invalid_argument(error);
    Config resolved = config;
    resolved.flash_size = FlashSizeOf(config);
    return resolved;
}

}  // namespace

struct Device::Impl {
    explicit Impl(const Config& c)
        : config(Checked(c)),
          flash(config.flash_size, config.flash_file),
          chip(config, flash),
          sio(config),
          commands_until_stop(config.stop_answering_after_commands < 0
                                  ? std::numeric_limits<uint64_t>::max()
                                  : static_cast<uint64_t>(config.stop_answering_after_commands)) {
        if (!config.trace_file.empty()) text = std::make_unique<TextTrace>(config.trace_file);
        if (!config.replay_file.empty()) replay = std::make_unique<Replay>(config.replay_file);
        UpdateSpiObserving();
    }

    ~Impl() {
        // A transaction still open at the end (the process exits mid-read) gets its line too.
        if (transaction_traced && text) text->Transaction(summary);
    }

    uint8_t In(uint16_t port) {
        uint8_t value;
        if (config.ec_absent && IsEcPort(port)) [[unlikely]] {
            ++counters.other;
            value = 0xFF;  // an unanswered ISA read floats high
        } else if (port == config.ec_status_port) {
            ++counters.status_reads;
            value = ReadStatus();
        } else if (port == config.ec_data_port) {
            ++counters.data_reads;
            value = ReadData();
        } else {
            ++counters.other;
            if (!sio.In(port, value)) value = 0xFF;
        }
        if (port_trace_on) [[unlikely]] port_trace.push_back({port, value, false});
        return value;
    }

    void Out(uint16_t port, uint8_t value) {
        if (port_trace_on) [[unlikely]] port_trace.push_back({port, value, true});
        if (config.ec_absent && IsEcPort(port)) [[unlikely]] {
            ++counters.other;
        } else if (port == config.ec_status_port) {
            ++counters.command_writes;
            WriteCommand(value);
        } else if (port == config.ec_data_port) {
            ++counters.other;
            WriteData(value);
        } else {
            ++counters.other;
            sio.Out(port, value);
        }
    }

    bool IsEcPort(uint16_t port) const { return port == config.ec_status_port || port == config.ec_data_port; }

    // Host interface.

    uint8_t ReadStatus() {
        uint8_t status = 0;
        if (ibf_reads_left != 0) {
            status = kStatusIBF;
            if (!stopped) --ibf_reads_left;
        } else {
            write_unseen = false;
        }
        if (obf) {
            status |= kStatusOBF;
        } else if (reply_pending) [[unlikely]] {
            if (obf_delay_left != 0) {
                --obf_delay_left;
            } else {
                data_register = pending_value;
                reply_pending = false;
                obf = true;
                status |= kStatusOBF;
            }
        }
        return status;
    }

    uint8_t ReadData() {
        // A byte the EC has not yet placed cannot be read early: the old one is still there.
        obf = false;
        return data_register;
    }

    void PlaceReply(uint8_t value) {
        if (config.obf_latency_reads == 0) {
            data_register = value;
            obf = true;
        } else {
            pending_value = value;
            reply_pending = true;
            obf_delay_left = config.obf_latency_reads;
        }
    }

    // The host may write again only once a status read has shown IBF clear.
    void NoteWrite() {
        if (write_unseen) [[unlikely]] ++counters.ibf_overruns;
        write_unseen = true;
    }

    void WriteCommand(uint8_t value) {
        NoteWrite();
        if (commands_until_stop == 0) [[unlikely]] {
            StopAnswering(value);
            return;
        }
        --commands_until_stop;
        ibf_reads_left = config.ibf_latency_reads;
        if (follow) {
            FollowCommand(value);
        } else {
            EcCommand(value);
        }
    }

    void WriteData(uint8_t value) {
        NoteWrite();
        if (stopped) return;
        ibf_reads_left = config.ibf_latency_reads;
        if (follow) {
            if (ec_trace_on) ec_trace.push_back({EcEvent::FollowDataWrite, value});
            if (text) text->Line("FOLLOW data %02X ignored", value);
        } else if (awaiting_space_index) {
            awaiting_space_index = false;
            const uint8_t byte = config.ec_space[value];
            if (text) text->Line("EC data %02X -> %02X", value, byte);
            PlaceReply(byte);
        } else if (text) {
            text->Line("EC data %02X ignored", value);
        }
    }

    void StopAnswering(uint8_t value) {
        if (!stopped && text) text->Line("EC stopped answering at command %02X", value);
        stopped = true;
        ibf_reads_left = 1;
    }

    // Commands outside follow mode.

    void EcCommand(uint8_t value) {
        awaiting_space_index = false;
        if (value == kEnterFollow) {
            follow = true;
            link = Link::Command;
            if (ec_trace_on) ec_trace.push_back({EcEvent::EnterFollow, value});
            if (text) {
                if (config.flash_mode_reply) {
                    text->Line("EC DC follow ack=%02X", *config.flash_mode_reply);
                } else {
                    text->Line("EC DC follow ack=none");
                }
            }
            if (config.flash_mode_reply) PlaceReply(*config.flash_mode_reply);
            return;
        }
        if (ec_trace_on) ec_trace.push_back({EcEvent::Command, value});
        if (text) text->Line("EC %02X", value);
        // 0x85 needs nothing beyond IBF clearing; other commands are not ours to act on.
        if (value == kSpaceRead) awaiting_space_index = true;
    }

    // Follow mode: commands 1 to 5 with their operands, any other command ends it.

    enum class Link : uint8_t { Command, Operand };

    void FollowCommand(uint8_t value) {
        if (link == Link::Operand) {
            link = Link::Command;
            Shift(value);
            return;
        }
        switch (value) {
        case 1:
            Select();
            break;
        case 2:
        case 3:
            link = Link::Operand;
            break;
        case 4:
            PlaceReply(ShiftIn());
            break;
        case 5:
            Deselect();
            break;
        default:
            LeaveFollow(value);
            break;
        }
    }

    void Select() {
        if (spi_observing) [[unlikely]] {
            if (chip.selected()) EndTransactionTrace();
            BeginTransactionTrace();
        }
        chip.Select();
    }

    void Deselect() {
        if (spi_observing && chip.selected()) [[unlikely]] EndTransactionTrace();
        chip.Deselect();
    }

    void Shift(uint8_t value) {
        if (spi_observing && transaction_traced) [[unlikely]] {
            if (vector_open) spi_trace.back().out.push_back(value);
            summary.Out(value);
        }
        chip.Exchange(value);
    }

    uint8_t ShiftIn() {
        const uint8_t value = chip.Exchange(0xFF);
        if (spi_observing && transaction_traced) [[unlikely]] {
            if (vector_open) spi_trace.back().in.push_back(value);
            summary.In(value);
        }
        return value;
    }

    void LeaveFollow(uint8_t value) {
        Deselect();
        follow = false;
        if (ec_trace_on) ec_trace.push_back({EcEvent::LeaveFollow, value});
        if (text) {
            text->Line("END %02X", value);
            text->Flush();
        }
    }

    // Traces.

    void BeginTransactionTrace() {
        if (spi_trace_on) {
            spi_trace.emplace_back();
            vector_open = true;
        }
        summary = SpiSummary{};
        transaction_traced = true;
    }

    void EndTransactionTrace() {
        if (transaction_traced && text) text->Transaction(summary);
        transaction_traced = false;
        vector_open = false;
    }

    void UpdateSpiObserving() {
        spi_observing = spi_trace_on || text != nullptr;
        if (!spi_trace_on) vector_open = false;
        if (!spi_observing) transaction_traced = false;
    }

    Config config;
    FlashStore flash;
    SpiChip chip;
    SuperIoSpace sio;

    // Host interface state.
    uint32_t ibf_reads_left = 0;
    bool write_unseen = false;  // written, and no status read has shown IBF clear since
    bool stopped = false;
    uint64_t commands_until_stop;
    bool obf = false;
    bool reply_pending = false;
    uint8_t pending_value = 0;
    uint32_t obf_delay_left = 0;
    uint8_t data_register = 0x00;

    // EC firmware state.
    bool follow = false;
    bool awaiting_space_index = false;
    Link link = Link::Command;

    PortCounters counters;
    bool port_trace_on = false;
    bool spi_trace_on = false;
    bool ec_trace_on = false;
    bool spi_observing = false;
    bool transaction_traced = false;  // the open transaction is being summarised
    bool vector_open = false;         // ... and recorded in spi_trace.back()
    std::vector<PortOp> port_trace;
    std::vector<SpiTransaction> spi_trace;
    std::vector<EcEvent> ec_trace;
    SpiSummary summary;
    std::unique_ptr<TextTrace> text;
    std::unique_ptr<Replay> replay;

    void TellDivergence() {
        std::fprintf(stderr, "simulated port library: %s\n", replay->divergence().c_str());
        std::fflush(stderr);
    }
};

Device::Device(const Config& config) : impl_(std::make_unique<Impl>(config)) {}
Device::~Device() = default;

uint8_t Device::In(uint16_t port) {
    if (!impl_->replay) [[likely]] return impl_->In(port);
    // Once stopped, nothing answers: the program's own bounds end its run.
    if (!impl_->replay->divergence().empty()) return 0xFF;
    impl_->In(port);
    const std::optional<uint8_t> recorded = impl_->replay->Read(port);
    if (!recorded) impl_->TellDivergence();
    return recorded.value_or(0xFF);
}

void Device::Out(uint16_t port, uint8_t value) {
    if (!impl_->replay) [[likely]] return impl_->Out(port, value);
    if (!impl_->replay->divergence().empty()) return;
    if (impl_->replay->Write(port, value)) return impl_->Out(port, value);
    impl_->TellDivergence();
}

const std::string& Device::replay_divergence() const {
    static const std::string kNone;
    return impl_->replay ? impl_->replay->divergence() : kNone;
}

std::span<uint8_t> Device::flash() { return impl_->flash.bytes(); }
uint8_t Device::chip_status() const { return impl_->chip.status(); }
bool Device::in_follow_mode() const { return impl_->follow; }
const Config& Device::config() const { return impl_->config; }

void Device::EnablePortTrace(bool on) { impl_->port_trace_on = on; }
void Device::EnableSpiTrace(bool on) {
    impl_->spi_trace_on = on;
    impl_->UpdateSpiObserving();
}
void Device::EnableEcTrace(bool on) { impl_->ec_trace_on = on; }
const std::vector<PortOp>& Device::port_trace() const { return impl_->port_trace; }
const std::vector<SpiTransaction>& Device::spi_trace() const { return impl_->spi_trace; }
const std::vector<EcEvent>& Device::ec_trace() const { return impl_->ec_trace; }
void Device::ClearTraces() {
    impl_->port_trace.clear();
    impl_->spi_trace.clear();
    impl_->ec_trace.clear();
    impl_->vector_open = false;
}

const PortCounters& Device::counters() const { return impl_->counters; }
void Device::ResetCounters() { impl_->counters = PortCounters{}; }

void Device::FlushTraceFile() {
    if (impl_->text) impl_->text->Flush();
}

}  // namespace sim
