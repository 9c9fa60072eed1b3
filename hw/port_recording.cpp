// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/port_recording.h"

#include <cstdio>
#include <ctime>
#include <utility>

#include "hw/port_io.h"
#include "platform/atomic_file.h"

namespace {

const PortRecording* g_Active = nullptr;

}  // namespace

PortRecording::PortRecording(std::string path) : path_(std::move(path)) {
    IO_RecordInto(&writer_);
    g_Active = this;
}

PortRecording::~PortRecording() {
    IO_RecordInto(nullptr);
    if (g_Active == this) g_Active = nullptr;
}

void SaveActivePortRecording() {
    std::string error;
    if (g_Active != nullptr && !g_Active->Save(g_Active->header(), error)) std::fprintf(stderr, "vantu: %s\n", error.c_str());
}

bool PortRecording::Save(const PortRecordHeader& header, std::string& error) const {
    PortRecordHeader full;
    full.emplace_back("platform", RecordPlatformName());
    const std::time_t now = std::time(nullptr);
    char date[32] = "";
    if (const std::tm* utc = std::gmtime(&now)) std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", utc);
    full.emplace_back("date", date);
    full.insert(full.end(), header.begin(), header.end());
    full.emplace_back("accesses", std::to_string(writer_.accesses()));
    if (ReplaceFileAtomically(path_, writer_.Encode(full))) return true;
    error = "the record could not be written to " + path_ + "; check the disk and the directory's permissions";
    return false;
}

bool RecordPathUsable(const std::string& path, std::string& error) {
    const StagedReplacement trial(path);
    if (trial.ready()) return true;
    error = "cannot create the record " + path + "; name a file in a writable directory";
    return false;
}

const char* RecordPlatformName() {
#if defined(_WIN64)
    return "windows-x86_64";
#elif defined(_WIN32)
    return "windows-i686";
#elif defined(__x86_64__)
    return "linux-x86_64";
#else
    return "linux";
#endif
}
