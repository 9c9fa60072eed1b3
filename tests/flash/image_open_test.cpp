// SPDX-License-Identifier: GPL-3.0-or-later
// Opening an image: a regular file (also through a link) is opened, anything else is
// refused at once without being read, and a FIFO never blocks the caller.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "flash/image.h"

namespace {

namespace fs = std::filesystem;

class ImageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantu-image-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string In(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(ImageFileTest, RegularFilesOpenAndEverythingElseIsRefusedWithoutBlocking) {
    std::ofstream(In("image.bin"), std::ios::binary) << "AB";
    fs::create_symlink(In("image.bin"), In("link.bin"));
    ASSERT_EQ(::mkfifo(In("fifo.bin").c_str(), 0600), 0);  // nobody ever writes to it
    fs::create_symlink(In("fifo.bin"), In("fifo-link.bin"));
    fs::create_directory(In("dir.bin"));
    fs::create_symlink(In("gone.bin"), In("dangling.bin"));

    struct Case {
        std::string path;
        ImageOpenStatus status;
    };
    const Case cases[] = {
        {In("image.bin"), ImageOpenStatus::Opened},
        {In("link.bin"), ImageOpenStatus::Opened},
        {In("fifo.bin"), ImageOpenStatus::NotRegularFile},
        {In("fifo-link.bin"), ImageOpenStatus::NotRegularFile},
        {"/dev/null", ImageOpenStatus::NotRegularFile},
        {In("dir.bin"), ImageOpenStatus::NotRegularFile},
        {In("missing.bin"), ImageOpenStatus::CannotOpen},
        {In("dangling.bin"), ImageOpenStatus::CannotOpen},
        {"", ImageOpenStatus::CannotOpen},
    };
    for (const Case& c : cases) {
        const OpenedImage image = IMG_OpenImage(c.path.c_str());
        EXPECT_EQ(image.status, c.status) << c.path;
        EXPECT_EQ(image.file != nullptr, c.status == ImageOpenStatus::Opened) << c.path;
        if (image.file == nullptr) continue;
        char bytes[3] = {};
        EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, image.file), 2u);  // reads block normally again
        EXPECT_STREQ(bytes, "AB");
        std::fclose(image.file);
    }
}

TEST_F(ImageFileTest, AStandInOpenerServesEveryCallerWhileItLives) {
    std::ofstream(In("image.bin"), std::ios::binary) << "AB";
    std::string asked;
    {
        ScopedImageOpener stand_in([&](const char* path) {
            asked = path;
            return OpenedImage{};
        });
        EXPECT_EQ(IMG_OpenImage(In("image.bin").c_str()).status, ImageOpenStatus::CannotOpen);
    }
    EXPECT_EQ(asked, In("image.bin"));
    const OpenedImage image = IMG_OpenImage(In("image.bin").c_str());
    ASSERT_EQ(image.status, ImageOpenStatus::Opened);
    std::fclose(image.file);
}

}  // namespace
