// A test suite that runs inside one GDI+ session, and a drawing surface over a memory bitmap
// whose members can be made to fail.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include "core/image_service.h"
#include "imaging/frame_images_win.h"
#include "sample_files_win.h"

namespace kino::test {

class GdiplusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(InitGDIPlus(), 0); }
    static void TearDownTestSuite() { TerminateGDIPlus(); }
};

// A width x height 32-bit bitmap in a memory DC, filled white.
class MemorySurface final : public DrawingSurface {
public:
    MemorySurface(int width, int height)
        : width_(width), bitmap_(MakeDib32(dc_.get(), width, height, &bits_)),
          selected_(dc_.get(), bitmap_.get()) {
        std::fill_n(static_cast<std::uint32_t*>(bits_), width * height, 0xFFFFFFu);
    }

    std::uint32_t Pixel(int x, int y) const {  // 0xFFRRGGBB
        GdiFlush();
        return static_cast<const std::uint32_t*>(bits_)[y * width_ + x] | 0xFF000000;
    }

    enum class Failure { None, NoHdc, RefusedHdc, NoRefresh };
    bool GetHdc(std::intptr_t& hdc) override {
        // GDI+ makes no graphics for a DC of 0.
        hdc = failure == Failure::RefusedHdc ? 0 : reinterpret_cast<std::intptr_t>(dc_.get());
        return failure != Failure::NoHdc;
    }
    bool Refresh() override {
        ++refreshes;
        return failure != Failure::NoRefresh;
    }

    Failure failure = Failure::None;
    int refreshes = 0;

private:
    int width_;
    void* bits_ = nullptr;
    UniqueMemoryDc dc_{CreateCompatibleDC(nullptr)};
    UniqueBitmap bitmap_;
    SelectObjectScope selected_;
};

}  // namespace kino::test
