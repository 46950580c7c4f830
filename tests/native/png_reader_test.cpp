#include "imaging/png_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kino {
namespace {

using Pixels = std::vector<std::uint32_t>;  // 0xAARRGGBB, row after row

void PutBigEndian(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift));
}

std::string Chunk(const char* type, const std::string& data) {
    std::string chunk, typed = type + data;
    PutBigEndian(chunk, static_cast<std::uint32_t>(data.size()));
    PutBigEndian(chunk.append(typed), crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size()));
    return chunk;
}

// The image's pixels for a colour type: distinct colours; RGBA has one translucent corner, the
// palette a transparent entry.
std::uint32_t PixelAt(int type, std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
    const std::uint32_t palette[] = {0xFF102030u, 0xFFC08040u, 0x80FFFFFFu, 0x00000000u};
    if (type == 3) return palette[(x + y) % 4];
    if (type == 0) return 0xFF000000u | (x * 20 + y * 3) * 0x010101u;
    const std::uint32_t alpha = type == 6 && x == w - 1 && y == h - 1 ? 0x40u : 0xFFu;
    return alpha << 24 | (x * 40) << 16 | (y * 30) << 8 | ((x * y * 7) & 0xFF);
}

std::string Samples(int type, std::uint32_t argb, std::uint32_t index) {
    const auto byte = [argb](int shift) { return static_cast<char>(argb >> shift); };
    if (type == 3) return std::string(1, static_cast<char>(index % 4));
    if (type == 0) return std::string(1, byte(0));
    return type == 6 ? std::string{byte(16), byte(8), byte(0), byte(24)} : std::string{byte(16), byte(8), byte(0)};
}

// A PNG whose scanlines (Adam7's passes when interlaced) go one to an IDAT chunk, so that a file
// cut after `rows` chunks holds exactly those rows (-1: the whole file).
std::string Png(int type, std::uint32_t w, std::uint32_t h, bool interlaced, int depth = 8, int rows = -1) {
    std::string header;
    PutBigEndian(header, w);
    PutBigEndian(header, h);
    header += std::string{static_cast<char>(depth), static_cast<char>(type), 0, 0, static_cast<char>(interlaced)};
    std::string png = "\x89PNG\r\n\x1a\n" + Chunk("IHDR", header);
    if (type == 3) png += Chunk("PLTE", std::string("\x10\x20\x30\xC0\x80\x40\xFF\xFF\xFF\0\0\0", 12)) +
                          Chunk("tRNS", std::string("\xFF\xFF\x80\0", 4));
    using Pass = std::array<std::uint32_t, 4>;  // first x, first y, x step, y step
    const std::vector<Pass> passes = interlaced ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8},
                                                                    {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2},
                                                                    {0, 1, 1, 2}}
                                                : std::vector<Pass>{{0, 0, 1, 1}};
    z_stream z{};
    deflateInit(&z, Z_DEFAULT_COMPRESSION);
    const auto compress = [&](std::string in, int flush) {
        std::string out(deflateBound(&z, in.size()) + 64, '\0');
        z.next_in = reinterpret_cast<Bytef*>(in.data()), z.avail_in = static_cast<uInt>(in.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data()), z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, flush);
        out.resize(out.size() - z.avail_out);
        return Chunk("IDAT", out);
    };
    std::vector<std::string> idats;
    for (const auto& [x0, y0, dx, dy] : passes) {
        for (std::uint32_t y = y0; x0 < w && y < h; y += dy) {
            std::string line(1, '\0');  // no filter
            for (std::uint32_t x = x0; x < w; x += dx) line += Samples(type, PixelAt(type, x, y, w, h), x + y);
            idats.push_back(compress(line, Z_FULL_FLUSH));
        }
    }
    idats.push_back(compress({}, Z_FINISH));
    deflateEnd(&z);
    if (rows >= 0) idats.resize(static_cast<std::size_t>(rows));
    for (const std::string& idat : idats) png += idat;
    return rows >= 0 ? png : png + Chunk("IEND", {});
}

// The top-left part as the reader decodes it, and whether it called the part opaque.
std::optional<std::pair<Pixels, bool>> Decode(const std::string& png, std::uint32_t partW, std::uint32_t partH) {
    PngReader reader;
    if (!reader.Open(reinterpret_cast<const std::uint8_t*>(png.data()), png.size())) return std::nullopt;
    Pixels part(std::size_t{partW} * partH, 0xDEADBEEFu);
    const auto opaque = reader.DecodeTopLeft(partW, partH, [&](std::uint32_t y) { return &part[y * partW]; });
    if (!opaque) return std::nullopt;
    return std::pair(part, *opaque);
}

TEST(PngReader, PartEqualsTheSameRectangleOfTheWholeImage) {
    struct Case {
        const char* what;
        int type;
        std::uint32_t w, h;
        bool interlaced;
        std::uint32_t partW, partH;
        int cutAfterRows;  // -1: the whole file; else the part is expected only when it lies above the cut
    } cases[] = {
        {"opaque RGB", 2, 7, 5, false, 3, 2, -1},
        {"RGBA, full-width rows above the translucent corner", 6, 6, 4, false, 6, 3, -1},
        {"RGBA, narrow columns", 6, 6, 4, false, 2, 4, -1},
        {"palette with tRNS", 3, 5, 3, false, 4, 2, -1},
        {"grey", 0, 4, 4, false, 1, 1, -1},
        {"interlaced RGBA, small part", 6, 13, 11, true, 5, 3, -1},
        {"interlaced RGBA, full-width rows", 6, 13, 11, true, 13, 6, -1},
        {"interlaced palette, narrow columns", 3, 13, 11, true, 3, 11, -1},
        {"interlaced RGB, the whole image", 2, 9, 10, true, 9, 10, -1},
        {"cut short below the part", 2, 6, 8, false, 6, 3, 4},
        {"cut short inside the part", 2, 6, 8, false, 4, 5, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto whole = Decode(Png(c.type, c.w, c.h, c.interlaced), c.w, c.h);
        ASSERT_TRUE(whole);
        Pixels expected, rectangle;
        bool opaque = true;
        for (std::uint32_t y = 0; y < c.h; ++y) {
            for (std::uint32_t x = 0; x < c.w; ++x) {
                expected.push_back(PixelAt(c.type, x, y, c.w, c.h));
                if (x >= c.partW || y >= c.partH) continue;
                rectangle.push_back(expected.back());
                opaque &= expected.back() >> 24 == 0xFF;
            }
        }
        EXPECT_EQ(whole->first, expected);
        EXPECT_EQ(whole->second, c.type == 2 || c.type == 0);
        const std::string file = Png(c.type, c.w, c.h, c.interlaced, 8, c.cutAfterRows);
        const auto part = Decode(file, c.partW, c.partH);
        if (c.cutAfterRows >= 0) {
            EXPECT_FALSE(Decode(file, c.w, c.h)) << "the whole of a cut file";
        }
        if (c.cutAfterRows >= 0 && c.partH > static_cast<std::uint32_t>(c.cutAfterRows)) {
            EXPECT_FALSE(part);
            continue;
        }
        ASSERT_TRUE(part);
        EXPECT_EQ(part->first, rectangle);
        EXPECT_EQ(part->second, opaque);
    }
}

TEST(PngReader, LeavesSixteenBitsPerChannelToOtherDecoders) {
    const std::string png = Png(2, 2, 2, false, 16);
    PngReader reader;
    EXPECT_FALSE(reader.Open(reinterpret_cast<const std::uint8_t*>(png.data()), png.size()));
    EXPECT_TRUE(Decode(Png(2, 2, 2, false), 2, 2)) << "the same file with 8 bits";
}

}  // namespace
}  // namespace kino
