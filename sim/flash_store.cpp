// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/flash_store.h"

#include <cstring>

namespace sim {

FlashStore::FlashStore(uint32_t size, const std::string& path) : size_(size) {
    if (path.empty()) {
        memory_.assign(size, 0xFF);
        data_ = memory_.data();
        return;
    }
    data_ = MapFlashFile(path, size);
    mapped_ = true;
}

FlashStore::~FlashStore() {
    if (mapped_) UnmapFlashFile(data_, size_);
}

}  // namespace sim
