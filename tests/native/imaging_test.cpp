// Image headers, frame memory, pixel rows and the PNG reader.
#include "imaging/frame_memory.h"
#include "imaging/image_header.h"
#include "imaging/pixel_rows.h"
#include "imaging/png_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

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

using namespace std::string_literals;

TEST(ReadImageSize, ReadsTheSizeFromEachKindOfHeader) {
    const std::string png = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x07\x80\0\0\x04\x38"s;
    // A big metadata segment, fill bytes, then a progressive frame header.
    const std::string jpeg =
        "\xFF\xD8\xFF\xE1\x10\x00"s + std::string(0x0FFE, 'x') + "\xFF\xFF\xC2\x00\x11\x08\x02\xD0\x05\x00"s;
    const std::string bmp = "BM"s + std::string(12, '\0') + "\x28\0\0\0\x20\x03\0\0"s;  // then the height
    const struct {
        const char* what;
        std::string bytes;
        std::optional<ImageSize> size;
    } rows[] = {
        {"png", png, ImageSize{1920, 1080}},
        {"jpeg", jpeg, ImageSize{1280, 720}},
        {"bmp, rows top-down", bmp + "\x18\xFC\xFF\xFF"s, ImageSize{800, 1000}},
        {"bmp, core header", "BM"s + std::string(12, '\0') + "\x0C\0\0\0\x40\0\x30\0"s, ImageSize{64, 48}},
        {"gif", "GIF89a\x40\x01\xF0\x00"s, ImageSize{320, 240}},
        {"png cut short", png.substr(0, 23), std::nullopt},
        {"png of width 0", png.substr(0, 16) + std::string(4, '\0') + png.substr(20), std::nullopt},
        {"jpeg, image data first", "\xFF\xD8\xFF\xDA\x00\x02\xFF\xC0\x00\x11\x08\x00\x10\x00\x10"s, std::nullopt},
        {"jpeg that stops", "\xFF\xD8\xFF\xE0\x00\x10"s, std::nullopt},
        {"bmp of negative width", "BM"s + std::string(12, '\0') + "\x28\0\0\0\xFF\xFF\xFF\xFF\1\0\0\0"s, std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(SizeOf(row.bytes), row.size) << row.what;
}

TEST(FrameMemory, FramesBeyondWhatADecoderMakesCountNothingAndRoomIsTheSmallestLimit) {
    EXPECT_EQ(FrameBytes({256999, 2089}), 0x7FFFFFFCu);  // the most pixels under 2 GiB
    EXPECT_EQ(FrameBytes({32768, 16384}), 0u);          // 2 GiB
    EXPECT_EQ(FrameBytes({2147443516, 2147523781}), 0u);  // times 4 wraps 64 bits to under 2 GiB

    constexpr std::uint64_t G = 1ull << 30;
    const std::pair<SystemMemory, std::uint64_t> rows[] = {
        {{3 * G, 20 * G, 24 * G, 30 * G}, 3 * G},        // a 32-bit process's address space
        {{128000 * G, 2 * G, 24 * G, 30 * G}, 5 * G},    // free memory plus an eighth of it all
        {{128000 * G, 20 * G, 24 * G, 4 * G}, 4 * G},    // the commit limit
    };
    for (const auto& [memory, room] : rows) EXPECT_EQ(RoomForFrames(memory), room);
}

using Words = std::vector<std::uint32_t>;  // pixels 0xAARRGGBB, row after row

TEST(PixelRows, OpaqueOnlyWhenEveryAlphaIsFullAndPremultipliedToTheNearestLevel) {
    const Words row = {0xFF102030u, 0xFF102030u, 0x7FFFFFFFu, 0xFE102030u};
    for (std::size_t width : {1, 2, 3, 4}) EXPECT_EQ(RowOpaque(row.data(), width), width < 3) << width;
    const Words from = {0xFF123456u, 0x80FF8040u, 0x00FFFFFFu, 0x01FF0000u, 0xADE70000u};
    Words to(from.size());
    PremultiplyRow(from.data(), to.data(), from.size());
    EXPECT_EQ(to, (Words{0xFF123456u, 0x80804020u, 0x00000000u, 0x01010000u, 0xAD9D0000u}));  // 231 x 173 / 255
}

// The fuzzer (fuzz/png_reader_fuzz.cpp) checks on every test run that a part is the whole image's
// rectangle and that "opaque" tells the truth; these cases check what it can't: the colours
// themselves, and which files decode at all.

std::string BigEndian(std::uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string Chunk(const char* type, const std::string& data) {
    const std::string typed = type + data;
    return BigEndian(static_cast<std::uint32_t>(data.size())) + typed +
           BigEndian(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
}

// Colour type 2 (RGB; keyed: black made transparent by a tRNS chunk) or 6 (RGBA, one translucent corner).
std::uint32_t PixelAt(int type, bool keyed, std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
    if (type == 2 && x + y == 0) return keyed ? 0 : 0xFF000000u;  // the one black pixel
    const std::uint32_t alpha = type == 6 && x == w - 1 && y == h - 1 ? 0x40u : 0xFFu;
    return alpha << 24 | (x * 40) << 16 | (y * 30) << 8 | ((x * y * 7) & 0xFF);
}

// Scanlines (Adam7's passes when interlaced) go one to an IDAT chunk, so that the file cut after
// `rows` chunks holds exactly those rows (-1: the whole file).
std::string Png(int type, bool keyed, std::uint32_t w, std::uint32_t h, bool interlaced, int rows = -1) {
    std::string png = "\x89PNG\r\n\x1a\n" + Chunk("IHDR", BigEndian(w) + BigEndian(h) + char(8) + char(type) +
                                                              std::string(2, '\0') + char(interlaced));
    if (type == 2 && keyed) png += Chunk("tRNS", std::string(6, '\0'));
    using Passes = std::vector<std::array<std::uint32_t, 4>>;  // first x, first y, x step, y step
    const Passes adam7 = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2},
                          {0, 1, 1, 2}};
    z_stream z{};
    deflateInit(&z, Z_DEFAULT_COMPRESSION);
    const auto idat = [&](std::string in, int flush) {
        std::string out(deflateBound(&z, in.size()) + 64, '\0');
        z.next_in = reinterpret_cast<Bytef*>(in.data()), z.avail_in = static_cast<uInt>(in.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data()), z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, flush);
        out.resize(out.size() - z.avail_out);
        png += Chunk("IDAT", out);
        --rows;
    };
    for (const auto& [x0, y0, dx, dy] : interlaced ? adam7 : Passes{{0, 0, 1, 1}}) {
        for (std::uint32_t y = y0; x0 < w && y < h && rows != 0; y += dy) {
            std::string line(1, '\0');  // no filter
            for (std::uint32_t x = x0; x < w; x += dx) {
                const std::uint32_t p = PixelAt(type, keyed, x, y, w, h);
                line += std::string{char(p >> 16), char(p >> 8), char(p)};
                if (type == 6) line += char(p >> 24);
            }
            idat(line, Z_FULL_FLUSH);
        }
    }
    if (rows != 0) idat({}, Z_FINISH);
    deflateEnd(&z);
    return rows == 0 ? png : png + Chunk("IEND", {});
}

// The file's bytes read in order, as the program reads a file.
PngReader::ReadNext Reading(const std::string& file) {
    return [&file, at = std::size_t{0}](std::uint8_t* into, std::size_t size) mutable {
        const std::size_t n = std::min(size, file.size() - at);
        std::copy_n(file.data() + at, n, into);
        at += n;
        return n;
    };
}

// The top-left part as the reader decodes it; nothing when it fails.
std::optional<Words> Decode(const std::string& png, std::uint32_t partW, std::uint32_t partH) {
    PngReader reader;
    Words part(std::size_t{partW} * partH, 0xDEADBEEFu);
    if (!reader.Open(Reading(png)) ||
        !reader.DecodeTopLeft(partW, partH, [&](std::uint32_t y) { return &part[y * partW]; }))
        return std::nullopt;
    return part;
}

TEST(PngReader, DecodesTheTopLeftPartsColoursAndStopsBelowIt) {
    const struct {
        const char* what;
        int type;
        bool keyed;
        std::uint32_t w, h;
        bool interlaced;
        std::uint32_t partW, partH;
        int cutAfterRows;  // -1: the whole file; else the part decodes only when it lies above the cut
    } cases[] = {
        {"RGB, keyed", 2, true, 7, 5, false, 3, 2, -1},
        {"interlaced RGBA, full-width rows", 6, false, 13, 11, true, 13, 6, -1},
        {"RGB cut short below the part", 2, false, 6, 8, false, 6, 3, 4},
        {"RGB cut short inside the part", 2, false, 6, 8, false, 4, 5, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Words expected;
        for (std::uint32_t y = 0; y < c.partH; ++y)
            for (std::uint32_t x = 0; x < c.partW; ++x) expected.push_back(PixelAt(c.type, c.keyed, x, y, c.w, c.h));
        const std::string file = Png(c.type, c.keyed, c.w, c.h, c.interlaced, c.cutAfterRows);
        EXPECT_EQ(Decode(file, c.w, c.h).has_value(), c.cutAfterRows < 0) << "the whole";
        EXPECT_EQ(Decode(file, c.partW, c.partH),
                  c.partH > static_cast<std::uint32_t>(c.cutAfterRows) ? std::nullopt : std::optional(expected));
    }
    std::string damaged = Png(2, false, 4, 4, false);
    damaged[damaged.size() - 13] ^= 1;  // the last image chunk's checksum
    EXPECT_FALSE(Decode(damaged, 4, 4)) << "a damaged checksum after the last row";
}

}  // namespace
}  // namespace kino
