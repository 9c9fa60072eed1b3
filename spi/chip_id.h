// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The flash chip's identity, read once per flash run, and what it selects: which erase,
// programming algorithm and extra status handling a chip gets. The rules are data, one
// first-match table per decision keyed by the ID bytes and legacy flags; every table ends
// in a row that matches anything. The identification resolves them once into a chip record,
// which is all the engine consults afterwards.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "hw/ec_channel.h"

enum class ProgramAlgorithm : uint8_t { Page256, Page32, AaiByte, AaiWord };
enum class EraseKind : uint8_t {
    Sector1K_D7,    // 64 sector erases at 1 KB steps
    Block52Pair,    // one 0x52 per 32 KB half
    BlockD8Pair,    // one 0xD8 per 32 KB half
    BlockD8Triple,  // as the pair, the upper half erased twice
};

/// The part of the ID state that decides variants.
struct ChipIdState {
    uint8_t id0 = 0;  // manufacturer code
    uint8_t id2 = 0;
    uint8_t sst_legacy = 0;
    uint8_t non_sst_legacy = 0;
};

/// A row's condition; an empty field matches any value.
struct IdCondition {
    std::optional<uint8_t> id0 = std::nullopt;
    std::optional<uint8_t> id2 = std::nullopt;
    std::optional<uint8_t> sst_legacy = std::nullopt;
    std::optional<uint8_t> non_sst_legacy = std::nullopt;

    constexpr bool Matches(const ChipIdState& s) const {
        return (!id0 || *id0 == s.id0) && (!id2 || *id2 == s.id2) &&
               (!sst_legacy || *sst_legacy == s.sst_legacy) &&
               (!non_sst_legacy || *non_sst_legacy == s.non_sst_legacy);
    }
};

template <typename Choice>
struct VariantRow {
    IdCondition when;
    Choice choice;
};

/// Erase variant rows, first match wins.
std::span<const VariantRow<EraseKind>> EraseRows();
/// Programming algorithm rows, first match wins.
std::span<const VariantRow<ProgramAlgorithm>> ProgramRows();
/// Rows deciding the per-chunk status fix-up.
std::span<const VariantRow<bool>> ChunkFixupRows();
/// Rows deciding whether 0x50 precedes latch and status writes.
std::span<const VariantRow<bool>> WriteStatusEnableRows();

/// Index of the first row whose condition holds; the tables' last row always does.
template <typename Choice>
std::size_t FirstMatchingRow(std::span<const VariantRow<Choice>> rows, const ChipIdState& state) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].when.Matches(state)) return i;
    }
    return rows.size() - 1;
}

/// Everything the engine does differently for one chip. The defaults are what a chip that
/// answers with zeros gets, which is also the state before any identification.
struct ChipTraits {
    EraseKind erase = EraseKind::BlockD8Pair;
    ProgramAlgorithm program = ProgramAlgorithm::Page256;
    bool chunk_fixup = false;          // status register rewritten after every chunk
    bool write_status_enable = false;  // 0x50 before latch and status writes

    bool operator==(const ChipTraits&) const = default;
};

/// The first matching row of every table for `state`.
ChipTraits ResolveChipTraits(const ChipIdState& state);

enum class LegacyId : uint8_t {
    None,    // the chip answered the 0x9F ID read
    Sst,     // the legacy (0xAB) ID read began with 0xBF
    NonSst,  // ... began with anything else
};

/// The capacity in bytes, 2^n for a third byte n of 0x10 to 0x18 (64 KB to 16 MiB) of a JEDEC
/// ID; nullopt for a legacy ID or any other third byte.
std::optional<uint32_t> ChipCapacityBytes(const uint8_t (&id)[4], bool legacy_id);

/// One identified chip: its answer, how it was read, what it holds and how it is handled.
/// The default record is a chip that answered with zeros.
struct ChipRecord {
    std::array<uint8_t, 4> id{};  // byte 0 is the manufacturer
    LegacyId legacy = LegacyId::None;
    std::optional<uint32_t> capacity;  // bytes, when the ID tells
    ChipTraits traits;

    bool legacy_id() const { return legacy != LegacyId::None; }
    bool operator==(const ChipRecord&) const = default;
};

/// The record for an ID answer read the way `legacy` says: capacity and traits resolved.
ChipRecord MakeChipRecord(const std::array<uint8_t, 4>& id, LegacyId legacy);

/// Identifies the chip: reads the 0x9F ID (a first byte of 0 falls back to the legacy ID
/// read, which replaces all four bytes) and resolves its record. Ends with no transaction open.
ChipRecord SPI_ReadJedecId(EcChannel& ec);
