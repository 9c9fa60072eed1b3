// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/port_record.h"

#include <zlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

// A sequence byte: the top bit marks a write, the rest is the port's slot, or kSlotEscape
// followed by the slot as two bytes when there are that many ports.
constexpr uint8_t kWriteBit = 0x80;
constexpr uint8_t kSlotEscape = 0x7F;
constexpr size_t kBufferBytes = 1 << 16;

void PutLittleEndian(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

void PutCount(std::string& out, uint64_t count) {
    while (count >= 0x80) {
        out.push_back(static_cast<char>(0x80 | (count & 0x7F)));
        count >>= 7;
    }
    out.push_back(static_cast<char>(count));
}

void PutToken(std::string& out, bool is_write, uint16_t slot) {
    const uint8_t write = is_write ? kWriteBit : 0;
    if (slot < kSlotEscape) {
        out.push_back(static_cast<char>(write | slot));
    } else {
        out.push_back(static_cast<char>(write | kSlotEscape));
        PutLittleEndian(out, slot, 2);
    }
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out.push_back(c);
    }
    return out;
}

std::string Unescaped(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char next = text[++i];
        out.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : next);
    }
    return out;
}

}  // namespace

// One deflate stream fed through a buffer, so a byte costs no library call.
struct PortRecordWriter::Stream {
    z_stream z{};
    std::string pending;     // bytes not yet given to deflate
    std::string compressed;  // deflate's output so far

    // A port's answers repeat over short spans (a status poll) or not at all (flash data), so
    // their streams do with a small window and little memory; the sequence gets zlib's largest.
    explicit Stream(bool small) {
        const int window_bits = small ? 12 : 15;
        const int memory_level = small ? 5 : 8;
        if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, window_bits, memory_level, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
        pending.reserve(kBufferBytes);
    }
    ~Stream() { deflateEnd(&z); }

    void Put(std::string_view bytes) {
        pending.append(bytes);
        if (pending.size() >= kBufferBytes) Deflate(z, pending, compressed, Z_NO_FLUSH);
    }
    void Put(uint8_t byte) {
        pending.push_back(static_cast<char>(byte));
        if (pending.size() >= kBufferBytes) Deflate(z, pending, compressed, Z_NO_FLUSH);
    }

    // The stream as it would end after `extra`, leaving this one open for more.
    std::string Finished(std::string_view extra) const {
        z_stream copy{};
        if (deflateCopy(&copy, const_cast<z_stream*>(&z)) != Z_OK) throw std::bad_alloc();
        std::string input = pending;
        input.append(extra);
        std::string out = compressed;
        Deflate(copy, input, out, Z_FINISH);
        deflateEnd(&copy);
        return out;
    }

    static void Deflate(z_stream& stream, std::string& input, std::string& out, int flush) {
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = static_cast<uInt>(input.size());
        char buffer[kBufferBytes];
        int status;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            status = deflate(&stream, flush);
            out.append(buffer, sizeof buffer - stream.avail_out);
        } while (stream.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
        input.clear();
    }
};

PortRecordWriter::PortRecordWriter() : sequence_(std::make_unique<Stream>(false)) {}
PortRecordWriter::~PortRecordWriter() = default;

uint16_t PortRecordWriter::SlotOf(uint16_t port) {
    for (size_t slot = 0; slot < ports_.size(); ++slot) {
        if (ports_[slot] == port) return static_cast<uint16_t>(slot);
    }
    ports_.push_back(port);
    values_.push_back(nullptr);
    return static_cast<uint16_t>(ports_.size() - 1);
}

PortRecordWriter::Stream& PortRecordWriter::ValuesOf(uint16_t slot) {
    if (!values_[slot]) values_[slot] = std::make_unique<Stream>(true);
    return *values_[slot];
}

void PortRecordWriter::FlushRun() {
    if (!pending_) return;
    std::string token;
    PutToken(token, false, SlotOf(pending_->port));
    PutCount(token, pending_->count);
    sequence_->Put(token);
    ValuesOf(SlotOf(pending_->port)).Put(pending_->value);
    pending_.reset();
}

void PortRecordWriter::Read(uint16_t port, uint8_t value) {
    ++accesses_;
    if (pending_ && pending_->port == port && pending_->value == value) {
        ++pending_->count;
        return;
    }
    FlushRun();
    pending_ = PortRun{port, value, false, 1};
}

void PortRecordWriter::Write(uint16_t port, uint8_t value) {
    ++accesses_;
    FlushRun();
    std::string token;
    PutToken(token, true, SlotOf(port));
    token.push_back(static_cast<char>(value));
    sequence_->Put(token);
}

std::string PortRecordWriter::Encode(const PortRecordHeader& header) const {
    std::string out(kPortRecordMagic);
    for (const auto& [key, value] : header) out += key + ": " + Escaped(value) + "\n";
    out += "\n";

    // The growing run goes into the copies only; a port first seen in it gets the next slot.
    std::vector<uint16_t> ports = ports_;
    std::string run_token;
    std::optional<size_t> run_slot;
    if (pending_) {
        size_t slot = 0;
        while (slot < ports.size() && ports[slot] != pending_->port) ++slot;
        if (slot == ports.size()) ports.push_back(pending_->port);
        run_slot = slot;
        PutToken(run_token, false, static_cast<uint16_t>(slot));
        PutCount(run_token, pending_->count);
    }
    PutLittleEndian(out, ports.size(), 2);
    for (uint16_t port : ports) PutLittleEndian(out, port, 2);
    PutLittleEndian(out, accesses_, 8);

    const auto put_section = [&out](const std::string& section) {
        PutLittleEndian(out, section.size(), 4);
        out += section;
    };
    put_section(sequence_->Finished(run_token));
    const Stream empty(true);
    for (size_t slot = 0; slot < ports.size(); ++slot) {
        const std::string run_value = run_slot == slot ? std::string(1, static_cast<char>(pending_->value)) : "";
        const Stream* values = slot < values_.size() && values_[slot] ? values_[slot].get() : &empty;
        put_section(values->Finished(run_value));
    }
    return out;
}

// One inflate stream over a section, handing out bytes from a buffer.
struct PortRecordReader::Stream {
    z_stream z{};
    std::string buffer;
    size_t next = 0;
    bool ended = false;
    bool damaged = false;

    Stream(const char* data, size_t size) {
        if (inflateInit(&z) != Z_OK) throw std::bad_alloc();
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z.avail_in = static_cast<uInt>(size);
        buffer.resize(kBufferBytes);
    }
    ~Stream() { inflateEnd(&z); }

    bool Byte(uint8_t& byte) {
        if (next == filled && !Refill()) return false;
        byte = static_cast<uint8_t>(buffer[next++]);
        return true;
    }

    // True when every byte was handed out and the stream's own check at its end passed.
    bool EndedWhole() {
        if (next != filled || Refill()) return false;
        return ended && !damaged;
    }

private:
    size_t filled = 0;

    bool Refill() {
        while (!ended && !damaged) {
            z.next_out = reinterpret_cast<Bytef*>(buffer.data());
            z.avail_out = static_cast<uInt>(buffer.size());
            const int status = inflate(&z, Z_NO_FLUSH);
            if (status == Z_STREAM_END) ended = true;
            // No progress with input left over or none at all: the section is cut short.
            else if (status != Z_OK) damaged = true;
            next = 0;
            filled = buffer.size() - z.avail_out;
            if (filled != 0) return true;
        }
        return false;
    }
};

PortRecordReader::PortRecordReader() = default;
PortRecordReader::~PortRecordReader() = default;

bool PortRecordReader::OpenFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!Open(std::move(bytes), error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool PortRecordReader::Open(std::string bytes, std::string& error) {
    bytes_ = std::move(bytes);
    header_.clear();
    ports_.clear();
    values_.clear();
    error_.clear();
    if (bytes_.rfind(kPortRecordMagic, 0) != 0) {
        error = "not a port record of this version (its first line is not '" +
                std::string(kPortRecordMagic.substr(0, kPortRecordMagic.size() - 1)) + "')";
        return false;
    }
    size_t at = kPortRecordMagic.size();
    for (;;) {
        const size_t end = bytes_.find('\n', at);
        if (end == std::string::npos) {
            error = "the header has no end";
            return false;
        }
        const std::string_view line(bytes_.data() + at, end - at);
        at = end + 1;
        if (line.empty()) break;
        const size_t colon = line.find(": ");
        if (colon == std::string_view::npos) {
            error = "a header line without 'key: value'";
            return false;
        }
        header_.emplace_back(std::string(line.substr(0, colon)), Unescaped(line.substr(colon + 2)));
    }
    const auto take = [&](int count, uint64_t& value) {
        if (bytes_.size() - at < static_cast<size_t>(count)) return false;
        value = 0;
        for (int i = 0; i < count; ++i) value |= uint64_t{static_cast<uint8_t>(bytes_[at + i])} << (8 * i);
        at += static_cast<size_t>(count);
        return true;
    };
    const auto section = [&]() -> std::unique_ptr<Stream> {
        uint64_t size;
        if (!take(4, size) || bytes_.size() - at < size) return nullptr;
        auto stream = std::make_unique<Stream>(bytes_.data() + at, static_cast<size_t>(size));
        at += static_cast<size_t>(size);
        return stream;
    };
    uint64_t port_count;
    bool whole = take(2, port_count);
    for (uint64_t i = 0; whole && i < port_count; ++i) {
        uint64_t port = 0;
        whole = take(2, port);
        ports_.push_back(static_cast<uint16_t>(port));
    }
    whole = whole && take(8, accesses_);
    if (whole) sequence_ = section();
    whole = whole && sequence_ != nullptr;
    for (uint64_t i = 0; whole && i < port_count; ++i) {
        values_.push_back(section());
        whole = values_.back() != nullptr;
    }
    if (!whole) {
        error = "the record is cut short";
        return false;
    }
    return true;
}

std::vector<std::string> PortRecordReader::HeaderValues(std::string_view key) const {
    std::vector<std::string> values;
    for (const auto& [name, value] : header_) {
        if (name == key) values.push_back(value);
    }
    return values;
}

bool PortRecordReader::Next(PortRun& run) {
    if (!sequence_ || !error_.empty()) return false;
    uint8_t token;
    if (!sequence_->Byte(token)) {
        bool whole = sequence_->ended && !sequence_->damaged;
        for (const auto& values : values_) whole = values->EndedWhole() && whole;
        if (!whole) error_ = "the record's access sequence is damaged";
        return false;
    }
    const auto fail = [this] {
        error_ = "the record's access sequence is damaged";
        return false;
    };
    uint64_t slot = token & kSlotEscape;
    if (slot == kSlotEscape) {
        uint8_t low, high;
        if (!sequence_->Byte(low) || !sequence_->Byte(high)) return fail();
        slot = low | (uint64_t{high} << 8);
    }
    if (slot >= ports_.size()) return fail();
    run.port = ports_[slot];
    run.is_write = (token & kWriteBit) != 0;
    if (run.is_write) {
        run.count = 1;
        return sequence_->Byte(run.value) || fail();
    }
    run.count = 0;
    for (int shift = 0;; shift += 7) {
        uint8_t byte;
        if (shift > 63 || !sequence_->Byte(byte)) return fail();
        run.count |= uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0) break;
    }
    if (run.count == 0 || !values_[slot]->Byte(run.value)) return fail();
    return true;
}
