#include "hw/atomic_file.h"

#include <utility>

StagedReplacement::StagedReplacement(std::string path) : path_(std::move(path)) {
    if (!path_.empty()) fd_ = CreateTempBeside(path_, temp_path_);
}

StagedReplacement::~StagedReplacement() { Abandon(); }

bool StagedReplacement::Append(std::string_view bytes) {
    size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const long n = WriteSome(fd_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    write_failed_ = write_failed_ || done < bytes.size();
    return !write_failed_;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    StagedReplacement file(path);
    return file.Append(bytes) && file.Commit();
}
