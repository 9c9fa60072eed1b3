// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Environment variables set by a test for itself and the processes it starts.

#include <cstdlib>
#include <string>

namespace testenv {

inline void Set(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

inline void Unset(const char* name) {
#ifdef _WIN32
    _putenv_s(name, "");  // an empty value removes the variable there
#else
    ::unsetenv(name);
#endif
}

/// Puts `dir` first on PATH until the guard ends.
class ScopedPathPrefix {
public:
    explicit ScopedPathPrefix(const std::string& dir) {
        const char* old = std::getenv("PATH");
        had_path_ = old != nullptr;
        old_path_ = had_path_ ? old : "";
#ifdef _WIN32
        const char separator = ';';
#else
        const char separator = ':';
#endif
        Set("PATH", old_path_.empty() ? dir : dir + separator + old_path_);
    }
    ~ScopedPathPrefix() {
        if (had_path_) {
            Set("PATH", old_path_);
        } else {
            Unset("PATH");
        }
    }
    ScopedPathPrefix(const ScopedPathPrefix&) = delete;
    ScopedPathPrefix& operator=(const ScopedPathPrefix&) = delete;

private:
    bool had_path_;
    std::string old_path_;
};

}  // namespace testenv
