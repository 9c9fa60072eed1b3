#pragma once
// Replacing a file's contents all at once: the new bytes go to a temporary file beside it
// that then takes the old one's place, so a failure at any point leaves the old file whole.
// One implementation per platform.

#include <string>

/// Puts `bytes` in place of the file at `path` (UTF-8), or creates it. A file reached through
/// a link is replaced where it lives and keeps its owner and permissions. False, with the
/// old file untouched, when any step fails or `path` is not a regular file.
bool ReplaceFileContents(const char* path, const std::string& bytes);
