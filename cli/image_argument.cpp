// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/image_argument.h"

#include "flash/image.h"

ImageArgument::~ImageArgument() {
    if (file_ != nullptr) std::fclose(file_);
}

std::optional<ExitStatus> ImageArgument::Open(const std::string& path, const std::string& command, CliOutput& out) {
    // The shared opener never blocks on a FIFO and never reads a device.
    const OpenedImage opened = IMG_OpenImage(path.c_str());
    switch (opened.status) {
        case ImageOpenStatus::Opened: break;
        case ImageOpenStatus::CannotOpen:
            return out.Result(command, ExitStatus::Usage,
                              "cannot open the image " + path + "; check the path and that it is readable");
        case ImageOpenStatus::NotRegularFile:
            return out.Result(command, ExitStatus::Usage, "the image " + path + " is not a regular file; name an image file");
    }
    file_ = opened.file;
    const ImageMeasure measure = IMG_MeasureImage(file_);
    if (measure.status == ImageLength::Unmeasurable)
        return out.Result(command, ExitStatus::Usage, "cannot read the image " + path + "; check the file");
    size_ = measure.length;
    if (size_ == 0) return out.Result(command, ExitStatus::Usage, "the image " + path + " is empty; name the right image file");
    if (size_ > kMaxImageBytes)
        return out.Result(command, ExitStatus::Refused,
                          "the image " + path + " has " + std::to_string(size_) +
                              " bytes, more than the 16 MiB the flash address reaches; nothing was written");
    return std::nullopt;
}
