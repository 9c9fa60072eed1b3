// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated EC with its SPI NOR flash chip, Super I/O configuration space, BRAM and EC
// space, answering port reads and writes as the real parts do. Used in-process by tests
// (through the IO_In/IO_Out seam, see sim/in_process.h) and as a drop-in port library.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "spi/chip_id.h"

namespace sim {

/// Chip profiles: one per variant that the flash engine tells apart.
enum class ChipKind : uint8_t {
    SstJedec,     // answers 0x9F with BF 25 8E: word auto-address-increment (0xAD)
    SstLegacy,    // answers 0x9F with 00, 0xAB with BF 48: byte auto-address-increment (0xAF), 0x52 erases
    Mx32Pieces,   // C2 20 10: page program in 32-byte pieces
    Mx,           // C2 20 16: 256-byte pages
    Gd,           // C8 40 14: 256-byte pages plus a status fix-up after each chunk
    AllFF,        // FF FF FF FF: 1 KB sector erases (0xD7), word auto-address-increment
    Winbond,      // EF 40 16: 256-byte pages
    LegacyOther,  // answers 0x9F with 00, 0xAB with 9D 7F: three 0xD8 erases, 256-byte pages
};

/// Optional opcodes a profile takes; a chip ignores an opcode it does not take, so a host
/// that picks the wrong erase or program algorithm fails its blank check or verify.
enum ChipOpcodeMask : uint16_t {
    kTakesPageProgram = 1u << 0,  // 0x02
    kTakesAaiByte = 1u << 1,      // 0xAF
    kTakesAaiWord = 1u << 2,      // 0xAD
    kTakesErase32K = 1u << 3,     // 0x52
    kTakesErase64K = 1u << 4,     // 0xD8
    kTakesErase1K = 1u << 5,      // 0xD7
};

struct ChipProfile {
    ChipKind kind;
    const char* name;                 // short name used in configuration files ("winbond", ...)
    std::array<uint8_t, 4> jedec_id;  // answer to 0x9F
    std::array<uint8_t, 4> legacy_id; // answer to 0xAB after its three address bytes
    uint16_t opcodes;                 // ChipOpcodeMask bits
    uint16_t page_size;               // 0x02 wraps within a page of this many bytes
    ChipTraits expected;              // what the host must resolve for this chip to flash it
};

/// Every profile, one row per ChipKind, in enum order.
std::span<const ChipProfile> ChipProfiles();
const ChipProfile& ProfileOf(ChipKind kind);
/// The profile whose name matches; nullopt for an unknown name.
std::optional<ChipKind> ChipKindByName(const std::string& name);

struct Config {
    // Host interface pair; the command port is the status port.
    uint16_t ec_status_port = 0x3F4;
    uint16_t ec_data_port = 0x3F0;
    uint32_t ibf_latency_reads = 0;  // status reads that still show IBF after a write
    uint32_t obf_latency_reads = 0;  // status reads before a reply shows OBF
    std::optional<uint8_t> flash_mode_reply = 0x33;  // answer to 0xDC; nullopt: no answer at all

    // Flash chip.
    ChipKind chip = ChipKind::Winbond;
    // Bytes; 0: the capacity the chip's ID gives (2^n bytes for a third ID byte n of 0x10 to
    // 0x18), 16 MiB for an ID that gives none.
    uint32_t flash_size = 0;
    // Answer to 0x9F in place of the profile's (bytes 0 to 2; the fourth repeats the first,
    // as the ID wraps). The programming variants still follow the profile.
    std::optional<std::array<uint8_t, 3>> jedec_id;
    uint8_t initial_status = 0x0C;     // block protection on at power-up
    uint32_t busy_reads_program = 2;   // status reads showing busy after a page or AAI program
    uint32_t busy_reads_erase = 3;     // after an erase
    uint32_t busy_reads_status_write = 1;
    std::string flash_file;            // backing file mapped shared, so writes outlive exit(); empty: memory only

    // Super I/O configuration space, BRAM and EC space.
    uint16_t sio_index_port = 0x2E;    // 0x2E or 0x4E
    uint16_t chip_id = 0x8987;
    std::array<uint16_t, 2> bram_base = {0x0A40, 0x0A50};  // registers 0x60/0x61 and 0x62/0x63 of LDN 0x10
    std::array<uint8_t, 256> bram{};
    std::array<uint8_t, 256> ec_space{};

    // Faults.
    bool ec_absent = false;  // no EC at the host-interface pair: both ports read 0xFF and take nothing
    int64_t stop_answering_after_commands = -1;  // IBF stays set from the (N+1)th command-port write on
    std::vector<std::pair<uint32_t, uint8_t>> stuck_ones;  // (address, bits that will not program to 0)
    bool erase_refused = false;  // erases are taken (busy, latch cleared) but erase nothing
    bool stuck_busy = false;

    // Drop-in library only.
    bool driver_open = true;  // false: IsInpOutDriverOpen answers 0
    // The errno the port library reports for its last attempt to get port access. In-process
    // the entry is missing when unset; the drop-in library then answers -1 (not known).
    std::optional<int> driver_errno;
    std::string trace_file;   // text trace of EC commands and SPI transactions, appended; empty: none
    // A record of a run: reads are answered from it and writes compared with it, the model
    // above following along (so its flash file ends as the recorded run left it). At the
    // first difference the replay stops and the device answers nothing more. Empty: none.
    std::string replay_file;
};

/// Reads a configuration file of "key=value" lines (see README of sim/) over the values
/// already in `config`; false with a message in `error` for an unknown key or a bad value.
bool LoadConfigFile(const std::string& path, Config& config, std::string& error);
/// False with a message when the values cannot describe a device (flash size not a power of
/// two from 256 bytes to 16 MiB, EC ports equal, stuck address outside the flash).
bool ValidateConfig(const Config& config, std::string& error);
/// The chip's 0x9F answer: the configured ID, or the profile's.
std::array<uint8_t, 4> JedecIdOf(const Config& config);
/// The flash size the device has: flash_size, or when that is 0 the capacity the ID gives.
uint32_t FlashSizeOf(const Config& config);

struct PortOp {
    uint16_t port;
    uint8_t value;
    bool is_write;
    bool operator==(const PortOp&) const = default;
};

/// One SPI transaction, from chip select to chip deselect (or to the next select).
struct SpiTransaction {
    std::vector<uint8_t> out;  // opcode first, then every byte shifted out
    std::vector<uint8_t> in;   // every byte shifted in
};

/// Commands the EC took outside follow mode, and follow-mode entry and exit.
struct EcEvent {
    // FollowDataWrite: a data-port write in follow mode, which a correct host never makes.
    enum Kind : uint8_t { Command, EnterFollow, LeaveFollow, FollowDataWrite } kind;
    uint8_t value;  // the command byte (LeaveFollow: the end command; FollowDataWrite: the data byte)
    bool operator==(const EcEvent&) const = default;
};

/// Port accesses by kind, always counted.
struct PortCounters {
    uint64_t status_reads = 0;
    uint64_t command_writes = 0;
    uint64_t data_reads = 0;
    uint64_t other = 0;  // data-port writes, Super I/O, BRAM, unknown ports
    uint64_t total() const { return status_reads + command_writes + data_reads + other; }
    // Not an access kind: writes to the command or data port made before a status read had
    // shown the previous byte taken. A host that waits for IBF as it must makes none.
    uint64_t ibf_overruns = 0;
};

class Device {
public:
    /// Throws std::invalid_argument for a config ValidateConfig rejects and
    /// std::runtime_error when the flash file or trace file cannot be opened.
    explicit Device(const Config& config = Config{});
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    uint8_t In(uint16_t port);
    void Out(uint16_t port, uint8_t value);

    /// The flash contents; tests may read and write them directly.
    std::span<uint8_t> flash();
    uint8_t chip_status() const;
    bool in_follow_mode() const;
    const Config& config() const;

    // Traces cost nothing while off.
    void EnablePortTrace(bool on);
    void EnableSpiTrace(bool on);
    void EnableEcTrace(bool on);
    const std::vector<PortOp>& port_trace() const;
    const std::vector<SpiTransaction>& spi_trace() const;
    const std::vector<EcEvent>& ec_trace() const;
    void ClearTraces();

    const PortCounters& counters() const;
    void ResetCounters();

    /// Writes out the buffered text trace (also done every so often and on destruction).
    void FlushTraceFile();
    /// Why a replay stopped (also told on standard error when it happens); "" while it runs
    /// or when nothing is replayed.
    const std::string& replay_divergence() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sim
