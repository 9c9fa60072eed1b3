#pragma once
// Ownership of the two 32 KB chunk halves for one flash run or one BIN checksum.

#include <cstdint>
#include <memory>

/// Allocates both halves and points g_LowHalf/g_HighHalf at them for its lifetime; on
/// destruction releases them and restores the pointers it found.
class ChunkBuffers {
public:
    ChunkBuffers();
    ~ChunkBuffers();
    ChunkBuffers(const ChunkBuffers&) = delete;
    ChunkBuffers& operator=(const ChunkBuffers&) = delete;

    /// False when the memory could not be had; the globals are then left untouched.
    bool allocated() const { return low_ != nullptr && high_ != nullptr; }

private:
    std::unique_ptr<uint8_t[]> low_;
    std::unique_ptr<uint8_t[]> high_;
    uint8_t* previous_low_;
    uint8_t* previous_high_;
};
