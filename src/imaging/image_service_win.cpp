#include "imaging/image_service_win.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <system_error>
#include <thread>

#include "base/handles_win.h"
#include "base/text_win.h"
#include "imaging/frame_decoder_win.h"
#include "imaging/frame_memory.h"
#include "imaging/frame_images_win.h"
#include "imaging/gdiplus_bitmap_win.h"
#include "imaging/image_header.h"

namespace kino {
namespace {

// A pool thread runs work; nothing may be thrown out of it.
template <typename Work>
VOID CALLBACK RunPooled(PTP_CALLBACK_INSTANCE, void* work, PTP_WORK) {
    try {
        (*static_cast<Work*>(work))();
    } catch (...) {
    }
}

}  // namespace

std::vector<OwnedImage> GdiplusImageService::DecodeImages(const std::vector<Text>& paths, ImageSize limit,
                                                        DecodeControl& control) {
    std::vector<OwnedImage> images(paths.size());
    std::atomic<std::size_t> next{0};
    // A cancel or a failed allocation ends the work of each thread between two frames, and the
    // decoding of the frame in hand between two bands of its rows.
    auto work = [&] {
        // Below the window's thread: it answers at once, the decoding takes the rest.
        const HANDLE self = GetCurrentThread();
        const int priority = GetThreadPriority(self);
        SetThreadPriority(self, THREAD_PRIORITY_BELOW_NORMAL);
        FrameDecoder decoder(&control);
        for (std::size_t i; !LoadStopped(&control) && (i = next.fetch_add(1)) < paths.size();) {
            TakeBitmapAllocationFailure();
            try {
                images[i] = OwnedImage(LoadImageFile(paths[i], limit, decoder), *this);
            } catch (const std::bad_alloc&) {
                control.outOfMemory = true;  // no memory for the path's copy
            }
            if (TakeBitmapAllocationFailure()) control.outOfMemory = true;
            ++control.decoded;
        }
        SetThreadPriority(self, priority);
    };

    // The other cores' share runs on the system's thread pool: a start soon after the last finds
    // its threads waiting instead of making new ones. Without the pool, this thread does it all.
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t helpers = std::min(cores, paths.size()) - (paths.empty() ? 0 : 1);
    const PTP_WORK pooled = helpers == 0 ? nullptr : CreateThreadpoolWork(RunPooled<decltype(work)>, &work, nullptr);
    for (std::size_t t = 0; pooled && t < helpers; ++t) SubmitThreadpoolWork(pooled);
    work();
    if (pooled) {
        WaitForThreadpoolWorkCallbacks(pooled, FALSE);
        CloseThreadpoolWork(pooled);
    }
    return images;
}

std::optional<ImageSize> GdiplusImageService::ReadImageSize(TextView path) {
    const HANDLE opened = CreateFileW(WideString(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                      nullptr);
    if (opened == INVALID_HANDLE_VALUE) return std::nullopt;
    const UniqueHandle file(opened);
    return kino::ReadImageSize([&](std::uint64_t offset, std::uint8_t* into, std::size_t size) -> std::size_t {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD read = 0;
        if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) ||
            !ReadFile(file.get(), into, static_cast<DWORD>(size), &read, nullptr)) {
            return 0;
        }
        return read;
    });
}

std::uint64_t GdiplusImageService::RoomForImages() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return ~std::uint64_t{0};  // nothing known: nothing refused
    return RoomForFrames({status.ullAvailVirtual, status.ullAvailPhys, status.ullTotalPhys, status.ullAvailPageFile});
}

void GdiplusImageService::DisposeImage(ImageRef image) {
    gdip::GdipDisposeImage(reinterpret_cast<gdip::GpImage*>(image));
}

void GdiplusImageService::DrawImage(DrawingSurface& surface, ImageRef image, std::int32_t x, std::int32_t y) {
    kino::DrawImage(surface, image, x, y, owner_);
}

}  // namespace kino
