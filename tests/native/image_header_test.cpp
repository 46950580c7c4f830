#include "imaging/image_header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "imaging/frame_memory.h"

namespace kino {
namespace {

std::optional<ImageSize> SizeOf(const std::string& bytes) {
    return ReadImageSize([&](std::uint64_t offset, std::uint8_t* into, std::size_t size) -> std::size_t {
        if (offset >= bytes.size()) return 0;
        const std::size_t n = std::min<std::size_t>(size, bytes.size() - offset);
        std::memcpy(into, bytes.data() + offset, n);
        return n;
    });
}

std::string S(const char* bytes, std::size_t size) { return std::string(bytes, size); }

TEST(ReadImageSize, ReadsTheSizeFromEachKindOfHeader) {
    const std::string png = S("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x07\x80\0\0\x04\x38", 24);
    // A big metadata segment, fill bytes, then a progressive frame header.
    const std::string jpeg = S("\xFF\xD8\xFF\xE1\x10\x00", 6) + std::string(0x0FFE, 'x') +
                             S("\xFF\xFF\xC2\x00\x11\x08\x02\xD0\x05\x00", 10);
    const std::string bmp = S("BM", 2) + std::string(12, '\0') + S("\x28\0\0\0\x20\x03\0\0\x18\xFC\xFF\xFF", 12);
    const std::string core = S("BM", 2) + std::string(12, '\0') + S("\x0C\0\0\0\x40\0\x30\0", 8);
    const struct {
        const char* what;
        std::string bytes;
        std::optional<ImageSize> size;
    } rows[] = {
        {"png", png, ImageSize{1920, 1080}},
        {"jpeg", jpeg, ImageSize{1280, 720}},
        {"bmp, rows top-down", bmp, ImageSize{800, 1000}},
        {"bmp, core header", core, ImageSize{64, 48}},
        {"gif", S("GIF89a\x40\x01\xF0\x00", 10), ImageSize{320, 240}},
        {"png cut short", png.substr(0, 23), std::nullopt},
        {"png of width 0", S("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\0\0\0\x04\x38", 24), std::nullopt},
        {"jpeg, image data before the frame header", S("\xFF\xD8\xFF\xDA\x00\x02\xFF\xC0\x00\x11\x08\x00\x10\x00\x10", 15),
         std::nullopt},
        {"jpeg that stops", S("\xFF\xD8\xFF\xE0\x00\x10", 6), std::nullopt},
        {"bmp of negative width", S("BM", 2) + std::string(12, '\0') + S("\x28\0\0\0\xFF\xFF\xFF\xFF\x01\0\0\0", 12),
         std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(SizeOf(row.bytes), row.size) << row.what;
}

TEST(FrameMemory, FramesBeyondWhatADecoderMakesCountNothingAndRoomIsTheSmallestLimit) {
    EXPECT_EQ(FrameBytes({256999, 2089}), 0x7FFFFFFCu);  // the most pixels under 2 GiB
    EXPECT_EQ(FrameBytes({32768, 16384}), 0u);          // 2 GiB
    EXPECT_EQ(FrameBytes({2147443516, 2147523781}), 0u);  // times 4 wraps 64 bits to under 2 GiB

    constexpr std::uint64_t G = 1ull << 30;
    const struct {
        SystemMemory memory;
        std::uint64_t room;
    } rows[] = {
        {{3 * G, 20 * G, 24 * G, 30 * G}, 3 * G},        // a 32-bit process's address space
        {{128000 * G, 2 * G, 24 * G, 30 * G}, 5 * G},    // free memory plus an eighth of it all
        {{128000 * G, 20 * G, 24 * G, 4 * G}, 4 * G},    // the commit limit
    };
    for (const auto& row : rows) EXPECT_EQ(RoomForFrames(row.memory), row.room);
}

}  // namespace
}  // namespace kino
