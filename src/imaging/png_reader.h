// PNG frames decoded by libspng from a file read in order. Platform-free, so the Windows decoder
// and the native fuzzer call libspng in exactly the same way.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

struct spng_ctx;

namespace kino {

class PngReader {
public:
    PngReader();
    ~PngReader();  // owns the spng context
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    // The file is read in order as the decoding goes: read(into, size) gives up to size bytes,
    // fewer only at the end; what lies below the rows decoded is never asked for. False for a file
    // this reader leaves to other decoders: not a PNG, damaged header, more than 8 bits per
    // channel, a recorded gamma other than the usual 1/2.2 (45455).
    using ReadNext = std::function<std::size_t(std::uint8_t* into, std::size_t size)>;
    bool Open(ReadNext read);
    std::uint32_t Width() const { return width_; }
    std::uint32_t Height() const { return height_; }

    // Decodes the top-left partWidth x partHeight pixels (each <= the image's size) into rows:
    // rowAt(y) gives row y of the part, partWidth pixels of 32 bits. Pixels come as BGRA words with
    // straight alpha (0xAARRGGBB as little-endian uint32). Nothing on any decoding error; else
    // whether every pixel of the part is opaque. Once per Open.
    std::optional<bool> DecodeTopLeft(std::uint32_t partWidth, std::uint32_t partHeight,
                                      const std::function<std::uint32_t*(std::uint32_t y)>& rowAt);

private:
    void Reset();
    bool Start();  // the header's checks, once the source is set

    spng_ctx* ctx_ = nullptr;
    ReadNext read_;
    std::uint32_t width_ = 0, height_ = 0;
    bool interlaced_ = false;
    bool rgb_ = false;  // decoded as RGB rather than RGBA
    bool ready_ = false;  // opened, not yet decoded
};

}  // namespace kino
