#include "imaging/frame_decoder_win.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/gdiplus_bitmap_win.h"
#include "imaging/image_header.h"
#include "imaging/pixel_rows.h"

namespace kino {

FrameFileReader::FrameFileReader(const wchar_t* path) {
    const HANDLE opened = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (opened != INVALID_HANDLE_VALUE) handle_.reset(opened);
}

std::size_t FrameFileReader::ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t size) const {
    std::size_t done = 0;
    while (done < size) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 24));
        DWORD got = 0;
        if (!ReadFile(handle_.get(), into + done, want, &got, &at) || got == 0) break;
        done += got;
    }
    return done;
}

bool FrameFileReader::ReserveAhead(std::size_t bytes) noexcept {
    try {
        ahead_.reserve(bytes);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::size_t FrameFileReader::Read(std::uint8_t* into, std::size_t size) {
    // Small reads (libspng asks for a chunk's header at a time) come from a buffer filled 64 KB
    // at a time: a call to the system costs more than the copy.
    constexpr std::size_t kAhead = 64 * 1024;
    std::size_t done = 0;
    while (done < size) {
        if (aheadAt_ == ahead_.size()) {
            // A large read goes straight into place; so does any without memory for the buffer
            // (this is called from the C decoders: nothing may be thrown through them).
            if (size - done >= kAhead || !ReserveAhead(kAhead)) {
                const std::size_t got = ReadAt(position_, into + done, size - done);
                position_ += got;
                return done + got;
            }
            ahead_.resize(kAhead);
            ahead_.resize(ReadAt(position_, ahead_.data(), kAhead));
            position_ += ahead_.size();
            aheadAt_ = 0;
            if (ahead_.empty()) break;
        }
        const std::size_t step = std::min(size - done, ahead_.size() - aheadAt_);
        std::memcpy(into + done, ahead_.data() + aheadAt_, step);
        aheadAt_ += step;
        done += step;
    }
    return done;
}

void FrameFileReader::Rewind() {
    if (position_ != ahead_.size()) {  // the bytes ahead are not the file's first
        position_ = 0;
        ahead_.clear();
    }
    aheadAt_ = 0;
}

gdip::GpBitmap* DecodeBmp(const FrameFileReader& file, ImageSize limit, const DecodeControl* control) {
    const std::optional<BmpRows> layout = ReadBmpRows(
        [&](std::uint64_t offset, std::uint8_t* into, std::size_t size) { return file.ReadAt(offset, into, size); });
    if (!layout) return nullptr;
    const ImageSize held = HeldPart(layout->size, limit);
    if (!BitmapSizeFits(held.width, held.height)) return nullptr;
    const INT w = static_cast<INT>(held.width), h = static_cast<INT>(held.height);
    const std::size_t needed = std::size_t{held.width} * 3;
    // The kept rows lie together in the file: read in bands of about a megabyte (one call costs
    // more than copying the unkept bytes of a row), or row by row, only the kept bytes, where a
    // row is larger than that.
    constexpr std::uint32_t kBandBytes = 1 << 20;
    const std::uint32_t band = std::max(1u, std::min(held.height, kBandBytes / layout->stride));
    const std::size_t readBytes = band > 1 ? std::size_t{layout->stride} * band : needed;
    UniqueGpImage bitmap(NewBitmap(w, h, gdip::PixelFormat32bppRGB));
    if (!bitmap) return nullptr;
    try {
        std::vector<std::uint8_t> rows(readBytes);
        const LockedPixels target(bitmap.get(), w, h, gdip::ImageLockModeWrite, gdip::PixelFormat32bppRGB);
        if (!target.Locked()) return nullptr;
        for (std::uint32_t y = 0; y < held.height; y += band) {
            if (LoadStopped(control)) return nullptr;
            const std::uint32_t count = std::min(band, held.height - y);
            // The band's rows lie together in the file, upwards for a bottom-up file.
            const std::uint32_t lowest = layout->topDown ? y : y + count - 1;
            const std::size_t want = band > 1 ? std::size_t{layout->stride} * (count - 1) + needed : needed;
            if (file.ReadAt(layout->RowOffset(lowest), rows.data(), want) != want) return nullptr;
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint32_t stored = layout->topDown ? i : count - 1 - i;
                ExpandBgrRow(rows.data() + std::size_t{stored} * layout->stride,
                             reinterpret_cast<std::uint32_t*>(target.Row(static_cast<INT>(y + i))), held.width);
            }
        }
    } catch (const std::bad_alloc&) {
        return nullptr;  // the row buffer: a frame too wide for the memory left fails alone
    }
    return static_cast<gdip::GpBitmap*>(bitmap.release());
}

gdip::GpBitmap* FrameDecoder::Decode(const wchar_t* path, ImageSize limit) {
    {
        FrameFileReader file(path);
        if (!file) return nullptr;
        std::uint8_t magic[8] = {};
        const std::size_t got = file.Read(magic, sizeof magic);
        file.Rewind();  // the JPEG and PNG decoders read from the start: its first 64 KB from memory
        const auto starts = [&](const char* signature, std::size_t length) {
            return got >= length && std::memcmp(magic, signature, length) == 0;
        };
        // By content, as WIC does: a PNG named .jpg is still a PNG.
#ifdef KINO_DECODER_LIBS
        try {
            if (starts("\xFF\xD8\xFF", 3)) {
                if (gdip::GpBitmap* decoded = jpeg_.Decode(file, limit)) return decoded;
            } else if (starts("\x89PNG\r\n\x1A\n", 8)) {
                if (gdip::GpBitmap* decoded = DecodePng(file, limit)) return decoded;
            }
        } catch (const std::bad_alloc&) {
            // A buffer for this file alone (its bytes, a row wider than the memory left): it
            // fails, and the next decoder tries.
        }
#endif
        if (starts("BM", 2)) {
            if (gdip::GpBitmap* decoded = DecodeBmp(file, limit, control_)) return decoded;
        }
    }  // closed before the next decoder opens it
    if (LoadStopped(control_)) return nullptr;
    return wic_.Decode(path, limit);
}

}  // namespace kino
