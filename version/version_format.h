#pragma once
// Version bytes as the text the window shows and the record keeps.

#include <cstdint>
#include <string>

/// One byte as a character: printable ASCII as itself, 0xA0..0xFF as the Latin-1 character
/// (UTF-8 encoded), every other byte as '?'. Never yields a control character or NUL.
std::string FW_ChrText(uint8_t byte);

/// Reads `count` BRAM bytes at index, index + 1, ... (8-bit wrap). Two bytes give
/// "dec.dec", or dec followed by chr with `hex`; any other count gives the chr forms
/// joined by single blanks.
std::string FW_FormatBram(int index, int count, bool hex);

/// Reads one byte of EC space when `read_bytes` is 1, three when it is 3, else two, at
/// index, index + 1, index + 2 (8-bit wrap), and formats them: one byte as dec (hex when
/// `hex_display` is nonzero), three as "dec.dec.dec", two as "dec.dec" ("dec.HH" with hex).
std::string FW_ReadEcSpace(int hex_display, uint8_t index, int read_bytes);
