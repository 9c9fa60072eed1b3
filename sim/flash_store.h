// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The flash array: plain memory, or a file mapped shared so that every write is in the
// file the moment it is made and survives the process ending through exit().

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sim {

class FlashStore {
public:
    /// Memory-only when `path` is empty. A missing file is created, sized and filled with
    /// 0xFF; an existing one keeps its bytes (resized to `size`, any new tail 0xFF).
    /// Throws std::runtime_error when the file cannot be opened or mapped.
    FlashStore(uint32_t size, const std::string& path);
    ~FlashStore();
    FlashStore(const FlashStore&) = delete;
    FlashStore& operator=(const FlashStore&) = delete;

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    uint32_t size() const { return size_; }
    std::span<uint8_t> bytes() { return {data_, size_}; }

private:
    uint32_t size_;
    uint8_t* data_ = nullptr;
    std::vector<uint8_t> memory_;
    bool mapped_ = false;
};

/// Opens or creates the file, sizes it to `size` bytes and maps it shared for reading and
/// writing; a new file (or a grown one) reads as erased flash (0xFF) past its old end.
/// Throws std::runtime_error on failure. One implementation per platform.
uint8_t* MapFlashFile(const std::string& path, uint32_t size);
void UnmapFlashFile(uint8_t* data, uint32_t size);

}  // namespace sim
