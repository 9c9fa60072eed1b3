// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The record of a run's port accesses: a text header saying which run it was, then every
// access in order, compactly. Repeated identical reads (a poll) are one run with a count;
// the access sequence and each port's answers are compressed in separate zlib streams, so a
// status port that answers the same few values costs almost nothing and a flash read costs
// little more than its own bytes. The layout is described in sim/README.md.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// First line of every record; the number is the format's version.
inline constexpr std::string_view kPortRecordMagic = "vantu port record 1\n";

/// One run of accesses: a write, or `count` reads of one port that all answered `value`.
struct PortRun {
    uint16_t port = 0;
    uint8_t value = 0;
    bool is_write = false;
    uint64_t count = 1;  // always 1 for a write
    bool operator==(const PortRun&) const = default;
};

/// Header lines of a record, in order; a key may repeat (one "argument" per argument).
using PortRecordHeader = std::vector<std::pair<std::string, std::string>>;

/// Collects accesses as they happen, compressing as it goes, so memory stays near the
/// compressed size whatever the run's length.
class PortRecordWriter {
public:
    PortRecordWriter();
    ~PortRecordWriter();
    PortRecordWriter(const PortRecordWriter&) = delete;
    PortRecordWriter& operator=(const PortRecordWriter&) = delete;

    void Read(uint16_t port, uint8_t value);
    void Write(uint16_t port, uint8_t value);
    /// Accesses taken so far, each read of a run counted.
    uint64_t accesses() const { return accesses_; }
    /// The whole record file for what was taken so far; taking goes on afterwards, so a
    /// record can be saved again later with more in it.
    std::string Encode(const PortRecordHeader& header) const;

private:
    struct Stream;
    void FlushRun();
    Stream& ValuesOf(uint16_t slot);
    uint16_t SlotOf(uint16_t port);

    std::unique_ptr<Stream> sequence_;
    std::vector<uint16_t> ports_;  // slot -> port, in order of first access
    std::vector<std::unique_ptr<Stream>> values_;
    std::optional<PortRun> pending_;  // the read run still growing
    uint64_t accesses_ = 0;
};

/// Hands a record's runs back one at a time, decompressing as it goes.
class PortRecordReader {
public:
    PortRecordReader();
    ~PortRecordReader();
    PortRecordReader(const PortRecordReader&) = delete;
    PortRecordReader& operator=(const PortRecordReader&) = delete;

    /// Takes a whole record file; false with `error` for anything but a well-formed record of
    /// this version.
    bool Open(std::string bytes, std::string& error);
    /// Reads the file at `path` and opens it.
    bool OpenFile(const std::string& path, std::string& error);
    const PortRecordHeader& header() const { return header_; }
    /// Every value of `key` in the header, in order.
    std::vector<std::string> HeaderValues(std::string_view key) const;
    /// Accesses in the record, each read of a run counted.
    uint64_t accesses() const { return accesses_; }
    /// The next run; false at the record's end, or when the record is damaged (then `error`
    /// says so).
    bool Next(PortRun& run);
    const std::string& error() const { return error_; }

private:
    struct Stream;
    std::string bytes_;
    PortRecordHeader header_;
    std::vector<uint16_t> ports_;
    std::unique_ptr<Stream> sequence_;
    std::vector<std::unique_ptr<Stream>> values_;
    uint64_t accesses_ = 0;
    std::string error_;
};
