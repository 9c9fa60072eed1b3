// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Version bytes as the text the window shows and the record keeps. Pure: nothing here
// touches a port, so every format is a plain table in the tests.

#include <cstdint>
#include <span>
#include <string>

#include "version/version_sources.h"

/// One byte as a character: printable ASCII as itself, 0xA0..0xFF as the Latin-1 character
/// (UTF-8 encoded), every other byte as '?'. Never yields a control character or NUL.
std::string FW_ChrText(uint8_t byte);

/// How many bytes a version of `source` takes for the settings' `read_bytes`: BRAM 2 for 0
/// and 2, else 5; EC space 1 for 1, 3 for 3, else 2.
int FW_VersionByteCount(VersionSource source, int32_t read_bytes);

/// The version text of `bytes` as read from `source` (as many as FW_VersionByteCount says).
/// BRAM: two bytes "dec.dec", or dec followed by chr with `hex_display`; five bytes the chr
/// forms joined by single blanks. EC space: one byte dec (hex with `hex_display`), three
/// "dec.dec.dec", two "dec.dec" ("dec.HH" with `hex_display`). `hex_display` counts when
/// nonzero.
std::string FW_FormatVersion(VersionSource source, std::span<const uint8_t> bytes, int32_t hex_display);
