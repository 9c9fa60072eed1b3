// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Recording a run: while a PortRecording lives, every port access of the program is taken
// into a record, which is saved to its file (replaced in one step) when asked, also after a
// run that failed or was refused.

#include <string>
#include <utility>

#include "hw/port_record.h"

/// The environment variable that names the window program's record file.
inline constexpr const char* kRecordEnvironmentVariable = "VANTU_RECORD";

class PortRecording {
public:
    /// Starts taking every access at the seam.
    explicit PortRecording(std::string path);
    /// Stops taking accesses; saves nothing by itself.
    ~PortRecording();
    PortRecording(const PortRecording&) = delete;
    PortRecording& operator=(const PortRecording&) = delete;

    const std::string& path() const { return path_; }
    /// Replaces the file with the record so far under `header` (after the program, platform
    /// and date lines); false with `error` when it could not be written. A link at the path
    /// is replaced, never followed.
    bool Save(const PortRecordHeader& header, std::string& error) const;
    /// The header SaveActivePortRecording uses.
    void SetHeader(PortRecordHeader header) { header_ = std::move(header); }
    const PortRecordHeader& header() const { return header_; }

private:
    std::string path_;
    PortRecordWriter writer_;
    PortRecordHeader header_;
};

/// Saves the recording under way, if any, with the header last set: for a program about to
/// end in a way that skips its own save (a restart of the machine). A failure is told on
/// standard error.
void SaveActivePortRecording();

/// True when a file can be created beside `path` (checked before anything is run), with
/// `error` saying why not.
bool RecordPathUsable(const std::string& path, std::string& error);
/// "linux-x86_64", "windows-i686", ...: the build the record was taken with.
const char* RecordPlatformName();
