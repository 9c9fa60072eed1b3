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

#include "flash/chunk_buffers.h"
#include "flash/image_reader.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> PatternImage(size_t size) {
    std::vector<uint8_t> image(size);
    for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    return image;
}

std::vector<uint8_t> CurrentChunk() {
    std::vector<uint8_t> chunk(kChunkBytes);
    std::memcpy(chunk.data(), g_LowHalf, kHalfBytes);
    std::memcpy(chunk.data() + kHalfBytes, g_HighHalf, kHalfBytes);
    return chunk;
}

class ImageReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vantu_image_reader_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        g_ChunkNo = 0;
        g_BinSum = 0;
        g_FileSize = 0;
        g_SectorCount = 0;
        ASSERT_TRUE(buffers_.allocated());
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
        g_ImageFile = std::fopen(path.string().c_str(), "rb");
        ASSERT_NE(g_ImageFile, nullptr);
    }
    void CloseImage() {
        if (g_ImageFile != nullptr) std::fclose(g_ImageFile);
        g_ImageFile = nullptr;
    }

    fs::path dir_;
    ChunkBuffers buffers_;
};

TEST_F(ImageReaderTest, DeliversPaddedChunksUntilTheFileEnds) {
    for (size_t size : {0u, 1u, 32768u, 65536u, 65537u, 98304u}) {
        SCOPED_TRACE("file size " + std::to_string(size));
        const std::vector<uint8_t> image = PatternImage(size);
        OpenImage(image);
        g_ChunkNo = 0;
        const size_t chunks = (size + kChunkBytes - 1) / kChunkBytes;
        for (size_t k = 0; k < chunks; ++k) {
            ASSERT_TRUE(IMG_ReadChunk()) << "chunk " << k;
            EXPECT_EQ(g_ChunkNo, k + 1);
            std::vector<uint8_t> expected(kChunkBytes, 0xFF);
            for (size_t i = 0; i < kChunkBytes && k * kChunkBytes + i < size; ++i) {
                expected[i] = image[k * kChunkBytes + i];
            }
            EXPECT_EQ(CurrentChunk(), expected) << "chunk " << k;
        }
        // The end leaves buffers and counter as they were, however often it is asked.
        const std::vector<uint8_t> last = CurrentChunk();
        EXPECT_FALSE(IMG_ReadChunk());
        EXPECT_FALSE(IMG_ReadChunk());
        EXPECT_EQ(g_ChunkNo, chunks);
        EXPECT_EQ(CurrentChunk(), last);
    }
}

TEST_F(ImageReaderTest, NoImageFileDeliversNothing) {
    EXPECT_FALSE(IMG_ReadChunk());
    EXPECT_EQ(g_ChunkNo, 0);
    EXPECT_EQ(IMG_MeasureImage(), ImageLength::Unmeasurable);
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
        std::fseek(g_ImageFile, 0, SEEK_END);
        ASSERT_EQ(IMG_MeasureImage(), ImageLength::Measured);
        EXPECT_EQ(g_FileSize, c.size);
        EXPECT_EQ(g_SectorCount, c.sectors);
        EXPECT_EQ(std::ftell(g_ImageFile), 0);
    }
}

TEST_F(ImageReaderTest, RefusesImagesBeyondSixteenMebibytesWithoutTouchingTheState) {
    // 4 GiB + 4096 would read as a 4096-byte image if the length were taken in 32 bits.
    for (uint64_t size : {kMaxImageBytes + 1, (uint64_t{1} << 32) + 4096}) {
        SCOPED_TRACE("file size " + std::to_string(size));
        OpenSparseImage(size);
        g_FileSize = 123;
        g_SectorCount = 7;
        EXPECT_EQ(IMG_MeasureImage(), ImageLength::TooLarge);
        EXPECT_EQ(g_FileSize, 123u);
        EXPECT_EQ(g_SectorCount, 7u);
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
        ScopedImageFile image(stream);
        g_FileSize = 123;
        EXPECT_EQ(IMG_MeasureImage(), ImageLength::Unmeasurable);
        EXPECT_EQ(g_FileSize, 123u);
    }
    std::fclose(pipe);
    std::fclose(device);
}

TEST_F(ImageReaderTest, ByteSumCoversWholeChunksWithTheirFill) {
    OpenImage({0x00});
    ASSERT_TRUE(IMG_ReadChunk());
    IMG_AddChunkToSum();
    EXPECT_EQ(g_BinSum, 65535u * 255u);  // 16711425

    const std::vector<uint8_t> image = PatternImage(65537);
    OpenImage(image);
    g_BinSum = 0;
    uint32_t expected = 65535u * 255u;
    for (uint8_t b : image) expected += b;
    while (IMG_ReadChunk()) IMG_AddChunkToSum();
    EXPECT_EQ(g_BinSum, expected);
}

TEST(ChunkBuffersTest, PointsTheHalvesAtItsBuffersForItsLifetime) {
    uint8_t* const before_low = g_LowHalf;
    uint8_t* const before_high = g_HighHalf;
    {
        ChunkBuffers buffers;
        ASSERT_TRUE(buffers.allocated());
        ASSERT_NE(g_LowHalf, nullptr);
        ASSERT_NE(g_HighHalf, nullptr);
        EXPECT_NE(g_LowHalf, g_HighHalf);
        // Both halves are whole: writing their last bytes is fine (ASan would catch less).
        g_LowHalf[kHalfBytes - 1] = 1;
        g_HighHalf[kHalfBytes - 1] = 2;
    }
    EXPECT_EQ(g_LowHalf, before_low);
    EXPECT_EQ(g_HighHalf, before_high);
}

}  // namespace
