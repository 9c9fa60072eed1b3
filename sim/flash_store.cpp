#include "sim/flash_store.h"

#include <cstring>

namespace sim {

FlashStore::FlashStore(uint32_t size, const std::string& path) : size_(size) {
    if (path.empty()) {
        memory_.assign(size, 0xFF);
        data_ = memory_.data();
        return;
    }
    uint64_t old_size = 0;
    data_ = MapFlashFile(path, size, old_size);
    mapped_ = true;
    // A new file (or a grown one) reads as erased flash past its old end.
    if (old_size < size) std::memset(data_ + old_size, 0xFF, size - old_size);
}

FlashStore::~FlashStore() {
    if (mapped_) UnmapFlashFile(data_, size_);
}

}  // namespace sim
