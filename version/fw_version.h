// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the running firmware's version as the settings ask, and recording it.

#include <string>

#include "hw/ec_ports.h"
#include "settings/ui_settings.h"
#include "version/version_format.h"
#include "version/version_sources.h"

/// The box the window shows when the EC does not take the acknowledge probe.
inline constexpr const char* kAckFailText = "ACPI port Ack Fail!!PLS Check & OPEN!!";
/// The version label's text until a version has been read.
inline constexpr const char* kNoVersionText = "00000";

enum class FwReadResult {
    Skipped,       // FwVersionShow is neither 1 nor 2: no port touched
    Read,          // `text` holds the new version text
    AckFail,       // the EC did not answer: `text` untouched
    PortsRefused,  // EC space asked for, but the EC ports in use are out of range: no port touched
    Busy,          // another EC session is open: no port touched
};

/// A version read's outcome and, when Read, its text.
struct FwVersionRead {
    FwReadResult read = FwReadResult::Skipped;
    std::string text;

    bool operator==(const FwVersionRead&) const = default;
};

/// Reads the version, in an EC session with the EC at `ports`, from BRAM or EC space as `s`
/// says and formats it into `text`. Leaves `text` untouched unless the result is Read. An EC
/// that stops answering part-way gives AckFail, never a text made of unread bytes.
FwReadResult FW_ReadVersion(const EcPorts& ports, const UiSettings& s, std::string& text);

/// Replaces `path` in one step with `label_text` and one line end (a link there is replaced,
/// never written through). False when the file could not be written, the old one then left
/// as it was; there is nothing to report to the user.
bool FW_WriteVersionFile(const char* path, const std::string& label_text);
