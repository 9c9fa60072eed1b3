// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Result files replaced in one step: a reader sees the old file or the new one, never a
// half-written one, and a failed write leaves the old file as it was. The platform code
// lives in one source per platform (atomic_file_posix.cpp, atomic_file_win.cpp), behind this
// header. Paths are UTF-8 on every platform.

#include <cstdio>
#include <string>
#include <string_view>

/// A replacement of the directory entry `path` built up in steps: a fresh temporary file
/// in the same directory takes the bytes, and only Commit puts it in place. Destroyed
/// without a successful Commit, it removes the temporary file and leaves `path` untouched.
enum class ReplaceRule {
    EntryItself,      // whatever entry has the name is replaced; a link itself, never its target
    RegularFileOnly,  // only a regular file or a free name (platform/write_target.h); for anything
                      // else no temporary file is made and Commit fails
};

class StagedReplacement {
public:
    explicit StagedReplacement(std::string path, ReplaceRule rule = ReplaceRule::EntryItself);
    ~StagedReplacement();
    StagedReplacement(const StagedReplacement&) = delete;
    StagedReplacement& operator=(const StagedReplacement&) = delete;

    /// False when the temporary file could not be created (nothing then exists to write to).
    bool ready() const { return fd_ >= 0; }
    /// Why `path` may not be replaced; empty when it may.
    const std::string& refusal() const { return refusal_; }
    /// The temporary file as a stream over the descriptor that created it (never reopened by
    /// name); owned by this object, null when not ready. Its errors fail Commit.
    std::FILE* stream();
    /// Appends bytes to the temporary file; false when they could not all be written.
    bool Append(std::string_view bytes);
    /// Flushes the temporary file to the disk and renames it over `path`, replacing a link
    /// there itself (its target is never written or created). A regular file being replaced
    /// passes its owner (where permitted) and permission bits on. True when the new file is
    /// in place; after a false the old entry is untouched and the temporary file is gone.
    bool Commit();

private:
    // The platform's part: a temporary file of its own beside `target`, and one write call
    // (bytes written, or 0 or less when nothing more can be written).
    static int CreateTempBeside(const std::string& target, std::string& temp_path);
    static long WriteSome(int fd, const char* bytes, size_t size);
    static std::FILE* StreamOver(int fd);
    static int CloseDescriptor(int fd);
    // The rule still holds for what the name now stands for.
    bool TargetAllowed() const;
    // Flushes a stream taken over the descriptor; false (and a failed write noted) on error.
    bool FlushStream();
    // Closes the stream or the bare descriptor; 0 when closed without error.
    int CloseFile();
    void Abandon();

    std::string path_;
    std::string temp_path_;
    ReplaceRule rule_;
    std::string refusal_;
    int fd_ = -1;
    std::FILE* stream_ = nullptr;
    bool write_failed_ = false;
};

/// The line end of the text files the program writes (log, version record): the platform's own.
#ifdef _WIN32
inline constexpr const char* kTextLineEnd = "\r\n";
#else
inline constexpr const char* kTextLineEnd = "\n";
#endif

/// Replaces `path` with a file holding exactly `bytes`, as a StagedReplacement does.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes);
