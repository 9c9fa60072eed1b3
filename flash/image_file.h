// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opening a firmware image: only a regular file is ever read. A FIFO would block the open
// (and every read) until some other program writes to it, and a device would be read or
// even changed by the open itself. The platform code lives in one source per platform
// (image_file_posix.cpp, image_file_win.cpp), behind this header.

#include <cstdio>
#include <functional>

enum class ImageOpenStatus {
    Opened,          // `file` is open for reading at offset 0
    CannotOpen,      // missing, unreadable, or an empty name
    NotRegularFile,  // a FIFO, device, socket or directory: refused, nothing read
};

struct OpenedImage {
    ImageOpenStatus status = ImageOpenStatus::CannotOpen;
    std::FILE* file = nullptr;  // owned by the caller when Opened
};

/// The text a front end shows for an image refused as NotRegularFile.
inline constexpr const char* kImageNotRegularText = "Bin file is not a regular file, not read!!";

/// Opens the image at `path` for untranslated reading without ever blocking. Accepts a
/// regular file, also through a link; anything else is refused without being read.
OpenedImage IMG_OpenImage(const char* path);

/// Test seam: while it lives, `opener` stands in for IMG_OpenImage (for instance to hand
/// out a stream that fails at a chosen offset).
class ScopedImageOpener {
public:
    explicit ScopedImageOpener(std::function<OpenedImage(const char*)> opener);
    ~ScopedImageOpener();
    ScopedImageOpener(const ScopedImageOpener&) = delete;
    ScopedImageOpener& operator=(const ScopedImageOpener&) = delete;

private:
    std::function<OpenedImage(const char*)> previous_;
};

/// The opener itself, never the stand-in: for a stand-in that wraps the real file.
OpenedImage IMG_OpenImageFile(const char* path);
