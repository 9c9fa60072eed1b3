#pragma once
// Result files replaced in one step: a reader sees the old file or the new one, never a
// half-written one, and a failed write leaves the old file as it was. The platform code
// lives in one source per platform (atomic_file_posix.cpp, atomic_file_win.cpp), behind this
// header. Paths are UTF-8 on every platform.

#include <string>
#include <string_view>

/// A replacement of the directory entry `path` built up in steps: a fresh temporary file
/// in the same directory takes the bytes, and only Commit puts it in place. Destroyed
/// without a successful Commit, it removes the temporary file and leaves `path` untouched.
class StagedReplacement {
public:
    explicit StagedReplacement(std::string path);
    ~StagedReplacement();
    StagedReplacement(const StagedReplacement&) = delete;
    StagedReplacement& operator=(const StagedReplacement&) = delete;

    /// False when the temporary file could not be created (nothing then exists to write to).
    bool ready() const { return fd_ >= 0; }
    /// The temporary file's name, for a writer that opens it by name.
    const std::string& temp_path() const { return temp_path_; }
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
    void Abandon();

    std::string path_;
    std::string temp_path_;
    int fd_ = -1;
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
