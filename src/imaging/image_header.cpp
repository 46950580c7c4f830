#include "imaging/image_header.h"

#include <array>
#include <cstring>

namespace kino {
namespace {

template <std::size_t N>
bool ReadExactly(const ReadAt& read, std::uint64_t offset, std::array<std::uint8_t, N>& into) {
    return read(offset, into.data(), N) == N;
}

std::uint32_t BigEndian(const std::uint8_t* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | p[i];
    return value;
}

std::uint32_t LittleEndian(const std::uint8_t* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

std::optional<ImageSize> Sized(std::uint32_t width, std::uint32_t height) {
    if (width == 0 || height == 0) return std::nullopt;
    return ImageSize{width, height};
}

// Walks the marker segments up to the first start-of-frame, skipping each by its length, so that
// large metadata segments in front of it cost no reading.
std::optional<ImageSize> JpegSize(const ReadAt& read) {
    std::uint64_t at = 2;
    for (int segments = 0; segments < 100000; ++segments) {
        std::array<std::uint8_t, 2> marker{};
        if (!ReadExactly(read, at, marker) || marker[0] != 0xFF) return std::nullopt;
        const std::uint8_t type = marker[1];
        if (type == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (type == 0x01 || type == 0xD8 || (type >= 0xD0 && type <= 0xD7)) {  // no length
            at += 2;
            continue;
        }
        if (type == 0xD9 || type == 0xDA) return std::nullopt;  // image data before any frame header
        std::array<std::uint8_t, 7> segment{};  // length, precision, height, width
        if (!ReadExactly(read, at + 2, segment)) return std::nullopt;
        // A length below 2 leads the next read into these length bytes, which are no marker.
        const std::uint32_t length = BigEndian(segment.data(), 2);
        const bool frameHeader = type >= 0xC0 && type <= 0xCF && type != 0xC4 && type != 0xC8 && type != 0xCC;
        if (frameHeader) return Sized(BigEndian(&segment[5], 2), BigEndian(&segment[3], 2));
        at += 2 + length;
    }
    return std::nullopt;
}

std::optional<ImageSize> BmpSize(const ReadAt& read) {
    std::array<std::uint8_t, 26> header{};
    const std::size_t got = read(0, header.data(), header.size());
    if (got >= 22 && LittleEndian(&header[14], 4) == 12)  // the old core header: 16-bit sizes
        return Sized(LittleEndian(&header[18], 2), LittleEndian(&header[20], 2));
    if (got < header.size()) return std::nullopt;
    const auto width = static_cast<std::int32_t>(LittleEndian(&header[18], 4));
    const auto height = static_cast<std::int32_t>(LittleEndian(&header[22], 4));  // < 0: rows top-down
    if (width <= 0) return std::nullopt;
    const std::int64_t rows = height < 0 ? -std::int64_t{height} : height;
    if (rows > 0x7FFFFFFF) return std::nullopt;
    return Sized(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(rows));
}

}  // namespace

std::optional<BmpRows> ReadBmpRows(const ReadAt& read) {
    std::array<std::uint8_t, 34> header{};  // file header and the info header up to its compression
    if (!ReadExactly(read, 0, header) || header[0] != 'B' || header[1] != 'M') return std::nullopt;
    const std::uint32_t infoSize = LittleEndian(&header[14], 4);
    const auto width = static_cast<std::int32_t>(LittleEndian(&header[18], 4));
    const auto height = static_cast<std::int32_t>(LittleEndian(&header[22], 4));
    const std::uint32_t planes = LittleEndian(&header[26], 2), bits = LittleEndian(&header[28], 2);
    const std::uint32_t compression = LittleEndian(&header[30], 4);
    if (infoSize < 40 || planes != 1 || bits != 24 || compression != 0 || width <= 0 || height == 0 ||
        height == INT32_MIN) {
        return std::nullopt;
    }
    BmpRows rows;
    rows.size = {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height < 0 ? -height : height)};
    rows.topDown = height < 0;
    rows.pixelOffset = LittleEndian(&header[10], 4);
    const std::uint64_t stride = (std::uint64_t{rows.size.width} * 3 + 3) / 4 * 4;
    if (rows.pixelOffset < 14 + std::uint64_t{infoSize} || stride > 0xFFFFFFFFu) return std::nullopt;
    rows.stride = static_cast<std::uint32_t>(stride);
    return rows;
}

std::optional<ImageSize> ReadImageSize(const ReadAt& read) {
    std::array<std::uint8_t, 24> head{};
    const std::size_t got = read(0, head.data(), head.size());
    const auto starts = [&](const char* signature, std::size_t length) {
        return got >= length && std::memcmp(head.data(), signature, length) == 0;
    };
    if (starts("\x89PNG\r\n\x1a\n", 8)) {
        if (got < 24 || std::memcmp(&head[12], "IHDR", 4) != 0) return std::nullopt;
        return Sized(BigEndian(&head[16], 4), BigEndian(&head[20], 4));
    }
    if (starts("\xFF\xD8", 2)) return JpegSize(read);
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) {
        if (got < 10) return std::nullopt;
        return Sized(LittleEndian(&head[6], 2), LittleEndian(&head[8], 2));
    }
    if (starts("BM", 2)) return BmpSize(read);
    return std::nullopt;
}

}  // namespace kino
