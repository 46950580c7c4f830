// The fuzzer (fuzz/png_reader_fuzz.cpp) checks on every test run that a part is the whole image's
// rectangle and that "opaque" tells the truth; these cases check what it can't: the colours
// themselves, and which files decode at all.
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

std::string BigEndian(std::uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string Chunk(const char* type, const std::string& data) {
    const std::string typed = type + data;
    return BigEndian(static_cast<std::uint32_t>(data.size())) + typed +
           BigEndian(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
}

// Colour type 2 (RGB), 6 (RGBA, one translucent corner) or 3 (a palette with a transparent entry).
std::uint32_t PixelAt(int type, std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
    if (type == 3) return std::array{0xFF102030u, 0xFFC08040u, 0x80FFFFFFu, 0x00000000u}[(x + y) % 4];
    const std::uint32_t alpha = type == 6 && x == w - 1 && y == h - 1 ? 0x40u : 0xFFu;
    return alpha << 24 | (x * 40) << 16 | (y * 30) << 8 | ((x * y * 7) & 0xFF);
}

// Scanlines (Adam7's passes when interlaced) go one to an IDAT chunk, so that the file cut after
// `rows` chunks holds exactly those rows (-1: the whole file).
std::string Png(int type, std::uint32_t w, std::uint32_t h, bool interlaced, int rows = -1, char depth = 8) {
    std::string png = "\x89PNG\r\n\x1a\n" + Chunk("IHDR", BigEndian(w) + BigEndian(h) + depth + char(type) +
                                                              std::string(2, '\0') + char(interlaced));
    if (type == 3) png += Chunk("PLTE", std::string("\x10\x20\x30\xC0\x80\x40\xFF\xFF\xFF\0\0\0", 12)) +
                          Chunk("tRNS", std::string("\xFF\xFF\x80\0", 4));
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
                const std::uint32_t p = PixelAt(type, x, y, w, h);
                line += type == 3 ? std::string{char((x + y) % 4)} : std::string{char(p >> 16), char(p >> 8), char(p)};
                if (type == 6) line += char(p >> 24);
            }
            idat(line, Z_FULL_FLUSH);
        }
    }
    if (rows != 0) idat({}, Z_FINISH);
    deflateEnd(&z);
    return rows == 0 ? png : png + Chunk("IEND", {});
}

// The top-left part as the reader decodes it; nothing when it fails.
std::optional<Pixels> Decode(const std::string& png, std::uint32_t partW, std::uint32_t partH) {
    PngReader reader;
    Pixels part(std::size_t{partW} * partH, 0xDEADBEEFu);
    if (!reader.Open(reinterpret_cast<const std::uint8_t*>(png.data()), png.size()) ||
        !reader.DecodeTopLeft(partW, partH, [&](std::uint32_t y) { return &part[y * partW]; }))
        return std::nullopt;
    return part;
}

TEST(PngReader, DecodesTheTopLeftPartsColoursAndStopsBelowIt) {
    const struct {
        const char* what;
        int type;
        std::uint32_t w, h;
        bool interlaced;
        std::uint32_t partW, partH;
        int cutAfterRows;  // -1: the whole file; else the part decodes only when it lies above the cut
    } cases[] = {
        {"opaque RGB", 2, 7, 5, false, 3, 2, -1},
        {"palette with tRNS", 3, 5, 3, false, 4, 2, -1},
        {"interlaced RGBA, full-width rows", 6, 13, 11, true, 13, 6, -1},
        {"cut short below the part", 2, 6, 8, false, 6, 3, 4},
        {"cut short inside the part", 2, 6, 8, false, 4, 5, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Pixels expected;
        for (std::uint32_t y = 0; y < c.partH; ++y)
            for (std::uint32_t x = 0; x < c.partW; ++x) expected.push_back(PixelAt(c.type, x, y, c.w, c.h));
        const std::string file = Png(c.type, c.w, c.h, c.interlaced, c.cutAfterRows);
        EXPECT_EQ(Decode(file, c.w, c.h).has_value(), c.cutAfterRows < 0) << "the whole";
        EXPECT_EQ(Decode(file, c.partW, c.partH),
                  c.partH > static_cast<std::uint32_t>(c.cutAfterRows) ? std::nullopt : std::optional(expected));
    }
    const std::string deep = Png(2, 2, 2, false, -1, 16);
    EXPECT_FALSE(PngReader().Open(reinterpret_cast<const std::uint8_t*>(deep.data()), deep.size())) << "16-bit";
}

}  // namespace
}  // namespace kino
