// Helpers for the Windows-side tests and benchmarks: temporary folders, image files written
// at test time, recorded message boxes.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"

namespace kino::test {

// A fresh folder under the temporary folder, deleted with everything in it (read-only and
// hidden files included) at the end of the scope.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Without a trailing backslash.
    const std::wstring& Path() const { return path_; }
    std::wstring File(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }

private:
    std::wstring path_;
};

// Deletes a folder tree; read-only and hidden entries included.
void DeleteTree(const std::wstring& path);

// Creates count empty files named prefix + n + (n even ? evenSuffix : oddSuffix), n = 0..count-1.
void CreateEmptyFiles(const std::wstring& folder, const std::wstring& prefix, int count, const std::wstring& evenSuffix,
                      const std::wstring& oddSuffix);

// Pixels as 0xAARRGGBB, rows top to bottom.
using Pixels = std::vector<std::uint32_t>;

std::uint32_t ArgbOf(COLORREF colour, std::uint8_t alpha = 0xFF);
Pixels SolidPixels(int width, int height, std::uint32_t argb);

// File contents, written by hand: a PNG (8-bit RGB, or RGBA when withAlpha) and a 24-bit BMP.
std::string PngBytes(int width, int height, const Pixels& pixels, bool withAlpha = false);
std::string BmpBytes(int width, int height, const Pixels& pixels, int bitsPerPixel = 24);  // 24 or 32
// An 8-bit palette PNG; the entries' alpha goes into a tRNS chunk unless all are opaque.
std::string IndexedPngBytes(int width, int height, const Pixels& palette, const std::vector<std::uint8_t>& indices);

// A PNG chunk (length, type, data, CRC), and a PNG of any colour type and bit depth made from its
// rows as stored (each starting with its filter byte), with extra chunks before the image data.
std::string PngChunk(const char* type, std::string_view data);
std::string RawPngBytes(int width, int height, int colourType, int bitDepth, std::string_view rows,
                        std::string_view extraChunks = {});

// A GIF89a of 8-bit palette indices; a palette entry with alpha 0 becomes the transparent colour.
std::string GifBytes(int width, int height, const Pixels& palette, const std::vector<std::uint8_t>& indices);

// The CRC-32 of PNG chunks and zip files.
std::uint32_t Crc32(std::string_view bytes);

// Writers; each throws std::runtime_error when the file can't be written.
void WriteBytes(const std::wstring& path, std::string_view bytes);
void WritePng(const std::wstring& path, int width, int height, const Pixels& pixels, bool withAlpha = false);
void WriteBmp(const std::wstring& path, int width, int height, const Pixels& pixels);
void WriteSolidPng(const std::wstring& path, int width, int height, COLORREF colour);
void WriteSolidBmp(const std::wstring& path, int width, int height, COLORREF colour);

// Encodes pixels with one of GDI+'s encoders at their default settings (a GDI+ session must run).
enum class Encoder { Bmp, Jpeg, Png };  // Wine writes no usable GIF: see GifBytes
void SaveWithGdiplus(const std::wstring& path, int width, int height, const Pixels& pixels, Encoder encoder);
void WriteSolidJpeg(const std::wstring& path, int width, int height, COLORREF colour);

// The pixels of a GDI+ image (an ImageRef), as 32bpp ARGB; empty when it can't be read.
Pixels ImagePixels(std::uintptr_t image, int* width = nullptr, int* height = nullptr);

// Message boxes shown while a recorder lives are recorded and answered at once with IDOK.
struct RecordedBox {
    HWND owner;
    Text text;
    Text title;
    unsigned style;
};
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;
    const std::vector<RecordedBox>& Boxes() const;
    void Clear();
};

// The system's temporary folder, without a trailing backslash.
std::wstring TempPath();

}  // namespace kino::test
