// The image-header reader over the fuzz bytes as the file: any signature, any lengths.
#include <algorithm>
#include <cstring>

#include "fuzz_check.h"
#include "imaging/image_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kino::ReadAt read = [&](std::uint64_t offset, std::uint8_t* into, std::size_t wanted) -> std::size_t {
        kino::fuzz::Require(into != nullptr, "reads into a buffer");
        if (offset >= size) return 0;
        const std::size_t n = std::min<std::uint64_t>(wanted, size - offset);
        std::memcpy(into, data + offset, n);
        return n;
    };
    const std::optional<kino::ImageSize> found = kino::ReadImageSize(read);
    if (found) kino::fuzz::Require(found->width > 0 && found->height > 0, "a size has pixels");
    return 0;
}
