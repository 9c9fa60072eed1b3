// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atomic_file.h"

#include <utility>

#include "platform/staged_temporaries.h"
#include "platform/write_target.h"

StagedReplacement::StagedReplacement(std::string path, ReplaceRule rule) : path_(std::move(path)), rule_(rule) {
    if (path_.empty()) return;
    if (rule_ == ReplaceRule::RegularFileOnly) refusal_ = WriteTargetRefusal(path_);
    if (!refusal_.empty()) return;
    fd_ = CreateTempBeside(path_, temp_path_);
    if (fd_ >= 0) RegisterStagedTemporary(temp_path_.c_str());
}

StagedReplacement::~StagedReplacement() { Abandon(); }

bool StagedReplacement::TargetAllowed() const {
    return rule_ != ReplaceRule::RegularFileOnly || WriteTargetRefusal(path_).empty();
}

std::FILE* StagedReplacement::stream() {
    if (stream_ == nullptr && fd_ >= 0) stream_ = StreamOver(fd_);
    return stream_;
}

bool StagedReplacement::Append(std::string_view bytes) {
    size_t done = 0;
    if (stream_ != nullptr) {
        done = std::fwrite(bytes.data(), 1, bytes.size(), stream_);
    } else {
        while (fd_ >= 0 && done < bytes.size()) {
            const long n = WriteSome(fd_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
    }
    write_failed_ = write_failed_ || done < bytes.size();
    return !write_failed_;
}

bool StagedReplacement::FlushStream() {
    if (stream_ != nullptr && (std::fflush(stream_) != 0 || std::ferror(stream_) != 0)) write_failed_ = true;
    return !write_failed_;
}

int StagedReplacement::CloseFile() {
    const int fd = std::exchange(fd_, -1);
    if (stream_ != nullptr) return std::fclose(std::exchange(stream_, nullptr));
    return fd < 0 ? 0 : CloseDescriptor(fd);
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    StagedReplacement file(path);
    return file.Append(bytes) && file.Commit();
}
