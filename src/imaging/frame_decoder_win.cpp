#include "imaging/frame_decoder_win.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "base/handles_win.h"
#include "imaging/gdiplus_bitmap_win.h"

namespace kino {

#ifdef KINO_DECODER_LIBS
namespace {

// Reads the whole file into bytes and closes it again. False when it can't be read.
bool ReadWholeFile(const wchar_t* path, std::vector<std::uint8_t>& bytes) {
    const HANDLE opened = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return false;
    const UniqueHandle file(opened);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return false;
    // Larger files are no frames; the other decoders may still say so.
    constexpr LONGLONG kMaxBytes = 1LL << 30;
    if (size.QuadPart <= 0 || size.QuadPart > kMaxBytes) return false;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr) || got == 0) return false;
        done += got;
    }
    return true;
}

bool StartsWith(const std::vector<std::uint8_t>& bytes, const char* magic, std::size_t length) {
    return bytes.size() >= length && std::memcmp(bytes.data(), magic, length) == 0;
}

}  // namespace

gdip::GpBitmap* FrameDecoder::DecodeWithLibraries(const wchar_t* path) {
    try {
        if (!ReadWholeFile(path, file_)) return nullptr;
    } catch (const std::bad_alloc&) {
        NoteBitmapAllocationFailure();  // no memory for the file's bytes
        return nullptr;
    }
    // By content, as WIC does: a PNG named .jpg is still a PNG.
    if (StartsWith(file_, "\xFF\xD8\xFF", 3)) return jpeg_.Decode(file_.data(), file_.size());
    if (StartsWith(file_, "\x89PNG\r\n\x1A\n", 8)) return DecodePng(file_.data(), file_.size());
    return nullptr;
}
#endif

gdip::GpBitmap* FrameDecoder::Decode(const wchar_t* path) {
#ifdef KINO_DECODER_LIBS
    if (gdip::GpBitmap* decoded = DecodeWithLibraries(path)) return decoded;
#endif
    return wic_.Decode(path);
}

}  // namespace kino
