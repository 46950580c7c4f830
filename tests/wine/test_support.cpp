#include "test_support.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <stdexcept>

#include "base/message_box.h"
#include "imaging/gdiplus_api_win.h"

namespace kino::test {

std::wstring TempPath() {
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder");
    std::wstring path(buffer, length);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    const std::wstring base = TempPath() + L"\\kino-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount()) + L"-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate = base + std::to_wstring(counter++);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = std::move(candidate);
            return;
        }
    }
    throw std::runtime_error("can't create a temporary folder");
}

TempFolder::~TempFolder() { DeleteTree(path_); }

namespace {

// Wine creates and deletes files slowly once a folder holds thousands of them, so there the
// host's shell does such bulk work. Starts script in the folder (by its host path) and returns
// true; false when not under Wine, or the path needs quoting beyond plain ASCII.
bool StartOnHost(const std::wstring& folder, const std::string& script) {
    using UnixName = char*(CDECL*)(const WCHAR*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName || GetFileAttributesW(L"Z:\\bin\\sh") == INVALID_FILE_ATTRIBUTES) return false;
    char* unixFolder = unixName(folder.c_str());
    if (!unixFolder) return false;
    const std::string folderText = unixFolder;
    HeapFree(GetProcessHeap(), 0, unixFolder);
    for (char c : folderText + script) {
        if (c == '"' || c == '\\' || static_cast<unsigned char>(c) > 0x7E) return false;
    }
    for (char c : folderText) {
        if (c == '\'') return false;
    }
    const std::string line = "Z:\\bin\\sh -c \"cd '" + folderText + "' && " + script + "\"";
    std::wstring commandLine(line.begin(), line.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Wine doesn't follow a host program to its end: the caller waits for what it leaves behind.
void WaitUntil(const std::function<bool()>& done) {
    for (int waited = 0; !done(); waited += 20) {
        if (waited > 60000) throw std::runtime_error("the host's shell did not finish");
        Sleep(20);
    }
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

void DeleteTree(const std::wstring& path) {
    std::vector<WIN32_FIND_DATAW> entries;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") entries.push_back(found);
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    const std::size_t slash = path.rfind(L'\\');
    const std::wstring base = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    if (entries.size() > 1000 && std::all_of(base.begin(), base.end(), [](wchar_t c) { return c > 0x20 && c < 0x7F && c != L'\''; }) &&
        StartOnHost(path, "cd .. && rm -rf '" + std::string(base.begin(), base.end()) + "'")) {
        WaitUntil([&] { return !Exists(path); });
        return;
    }
    for (const WIN32_FIND_DATAW& entry : entries) {
        const std::wstring child = path + L"\\" + entry.cFileName;
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteTree(child);
        } else {
            DeleteFileW(child.c_str());
        }
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path.c_str());
}

void CreateEmptyFiles(const std::wstring& folder, const std::wstring& prefix, int count, const std::wstring& evenSuffix,
                      const std::wstring& oddSuffix) {
    if (count <= 0) return;
    const auto touch = [&](int first, const std::wstring& suffix) {
        return "seq " + std::to_string(first) + " 2 " + std::to_string(count - 1) + " | sed 's/.*/" +
               std::string(prefix.begin(), prefix.end()) + "&" + std::string(suffix.begin(), suffix.end()) +
               "/' | xargs touch";
    };
    const bool plain = std::all_of(prefix.begin(), prefix.end(), [](wchar_t c) { return c > 0x20 && c < 0x7F; }) &&
                       std::all_of(evenSuffix.begin(), evenSuffix.end(), [](wchar_t c) { return c > 0x20 && c < 0x7F; }) &&
                       std::all_of(oddSuffix.begin(), oddSuffix.end(), [](wchar_t c) { return c > 0x20 && c < 0x7F; });
    const std::wstring mark = folder + L"\\kino-files-made";
    if (plain && StartOnHost(folder, touch(0, evenSuffix) + "; " + touch(1, oddSuffix) + "; touch kino-files-made")) {
        WaitUntil([&] { return Exists(mark); });
        DeleteFileW(mark.c_str());
        return;
    }
    for (int n = 0; n < count; ++n) {
        const std::wstring name = folder + L"\\" + prefix + std::to_wstring(n) + (n % 2 ? oddSuffix : evenSuffix);
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("can't create a test file");
        CloseHandle(file);
    }
}

std::uint32_t Crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::uint32_t ArgbOf(COLORREF colour, std::uint8_t alpha) {
    return (std::uint32_t{alpha} << 24) | (std::uint32_t{GetRValue(colour)} << 16) |
           (std::uint32_t{GetGValue(colour)} << 8) | GetBValue(colour);
}

Pixels SolidPixels(int width, int height, std::uint32_t argb) {
    return Pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), argb);
}

namespace {

void CheckSize(int width, int height, const Pixels& pixels) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        throw std::invalid_argument("pixels don't match the size");
    }
}

void PutBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t Adler32(std::string_view bytes) {
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void PutChunk(std::string& png, const char* type, std::string_view data) {
    PutBigEndian(png, static_cast<std::uint32_t>(data.size()));
    std::string typed(type, 4);
    typed.append(data);
    png.append(typed);
    PutBigEndian(png, Crc32(typed));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::string StoredZlib(std::string_view raw) {
    std::string out = "\x78\x01";
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min<std::size_t>(raw.size() - offset, 65535);
        const bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        PutLittleEndian(out, static_cast<std::uint32_t>(length), 2);
        PutLittleEndian(out, static_cast<std::uint32_t>(~length & 0xFFFF), 2);
        out.append(raw.substr(offset, length));
        offset += length;
    } while (offset < raw.size());
    PutBigEndian(out, Adler32(raw));
    return out;
}

}  // namespace

namespace {

std::string PngHeader(int width, int height, char colourType, char bitDepth) {
    std::string header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    header += std::string{bitDepth, colourType, '\0', '\0', '\0'};  // deflate, no interlace
    return header;
}

}  // namespace

std::string PngChunk(const char* type, std::string_view data) {
    std::string chunk;
    PutChunk(chunk, type, data);
    return chunk;
}

std::string RawPngBytes(int width, int height, int colourType, int bitDepth, std::string_view rows,
                        std::string_view extraChunks) {
    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", PngHeader(width, height, static_cast<char>(colourType), static_cast<char>(bitDepth)));
    png.append(extraChunks);
    PutChunk(png, "IDAT", StoredZlib(rows));
    PutChunk(png, "IEND", {});
    return png;
}

std::string PngBytes(int width, int height, const Pixels& pixels, bool withAlpha) {
    CheckSize(width, height, pixels);
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height) * (1 + static_cast<std::size_t>(width) * 4));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
            raw.push_back(static_cast<char>((p >> 16) & 0xFF));
            raw.push_back(static_cast<char>((p >> 8) & 0xFF));
            raw.push_back(static_cast<char>(p & 0xFF));
            if (withAlpha) raw.push_back(static_cast<char>(p >> 24));
        }
    }
    return RawPngBytes(width, height, withAlpha ? 6 : 2, 8, raw);
}

std::string IndexedPngBytes(int width, int height, const Pixels& palette, const std::vector<std::uint8_t>& indices) {
    if (palette.empty() || palette.size() > 256 ||
        indices.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        throw std::invalid_argument("bad palette image");
    }
    std::string colours, alphas;
    bool opaque = true;
    for (std::uint32_t entry : palette) {
        opaque = opaque && (entry >> 24) == 0xFF;
        colours.push_back(static_cast<char>((entry >> 16) & 0xFF));
        colours.push_back(static_cast<char>((entry >> 8) & 0xFF));
        colours.push_back(static_cast<char>(entry & 0xFF));
        alphas.push_back(static_cast<char>(entry >> 24));
    }
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) raw.push_back(static_cast<char>(indices[static_cast<std::size_t>(y) * width + x]));
    }
    return RawPngBytes(width, height, 3, 8, raw, PngChunk("PLTE", colours) + (opaque ? "" : PngChunk("tRNS", alphas)));
}

std::string GifBytes(int width, int height, const Pixels& palette, const std::vector<std::uint8_t>& indices) {
    if (palette.empty() || palette.size() > 256 ||
        indices.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        throw std::invalid_argument("bad GIF");
    }
    std::string gif = "GIF89a";
    PutLittleEndian(gif, static_cast<std::uint32_t>(width), 2);
    PutLittleEndian(gif, static_cast<std::uint32_t>(height), 2);
    gif += std::string{'\xF7', '\0', '\0'};  // a global table of 256 colours
    int transparent = -1;
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint32_t entry = i < palette.size() ? palette[i] : 0xFF000000u;
        if (transparent < 0 && (entry >> 24) == 0) transparent = static_cast<int>(i);
        gif += std::string{static_cast<char>((entry >> 16) & 0xFF), static_cast<char>((entry >> 8) & 0xFF),
                           static_cast<char>(entry & 0xFF)};
    }
    if (transparent >= 0) {
        gif += std::string{'\x21', '\xF9', '\x04', '\x01', '\0', '\0', static_cast<char>(transparent), '\0'};
    }
    gif += '\x2C';
    PutLittleEndian(gif, 0, 4);
    PutLittleEndian(gif, static_cast<std::uint32_t>(width), 2);
    PutLittleEndian(gif, static_cast<std::uint32_t>(height), 2);
    gif += std::string{'\0', '\x08'};  // no local table; LZW codes start at 9 bits
    // Every index as a literal 9-bit code, with a clear code before the table would grow to 10 bits.
    std::string codes;
    std::uint32_t bits = 0;
    int count = 0;
    const auto put = [&](std::uint32_t code) {
        bits |= code << count;
        for (count += 9; count >= 8; count -= 8, bits >>= 8) codes.push_back(static_cast<char>(bits & 0xFF));
    };
    put(256);
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i > 0 && i % 254 == 0) put(256);
        put(indices[i]);
    }
    put(257);
    if (count > 0) codes.push_back(static_cast<char>(bits & 0xFF));
    for (std::size_t offset = 0; offset < codes.size(); offset += 255) {
        const std::size_t length = std::min<std::size_t>(255, codes.size() - offset);
        gif.push_back(static_cast<char>(length));
        gif.append(codes, offset, length);
    }
    gif += std::string{'\0', '\x3B'};
    return gif;
}

std::string BmpBytes(int width, int height, const Pixels& pixels, int bitsPerPixel) {
    CheckSize(width, height, pixels);
    if (bitsPerPixel != 24 && bitsPerPixel != 32) throw std::invalid_argument("24 or 32 bits per pixel");
    const int bytesPerPixel = bitsPerPixel / 8;
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * bytesPerPixel + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::string bmp = "BM";
    PutLittleEndian(bmp, 14 + 40 + imageBytes, 4);
    PutLittleEndian(bmp, 0, 4);
    PutLittleEndian(bmp, 14 + 40, 4);
    PutLittleEndian(bmp, 40, 4);
    PutLittleEndian(bmp, static_cast<std::uint32_t>(width), 4);
    PutLittleEndian(bmp, static_cast<std::uint32_t>(height), 4);  // bottom-up
    PutLittleEndian(bmp, 1, 2);
    PutLittleEndian(bmp, static_cast<std::uint32_t>(bitsPerPixel), 2);
    PutLittleEndian(bmp, BI_RGB, 4);
    PutLittleEndian(bmp, imageBytes, 4);
    PutLittleEndian(bmp, 2835, 4);  // 72 dpi
    PutLittleEndian(bmp, 2835, 4);
    PutLittleEndian(bmp, 0, 4);
    PutLittleEndian(bmp, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        std::size_t start = bmp.size();
        for (int x = 0; x < width; ++x) {
            // The fourth byte of a 32-bit BI_RGB pixel is unused: write 0 there, as most writers do.
            PutLittleEndian(bmp, pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF, bytesPerPixel);
        }
        bmp.resize(start + rowBytes, '\0');
    }
    return bmp;
}

void WriteBytes(const std::wstring& path, std::string_view bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("can't create a test file");
    DWORD written = 0;
    const BOOL ok = bytes.empty() ||
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("can't write a test file");
}

void WritePng(const std::wstring& path, int width, int height, const Pixels& pixels, bool withAlpha) {
    WriteBytes(path, PngBytes(width, height, pixels, withAlpha));
}

void WriteBmp(const std::wstring& path, int width, int height, const Pixels& pixels) {
    WriteBytes(path, BmpBytes(width, height, pixels));
}

void WriteSolidPng(const std::wstring& path, int width, int height, COLORREF colour) {
    WritePng(path, width, height, SolidPixels(width, height, ArgbOf(colour)));
}

void WriteSolidBmp(const std::wstring& path, int width, int height, COLORREF colour) {
    WriteBmp(path, width, height, SolidPixels(width, height, ArgbOf(colour)));
}

void SaveWithGdiplus(const std::wstring& path, int width, int height, const Pixels& pixels, Encoder encoder) {
    CheckSize(width, height, pixels);
    // The class ids of GDI+'s built-in encoders differ only in their first field.
    CLSID id{0x557CF400, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    switch (encoder) {
        case Encoder::Bmp: id.Data1 = 0x557CF400; break;
        case Encoder::Jpeg: id.Data1 = 0x557CF401; break;
        case Encoder::Png: id.Data1 = 0x557CF406; break;
    }
    Pixels copy = pixels;  // GDI+ reads the buffer while the bitmap lives
    gdip::GpBitmap* bitmap = nullptr;
    gdip::GdipCreateBitmapFromScan0(width, height, width * 4, gdip::PixelFormat32bppARGB,
                                    reinterpret_cast<BYTE*>(copy.data()), &bitmap);
    if (!bitmap) throw std::runtime_error("can't make a GDI+ bitmap (is GDI+ started?)");
    const gdip::GpStatus status = gdip::GdipSaveImageToFile(bitmap, path.c_str(), &id, nullptr);
    gdip::GdipDisposeImage(bitmap);
    if (status != gdip::Ok) throw std::runtime_error("GDI+ could not encode a test image");
}

void WriteSolidJpeg(const std::wstring& path, int width, int height, COLORREF colour) {
    SaveWithGdiplus(path, width, height, SolidPixels(width, height, ArgbOf(colour)), Encoder::Jpeg);
}

Pixels ImagePixels(std::uintptr_t image, int* width, int* height) {
    auto* picture = reinterpret_cast<gdip::GpImage*>(image);
    UINT w = 0, h = 0;
    if (!picture || gdip::GdipGetImageWidth(picture, &w) != gdip::Ok ||
        gdip::GdipGetImageHeight(picture, &h) != gdip::Ok || w == 0 || h == 0) {
        return {};
    }
    Pixels pixels(static_cast<std::size_t>(w) * h);
    const gdip::GpRect all{0, 0, static_cast<INT>(w), static_cast<INT>(h)};
    gdip::BitmapData data{w, h, static_cast<INT>(w * 4), gdip::PixelFormat32bppARGB, pixels.data(), 0};
    auto* bitmap = static_cast<gdip::GpBitmap*>(picture);
    if (gdip::GdipBitmapLockBits(bitmap, &all, gdip::ImageLockModeRead | gdip::ImageLockModeUserInputBuf,
                                 gdip::PixelFormat32bppARGB, &data) != gdip::Ok) {
        return {};
    }
    gdip::GdipBitmapUnlockBits(bitmap, &data);
    if (width) *width = static_cast<int>(w);
    if (height) *height = static_cast<int>(h);
    return pixels;
}

namespace {

std::vector<RecordedBox> g_boxes;
MessageBoxFunction g_previous = nullptr;

int RecordBox(HWND owner, TextView text, TextView title, unsigned style) {
    g_boxes.push_back({owner, Text(text), Text(title), style});
    return IDOK;
}

}  // namespace

MessageBoxRecorder::MessageBoxRecorder() {
    g_boxes.clear();
    g_previous = SetMessageBoxFunction(RecordBox);
}

MessageBoxRecorder::~MessageBoxRecorder() {
    SetMessageBoxFunction(g_previous);
    g_boxes.clear();
}

const std::vector<RecordedBox>& MessageBoxRecorder::Boxes() const { return g_boxes; }

void MessageBoxRecorder::Clear() { g_boxes.clear(); }

}  // namespace kino::test
