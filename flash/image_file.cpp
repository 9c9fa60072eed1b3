// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/image_file.h"

#include <utility>

namespace {
std::function<OpenedImage(const char*)> g_Opener;
}  // namespace

OpenedImage IMG_OpenImage(const char* path) { return g_Opener ? g_Opener(path) : IMG_OpenImageFile(path); }

ScopedImageOpener::ScopedImageOpener(std::function<OpenedImage(const char*)> opener)
    : previous_(std::exchange(g_Opener, std::move(opener))) {}

ScopedImageOpener::~ScopedImageOpener() { g_Opener = std::move(previous_); }
