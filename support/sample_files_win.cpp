#include "sample_files_win.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <stdexcept>

#include <zlib.h>

#include "imaging/gdiplus_api_win.h"

namespace kino::test {
namespace {

void PutBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Rows as a zlib stream, as a PNG's image data holds them.
std::string Deflate(std::string_view raw) {
    uLongf size = compressBound(raw.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()), raw.size());
    return out.substr(0, size);
}

}  // namespace

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1];
    path_ = std::wstring(temp, GetTempPathW(MAX_PATH + 1, temp)) + L"kino-" + std::to_wstring(GetCurrentProcessId()) +
            L"-" + std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(counter++);
    if (!CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("can't create a temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ignored;  // what a test left open stays behind
    std::filesystem::remove_all(path_, ignored);
}

std::string PngChunk(const char* type, std::string_view data) {
    std::string chunk;
    PutBigEndian(chunk, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + std::string(data);
    PutBigEndian(chunk.append(typed), crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size()));
    return chunk;
}

std::string RawPngBytes(int width, int height, int colourType, int bitDepth, std::string_view rows,
                        std::string_view extraChunks, bool interlaced) {
    std::string header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    header += std::string{static_cast<char>(bitDepth), static_cast<char>(colourType), 0, 0, interlaced};
    return "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", header) + std::string(extraChunks) +
           PngChunk("IDAT", Deflate(rows)) + PngChunk("IEND", {});
}

std::string PngBytes(int width, int height, const Pixels& pixels, bool withAlpha) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels.at(static_cast<std::size_t>(y) * width + x);
            raw += std::string{static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p)};
            if (withAlpha) raw.push_back(static_cast<char>(p >> 24));
        }
    }
    return RawPngBytes(width, height, withAlpha ? 6 : 2, 8, raw);
}

std::string PalettePngBytes(const Pixels& palette, std::string_view indices) {
    std::string colours, alphas;
    for (std::uint32_t entry : palette) {
        colours += std::string{static_cast<char>(entry >> 16), static_cast<char>(entry >> 8), static_cast<char>(entry)};
        alphas.push_back(static_cast<char>(entry >> 24));
    }
    return RawPngBytes(static_cast<int>(indices.size()), 1, 3, 8, '\0' + std::string(indices),
                       PngChunk("PLTE", colours) + PngChunk("tRNS", alphas));
}

std::string BmpBytes(int width, int height, const Pixels& pixels, int bitsPerPixel) {
    const DWORD rowBytes = (static_cast<DWORD>(width) * bitsPerPixel / 8 + 3) & ~3u, offset = 14 + 40;
    const BITMAPINFOHEADER info{40, width, height, 1, static_cast<WORD>(bitsPerPixel), BI_RGB, rowBytes * height,
                                2835, 2835, 0, 0};  // bottom-up, 72 dpi
    const BITMAPFILEHEADER file{0x4D42, offset + info.biSizeImage, 0, 0, offset};
    std::string bmp(reinterpret_cast<const char*>(&file), 14);
    bmp.append(reinterpret_cast<const char*>(&info), 40);
    for (int y = height - 1; y >= 0; --y) {
        const std::size_t start = bmp.size();
        // The fourth byte of a 32-bit BI_RGB pixel is unused: 0 there, as most writers do.
        for (int x = 0; x < width; ++x)
            PutLittleEndian(bmp, pixels.at(std::size_t(y) * width + x) & 0xFFFFFF, bitsPerPixel / 8);
        bmp.resize(start + rowBytes, '\0');
    }
    return bmp;
}

std::string TwoPixelGif() {
    return std::string("GIF89a\x02\0\x01\0\x80\0\0"        // screen 2 x 1, a table of 2 colours
                       "\0\xFF\0\0\0\0"                    // green, black
                       "\x21\xF9\x04\x01\0\0\x01\0"          // colour 1 is transparent
                       "\x2C\0\0\0\0\x02\0\x01\0\0"          // the image, 2 x 1
                       "\x02\x02\x44\x0A\0\x3B",             // LZW: clear, 0, 1, end (3-bit codes)
                       43);
}

void WriteBytes(const std::wstring& path, std::string_view bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("can't create a test file");
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("can't write a test file");
}

void WriteSolidPng(const std::wstring& path, int width, int height, COLORREF colour) {
    const std::uint32_t argb = 0xFF000000u | GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
    WriteBytes(path, PngBytes(width, height, Solid(width, height, argb)));
}

void SaveWithGdiplus(const std::wstring& path, int width, int height, const Pixels& pixels, Encoder encoder) {
    // The program has no use for encoding: the tests bind it themselves.
    static const gdip::GdiplusFunction<gdip::GpStatus(gdip::GpImage*, const WCHAR*, const CLSID*, const void*)>
        GdipSaveImageToFile{"GdipSaveImageToFile"};
    // The class ids of GDI+'s built-in encoders differ only in their first field.
    CLSID id{0x557CF400, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    id.Data1 = encoder == Encoder::Bmp ? 0x557CF400 : encoder == Encoder::Jpeg ? 0x557CF401 : 0x557CF406;
    Pixels copy = pixels;  // GDI+ reads the buffer while the bitmap lives
    gdip::GpBitmap* bitmap = nullptr;
    gdip::GdipCreateBitmapFromScan0(width, height, width * 4, gdip::PixelFormat32bppARGB,
                                    reinterpret_cast<BYTE*>(copy.data()), &bitmap);
    if (!bitmap) throw std::runtime_error("can't make a GDI+ bitmap (is GDI+ started?)");
    const gdip::GpStatus status = GdipSaveImageToFile(bitmap, path.c_str(), &id, nullptr);
    gdip::GdipDisposeImage(bitmap);
    if (status != gdip::Ok) throw std::runtime_error("GDI+ could not encode a test image");
}

Pixels ImagePixels(std::uintptr_t image, int* width, int* height) {
    auto* bitmap = reinterpret_cast<gdip::GpBitmap*>(image);
    UINT w = 0, h = 0;
    if (!bitmap || gdip::GdipGetImageWidth(bitmap, &w) != gdip::Ok || gdip::GdipGetImageHeight(bitmap, &h) != gdip::Ok)
        return {};
    Pixels pixels(static_cast<std::size_t>(w) * h);
    const gdip::GpRect all{0, 0, static_cast<INT>(w), static_cast<INT>(h)};
    gdip::BitmapData data{w, h, static_cast<INT>(w * 4), gdip::PixelFormat32bppARGB, pixels.data(), 0};
    const UINT mode = gdip::ImageLockModeRead | gdip::ImageLockModeUserInputBuf;
    if (pixels.empty() ||
        gdip::GdipBitmapLockBits(bitmap, &all, mode, gdip::PixelFormat32bppARGB, &data) != gdip::Ok)
        return {};
    gdip::GdipBitmapUnlockBits(bitmap, &data);
    if (width) *width = static_cast<int>(w);
    if (height) *height = static_cast<int>(h);
    return pixels;
}

UniqueBitmap MakeDib32(HDC dc, int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    *bits = nullptr;
    return UniqueBitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

std::uint64_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return std::max(counters.PrivateUsage, counters.PagefileUsage);
}

}  // namespace kino::test
