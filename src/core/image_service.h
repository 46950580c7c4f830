// The imaging service as the frame store and the frame clock see it: decode, dispose, draw.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/text.h"

namespace kino {

// A decoded image held as an integer (its object pointer); 0 = no image.
using ImageRef = std::uintptr_t;

// A picture box seen as a drawing surface. Each member answers false when the surface
// lacks it or refuses the access; the drawing routine turns that into its error box.
struct DrawingSurface {
    virtual ~DrawingSurface() = default;
    virtual bool GetHdc(std::intptr_t& hdc) = 0;
    virtual bool Refresh() = 0;
};

// An image's size in pixels.
struct ImageSize {
    std::uint32_t width = 0, height = 0;
    friend bool operator==(const ImageSize&, const ImageSize&) = default;
};

// The part of an image of this size that a frame holds: its top-left corner, at most limit.
inline ImageSize HeldPart(ImageSize size, ImageSize limit) {
    return {size.width < limit.width ? size.width : limit.width,
            size.height < limit.height ? size.height : limit.height};
}

// Shared between a load's decoding threads and whoever watches or stops it.
struct DecodeControl {
    std::atomic<bool> cancel{false};       // set by the watcher: stop after the frames in hand
    std::atomic<std::size_t> decoded{0};   // frames finished so far
    std::atomic<bool> outOfMemory{false};  // a frame could not be allocated; the rest is skipped
};

struct ImageService;

// A decoded image owned by this handle: its service disposes of it when the handle goes. Moves,
// never copies; empty (0) when the file failed to decode.
class OwnedImage {
public:
    OwnedImage() = default;
    OwnedImage(ImageRef image, ImageService& service) : image_(image), service_(&service) {}
    OwnedImage(OwnedImage&& other) noexcept : image_(std::exchange(other.image_, 0)), service_(other.service_) {}
    OwnedImage& operator=(OwnedImage&& other) noexcept {
        if (this != &other) {
            reset();
            image_ = std::exchange(other.image_, 0);
            service_ = other.service_;
        }
        return *this;
    }
    ~OwnedImage() { reset(); }
    ImageRef get() const { return image_; }
    inline void reset();

private:
    ImageRef image_ = 0;
    ImageService* service_ = nullptr;
};

struct ImageService {
    virtual ~ImageService() = default;
    // Decodes the top-left part of every path's image, at most limit (HeldPart): nothing beyond
    // it is ever shown. result[i] belongs to paths[i] and is 0 when that file could not be opened
    // or decoded, or was skipped after a cancel or a failed allocation. May decode on several
    // threads; returns when they have all ended.
    virtual std::vector<OwnedImage> DecodeImages(const std::vector<Text>& paths, ImageSize limit,
                                                 DecodeControl& control) = 0;
    // The size the file's header records; nothing when it can't be read.
    virtual std::optional<ImageSize> ReadImageSize(TextView path) = 0;
    // How many more bytes of decoded images this process can still allocate.
    virtual std::uint64_t RoomForImages() = 0;
    virtual void DisposeImage(ImageRef image) = 0;  // through OwnedImage
    // Draws image unscaled with its top-left corner at (x, y); reports its own failures.
    virtual void DrawImage(DrawingSurface& surface, ImageRef image, std::int32_t x, std::int32_t y) = 0;
};

void OwnedImage::reset() {
    if (image_ != 0) service_->DisposeImage(std::exchange(image_, 0));
}

}  // namespace kino
