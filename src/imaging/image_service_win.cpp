#include "imaging/image_service_win.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "imaging/frame_decoder_win.h"
#include "imaging/gdiplus2_win.h"

namespace kino {

std::vector<ImageRef> GdiplusImageService::LoadImages(const std::vector<Text>& paths) {
    std::vector<ImageRef> images(paths.size(), 0);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        FrameDecoder decoder;
        for (std::size_t i; (i = next.fetch_add(1)) < paths.size();) {
            try {
                images[i] = LoadImageFile(paths[i], decoder);
            } catch (...) {
                images[i] = 0;  // out of memory for the path's copy: that file is not loaded
            }
        }
    };

    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t threads = std::min(cores, paths.size());
    const std::size_t helpers = threads > 0 ? threads - 1 : 0;  // the calling thread is one of them
    std::vector<std::thread> workers;
    try {
        workers.reserve(helpers);
        for (std::size_t t = 0; t < helpers; ++t) workers.emplace_back(work);
    } catch (const std::exception&) {
        // Fewer helpers than cores (or none): the calling thread still works through every path.
    }
    work();
    for (std::thread& worker : workers) worker.join();
    return images;
}

void GdiplusImageService::DisposeImage(ImageRef image) {
    gdip::GdipDisposeImage(reinterpret_cast<gdip::GpImage*>(image));
}

void GdiplusImageService::DrawImage(DrawingSurface& surface, ImageRef image, std::int32_t x, std::int32_t y) {
    kino::DrawImage(surface, image, x, y, owner_);
}

}  // namespace kino
