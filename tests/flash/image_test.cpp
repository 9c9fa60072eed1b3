// SPDX-License-Identifier: GPL-3.0-or-later
// The image reader: chunking with 0xFF fill, the size check and 4 KB unit count, the byte sum.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "flash/image.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> PatternImage(size_t size) {
    std::vector<uint8_t> image(size);
    for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    return image;
}

class ImageReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vantu_image_reader_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        CloseImage();
        fs::remove_all(dir_);
    }

    void OpenImage(const std::vector<uint8_t>& bytes) {
        const fs::path path = dir_ / "image.bin";
        std::FILE* out = std::fopen(path.string().c_str(), "wb");
        ASSERT_NE(out, nullptr);
        if (!bytes.empty()) {
            ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
        }
        std::fclose(out);
        OpenPath(path);
    }
    // A sparse file: the size check must not need the bytes.
    void OpenSparseImage(uint64_t size) {
        const fs::path path = dir_ / "sparse.bin";
        { std::FILE* out = std::fopen(path.string().c_str(), "wb"); std::fclose(out); }
        fs::resize_file(path, size);
        OpenPath(path);
    }
    void OpenPath(const fs::path& path) {
        CloseImage();
        image_ = std::fopen(path.string().c_str(), "rb");
        ASSERT_NE(image_, nullptr);
    }
    void CloseImage() {
        if (image_ != nullptr) std::fclose(image_);
        image_ = nullptr;
    }
    bool ReadChunk() { return IMG_ReadChunk(image_, chunk_); }

    fs::path dir_;
    std::FILE* image_ = nullptr;
    std::vector<uint8_t> chunk_ = std::vector<uint8_t>(kChunkBytes);
};

TEST_F(ImageReaderTest, DeliversPaddedChunksUntilTheFileEnds) {
    for (size_t size : {0u, 1u, 32768u, 65536u, 65537u, 98304u}) {
        SCOPED_TRACE("file size " + std::to_string(size));
        const std::vector<uint8_t> image = PatternImage(size);
        OpenImage(image);
        const size_t chunks = (size + kChunkBytes - 1) / kChunkBytes;
        for (size_t k = 0; k < chunks; ++k) {
            ASSERT_TRUE(ReadChunk()) << "chunk " << k;
            std::vector<uint8_t> expected(kChunkBytes, 0xFF);
            for (size_t i = 0; i < kChunkBytes && k * kChunkBytes + i < size; ++i) {
                expected[i] = image[k * kChunkBytes + i];
            }
            EXPECT_EQ(chunk_, expected) << "chunk " << k;
        }
        // The end leaves the chunk as it was, however often it is asked.
        const std::vector<uint8_t> last = chunk_;
        EXPECT_FALSE(ReadChunk());
        EXPECT_FALSE(ReadChunk());
        EXPECT_EQ(chunk_, last);
    }
}

TEST_F(ImageReaderTest, NoImageFileDeliversNothing) {
    EXPECT_FALSE(ReadChunk());
    EXPECT_EQ(IMG_MeasureImage(nullptr).status, ImageLength::Unmeasurable);
}

TEST_F(ImageReaderTest, MeasuresSizeAndFourKilobyteUnitsAndRewinds) {
    struct Case {
        uint64_t size;
        uint16_t sectors;
    };
    for (const Case c : {Case{0, 0}, Case{1, 1}, Case{4096, 1}, Case{4097, 2}, Case{131072, 32},
                         Case{kMaxImageBytes, 4096}}) {
        SCOPED_TRACE("file size " + std::to_string(c.size));
        OpenSparseImage(c.size);
        std::fseek(image_, 0, SEEK_END);
        const ImageMeasure measure = IMG_MeasureImage(image_);
        ASSERT_EQ(measure.status, ImageLength::Measured);
        EXPECT_EQ(measure.bytes, c.size);
        EXPECT_EQ(measure.sectors, c.sectors);
        EXPECT_EQ(std::ftell(image_), 0);
    }
}

TEST_F(ImageReaderTest, RefusesImagesBeyondSixteenMebibytes) {
    // 4 GiB + 4096 would read as a 4096-byte image if the length were taken in 32 bits.
    for (uint64_t size : {kMaxImageBytes + 1, (uint64_t{1} << 32) + 4096}) {
        SCOPED_TRACE("file size " + std::to_string(size));
        OpenSparseImage(size);
        EXPECT_EQ(IMG_MeasureImage(image_).status, ImageLength::TooLarge);
    }
}

// A pipe has no length, and a character device claims a length of 0: neither may pass for
// an image of the length it shows, least of all an empty one.
TEST_F(ImageReaderTest, StreamsWithoutAFileLengthAreUnmeasurable) {
    int fds[2];
#ifdef _WIN32
    ASSERT_EQ(::_pipe(fds, 4096, _O_BINARY), 0);
    ASSERT_EQ(::_write(fds[1], "abc", 3), 3);
    ::_close(fds[1]);
    std::FILE* pipe = ::_fdopen(fds[0], "rb");
    const char* device_name = "NUL";
#else
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], "abc", 3), 3);
    ::close(fds[1]);
    std::FILE* pipe = ::fdopen(fds[0], "rb");
    const char* device_name = "/dev/zero";
#endif
    ASSERT_NE(pipe, nullptr);
    std::FILE* device = std::fopen(device_name, "rb");
    ASSERT_NE(device, nullptr);
    for (std::FILE* stream : {pipe, device}) {
        EXPECT_EQ(IMG_MeasureImage(stream).status, ImageLength::Unmeasurable);
    }
    std::fclose(pipe);
    std::fclose(device);
}

TEST_F(ImageReaderTest, ByteSumCoversWholeChunksWithTheirFill) {
    OpenImage({0x00});
    ASSERT_TRUE(ReadChunk());
    EXPECT_EQ(IMG_AddChunkToSum(0, chunk_), 65535u * 255u);  // 16711425

    const std::vector<uint8_t> image = PatternImage(65537);
    OpenImage(image);
    uint32_t expected = 65535u * 255u;
    for (uint8_t b : image) expected += b;
    uint32_t sum = 0;
    while (ReadChunk()) sum = IMG_AddChunkToSum(sum, chunk_);
    EXPECT_EQ(sum, expected);
}

}  // namespace
