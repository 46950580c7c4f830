// A test suite that runs inside one GDI+ session, and a drawing surface over a memory bitmap
// that counts how it is used.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "base/win_handles.h"
#include "imaging/gdiplus2_win.h"
#include "imaging/image_service.h"

namespace kino::test {

class GdiplusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(InitGDIPlus(false, false, u"", 16, u""), 0); }
    static void TearDownTestSuite() { TerminateGDIPlus(); }
};

// A width x height 32-bit top-down bitmap in a memory DC, filled white.
class MemorySurface final : public DrawingSurface {
public:
    MemorySurface(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        void* bits = nullptr;
        bitmap_ = MakeDib32(dc_.get(), width, height, &bits);
        bits_ = static_cast<std::uint32_t*>(bits);
        original_ = SelectObject(dc_.get(), bitmap_.get());
        Fill(0xFFFFFF);
    }
    ~MemorySurface() override { SelectObject(dc_.get(), original_); }

    void Fill(std::uint32_t rgb) {
        GdiFlush();
        for (int i = 0; i < width_ * height_; ++i) bits_[i] = rgb;
    }
    // 0xRRGGBB
    std::uint32_t Pixel(int x, int y) const {
        GdiFlush();
        return bits_[y * width_ + x] & 0xFFFFFF;
    }
    HDC Dc() const { return dc_.get(); }

    bool GetAutoRedraw(bool& value) override {
        ++autoRedrawReads;
        value = autoRedraw;
        return true;
    }
    bool SetAutoRedraw(bool value) override {
        ++autoRedrawWrites;
        autoRedraw = value;
        return true;
    }
    bool GetHdc(std::intptr_t& hdc) override {
        ++hdcReads;
        hdc = reinterpret_cast<std::intptr_t>(dc_.get());
        return hasHdc;
    }
    bool Refresh() override {
        ++refreshes;
        return hasRefresh;
    }

    bool autoRedraw = false;
    bool hasHdc = true;
    bool hasRefresh = true;
    int autoRedrawReads = 0;
    int autoRedrawWrites = 0;
    int hdcReads = 0;
    int refreshes = 0;

private:
    int width_;
    int height_;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ original_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

}  // namespace kino::test
