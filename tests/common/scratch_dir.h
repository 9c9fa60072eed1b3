// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh, private directory for one test, removed with everything in it when the test ends.
// A child process started by a death test (a fresh run of the test program on Windows)
// works in its parent's directory: the parent names it in the environment variable `shared_as`.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "test_env.h"

namespace testdir {

class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix, const char* shared_as = nullptr) : shared_as_(shared_as) {
        if (shared_as_ != nullptr) {
            if (const char* inherited = std::getenv(shared_as_); inherited != nullptr && *inherited != '\0') {
                path_ = inherited;
                owner_ = false;
                return;
            }
        }
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate =
                std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
        }
        if (path_.empty()) ADD_FAILURE() << "no scratch directory could be made";
        if (shared_as_ != nullptr) testenv::Set(shared_as_, path_.string());
    }
    ~ScratchDir() {
        if (!owner_) return;
        if (shared_as_ != nullptr) testenv::Unset(shared_as_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    /// The full name of `name` inside the directory.
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    const char* shared_as_;
    std::filesystem::path path_;
    bool owner_ = true;
};

}  // namespace testdir
