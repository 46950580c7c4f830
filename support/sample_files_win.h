// What the Windows tests and the benchmarks both use: temporary folders, and image files written
// on the spot.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/handles_win.h"
#include "core/text.h"

namespace kino::test {

// A fresh folder under the temporary folder, deleted with everything in it at the end of the scope.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }  // without a trailing backslash
    std::wstring File(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }
    Text PathText() const { return Text(path_.begin(), path_.end()); }
    Text FileText(std::wstring_view name) const { return PathText() + u"\\" + Text(name.begin(), name.end()); }

private:
    std::wstring path_;
};

// Pixels as 0xAARRGGBB, rows top to bottom.
using Pixels = std::vector<std::uint32_t>;
inline Pixels Solid(int width, int height, std::uint32_t argb) { return Pixels(std::size_t(width) * height, argb); }

// Files written by hand: a PNG of any colour type and bit depth from its rows as stored (each
// starting with its filter byte, Adam7 passes one after another if interlaced), with extra chunks
// before the image data; an 8-bit RGB(A) PNG; a one-row 8-bit palette PNG with a tRNS chunk; a
// 24/32-bit BMP.
std::string PngChunk(const char* type, std::string_view data);
std::string RawPngBytes(int width, int height, int colourType, int bitDepth, std::string_view rows,
                        std::string_view extraChunks = {}, bool interlaced = false);
std::string PngBytes(int width, int height, const Pixels& pixels, bool withAlpha = false);
std::string PalettePngBytes(const Pixels& palette, std::string_view indices);
std::string BmpBytes(int width, int height, const Pixels& pixels, int bitsPerPixel = 24);
// A 2 x 1 GIF: pixel 0 green (0xFF00FF00), pixel 1 the transparent colour.
std::string TwoPixelGif();

// Each throws std::runtime_error when the file can't be written.
void WriteBytes(const std::wstring& path, std::string_view bytes);
void WriteSolidPng(const std::wstring& path, int width, int height, COLORREF colour);

// Encodes pixels with one of GDI+'s encoders at their default settings (a GDI+ session must run).
enum class Encoder { Bmp, Jpeg, Png };
void SaveWithGdiplus(const std::wstring& path, int width, int height, const Pixels& pixels, Encoder encoder);

// The pixels of a decoded image, as 32bpp ARGB; empty when it can't be read.
Pixels ImagePixels(std::uintptr_t image, int* width = nullptr, int* height = nullptr);

// The process's private bytes (its commit charge): Windows gives the same figure as PagefileUsage
// and PrivateUsage, Wine only the first.
std::uint64_t PrivateBytes();

// A 32-bit top-down DIB section; *bits receives its pixels.
UniqueBitmap MakeDib32(HDC dc, int width, int height, void** bits);

}  // namespace kino::test
