#include "flash/chunk_buffers.h"

#include <new>

#include "spi/chunk_state.h"

ChunkBuffers::ChunkBuffers()
    : low_(new (std::nothrow) uint8_t[kHalfBytes]),
      high_(new (std::nothrow) uint8_t[kHalfBytes]),
      previous_low_(g_LowHalf),
      previous_high_(g_HighHalf) {
    if (!allocated()) {
        low_.reset();
        high_.reset();
        return;
    }
    g_LowHalf = low_.get();
    g_HighHalf = high_.get();
}

ChunkBuffers::~ChunkBuffers() {
    if (!allocated()) return;
    g_LowHalf = previous_low_;
    g_HighHalf = previous_high_;
}
