// libspng called exactly as the program calls it: the PNG reader over the fuzz bytes as the file,
// decoding the whole image and then, from a second reader, a top-left part that the last four
// bytes choose. The header reader must agree with libspng on the size. Random changes break the
// chunks' checksums, where libspng stops: in three inputs of four (by their size) the checksums
// are mended first, so the fuzzer reaches the decoding behind them.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "imaging/image_header.h"
#include "imaging/png_reader.h"

#include <zlib.h>

namespace {

constexpr std::uint64_t kMostPixels = 16u << 20;  // larger images would only exhaust the fuzzer's memory

std::optional<bool> DecodePart(kino::PngReader& reader, std::uint32_t w, std::uint32_t h,
                               std::vector<std::uint32_t>& pixels) {
    pixels.assign(std::size_t{w} * h, 0);
    return reader.DecodeTopLeft(w, h, [&](std::uint32_t y) {
        kino::fuzz::Require(y < h, "rows of the part only");
        return pixels.data() + std::size_t{y} * w;
    });
}

// The file read in order, as the program reads it.
kino::PngReader::ReadNext Reading(const std::vector<std::uint8_t>& file) {
    return [&file, at = std::size_t{0}](std::uint8_t* into, std::size_t size) mutable {
        const std::size_t n = std::min(size, file.size() - at);
        std::copy_n(file.data() + at, n, into);
        at += n;
        return n;
    };
}

std::uint32_t BigEndian(const std::uint8_t* p) { return std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

void MendChecksums(std::vector<std::uint8_t>& file) {
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::uint32_t length = BigEndian(&file[at]);
        if (length > file.size() - at - 12) break;
        const std::uint32_t crc = crc32(0, &file[at + 4], length + 4);
        for (int i = 0; i < 4; ++i) file[at + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at += 12 + std::size_t{length};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using kino::fuzz::Require;
    std::uint32_t choice = 0;
    std::memcpy(&choice, bytes + size - std::min<std::size_t>(size, 4), std::min<std::size_t>(size, 4));
    std::vector<std::uint8_t> file(bytes, bytes + size);
    if (size % 4 != 0) MendChecksums(file);
    const std::uint8_t* const data = file.data();
    kino::PngReader whole;
    if (!whole.Open(Reading(file))) return 0;
    const std::uint32_t w = whole.Width(), h = whole.Height();
    const std::optional<kino::ImageSize> header = kino::ReadImageSize([&](std::uint64_t at, std::uint8_t* into,
                                                                          std::size_t wanted) -> std::size_t {
        if (at >= size) return 0;
        const std::size_t n = std::min<std::uint64_t>(wanted, size - at);
        std::memcpy(into, data + at, n);
        return n;
    });
    Require(header && header->width == w && header->height == h, "the header reader reads libspng's size");
    if (std::uint64_t{w} * h > kMostPixels) return 0;

    std::vector<std::uint32_t> all, part;
    const std::optional<bool> opaque = DecodePart(whole, w, h, all);
    const std::uint32_t pw = 1 + (choice & 0xFFFF) % w, ph = 1 + (choice >> 16) % h;
    kino::PngReader again;
    Require(again.Open(Reading(file)), "a file opens twice alike");
    const std::optional<bool> partOpaque = DecodePart(again, pw, ph, part);
    if (!opaque) return 0;  // a part above the damage may still decode
    Require(partOpaque.has_value(), "a part of a decodable image decodes");
    bool allOpaque = true, partAllOpaque = true;
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::uint32_t pixel = all[std::size_t{y} * w + x];
            allOpaque &= pixel >> 24 == 0xFF;
            if (x >= pw || y >= ph) continue;
            Require(part[std::size_t{y} * pw + x] == pixel, "the part is the whole's rectangle");
            partAllOpaque &= pixel >> 24 == 0xFF;
        }
    }
    Require(*opaque == allOpaque && *partOpaque == partAllOpaque, "opaque when every alpha is full");
    return 0;
}
