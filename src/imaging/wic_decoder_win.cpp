#include "imaging/wic_decoder_win.h"

#include <wincodec.h>

#include <algorithm>
#include <limits>
#include <new>

#include "imaging/gdiplus_bitmap_win.h"
#include "imaging/pixel_rows.h"

namespace kino {

using namespace gdip;

namespace {

// Rows decoded per call: enough to keep the calls few, few enough to stay in the cache.
constexpr UINT kBandRows = 16;

bool Same(const GUID& a, const GUID& b) { return IsEqualGUID(a, b) != 0; }

enum class Layout {
    Bgr,           // 24bpp BGR: expanded to 32 bits here
    Bgra,          // 32bpp BGRA: taken as it comes, then checked for see-through pixels
    ConvertToBgra, // palettes and greys of 8 bits or fewer: converted exactly by WIC
    Other,         // deeper or other colour spaces: GDI+ converts those its own way
};

Layout LayoutOf(const WICPixelFormatGUID& format) {
    if (Same(format, GUID_WICPixelFormat24bppBGR)) return Layout::Bgr;
    if (Same(format, GUID_WICPixelFormat32bppBGRA)) return Layout::Bgra;
    for (const GUID* exact : {&GUID_WICPixelFormat1bppIndexed, &GUID_WICPixelFormat2bppIndexed,
                              &GUID_WICPixelFormat4bppIndexed, &GUID_WICPixelFormat8bppIndexed,
                              &GUID_WICPixelFormatBlackWhite, &GUID_WICPixelFormat2bppGray,
                              &GUID_WICPixelFormat4bppGray, &GUID_WICPixelFormat8bppGray}) {
        if (Same(format, *exact)) return Layout::ConvertToBgra;
    }
    return Layout::Other;
}

// GDI+ may correct a PNG for the gamma it records, which WIC does not: a PNG that records
// anything but the usual 1/2.2 is left to GDI+.
bool RecordsOtherGamma(IWICBitmapFrameDecode* frame) {
    UniqueCom<IWICMetadataQueryReader> reader;
    if (FAILED(frame->GetMetadataQueryReader(reader.put())) || !reader) return false;
    PROPVARIANT value;
    PropVariantInit(&value);
    const bool recorded = SUCCEEDED(reader.get()->GetMetadataByName(L"/gAMA/ImageGamma", &value));
    const bool other = recorded && !(value.vt == VT_UI4 && value.ulVal == 45455);
    PropVariantClear(&value);
    return other;
}

UniqueCom<IWICBitmapSource> Converted(IWICImagingFactory* factory, IWICBitmapSource* source,
                                      const WICPixelFormatGUID& format) {
    UniqueCom<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.put())) || !converter) return {};
    if (FAILED(converter.get()->Initialize(source, format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return {};
    }
    return UniqueCom<IWICBitmapSource>(converter.release());
}

// Rows per CopyPixels call, so that the call's byte count (a UINT) cannot overflow.
UINT BandRows(INT stride) {
    const UINT fit = std::numeric_limits<UINT>::max() / static_cast<UINT>(stride);
    return std::max(1u, std::min(kBandRows, fit));
}

// Decodes source band by band: rows start at into(y), stride bytes apart, and done(y, rows)
// follows each band. A load that has stopped ends the decoding between two bands.
template <typename Into, typename Done>
bool CopyBands(IWICBitmapSource* source, INT width, INT height, INT stride, const DecodeControl* control, Into into,
               Done done) {
    const INT band = static_cast<INT>(BandRows(stride));
    for (INT y = 0; y < height; y += band) {
        if (LoadStopped(control)) return false;
        const INT rows = std::min(band, height - y);
        const WICRect rect{0, y, width, rows};
        if (FAILED(source->CopyPixels(&rect, static_cast<UINT>(stride), static_cast<UINT>(stride) * rows, into(y)))) {
            return false;
        }
        done(y, rows);
    }
    return true;
}

// Copies rows of source straight into the locked bitmap (of the same layout).
bool CopyRows(IWICBitmapSource* source, const LockedPixels& target, INT width, INT height,
              const DecodeControl* control) {
    return CopyBands(
        source, width, height, target.Data().Stride, control, [&](INT y) { return target.Row(y); }, [](INT, INT) {});
}

}  // namespace

WicFrameDecoder::WicFrameDecoder(const DecodeControl* control) : control_(control) {}

IWICImagingFactory* WicFrameDecoder::Factory() {
    if (com_) return factory_.get();  // made, or failed, once
    // The first version of the factory: the one every Windows with WIC has. A thread already in a
    // single-threaded apartment stays there (the factory works in either).
    com_.emplace(COINIT_MULTITHREADED);
    CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(factory_.put()));
    return factory_.get();
}

WicFrameDecoder::~WicFrameDecoder() = default;

GpBitmap* WicFrameDecoder::Decode(const wchar_t* path, ImageSize limit) try {
    IWICImagingFactory* const factory = Factory();
    if (!factory) return nullptr;
    UniqueCom<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                         decoder.put()))) {
        return nullptr;
    }
    GUID container{};
    if (FAILED(decoder.get()->GetContainerFormat(&container))) return nullptr;
    const bool png = Same(container, GUID_ContainerFormatPng);
    const bool bmp = Same(container, GUID_ContainerFormatBmp);
    if (!png && !bmp && !Same(container, GUID_ContainerFormatJpeg)) return nullptr;

    UniqueCom<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder.get()->GetFrame(0, frame.put())) || !frame) return nullptr;
    IWICBitmapFrameDecode* const frameRef = frame.get();
    UINT fullWidth = 0, fullHeight = 0;
    WICPixelFormatGUID format{};
    if (FAILED(frameRef->GetSize(&fullWidth, &fullHeight)) || FAILED(frameRef->GetPixelFormat(&format))) return nullptr;
    // Only the part the box can show is copied out of the decoder.
    const ImageSize held = HeldPart({fullWidth, fullHeight}, limit);
    const UINT width = held.width, height = held.height;
    if (!BitmapSizeFits(width, height)) return nullptr;
    const Layout layout = LayoutOf(format);
    if (layout == Layout::Other || (png && RecordsOtherGamma(frameRef))) return nullptr;
    // Whether a bitmap file's fourth byte is alpha is a matter of interpretation: GDI+ decides.
    if (bmp && layout == Layout::Bgra) return nullptr;
    const INT w = static_cast<INT>(width), h = static_cast<INT>(height);

    UniqueCom<IWICBitmapSource> bgra;
    if (layout == Layout::ConvertToBgra) {
        bgra = Converted(factory_.get(), frameRef, GUID_WICPixelFormat32bppBGRA);
        if (!bgra) return nullptr;
    }
    IWICBitmapSource* const source = bgra ? bgra.get() : frameRef;
    UniqueGpImage copy(NewBitmap(w, h, PixelFormat32bppRGB));
    if (!copy) return nullptr;
    bool opaque = true;
    {
        const LockedPixels target(copy.get(), w, h, ImageLockModeWrite, PixelFormat32bppRGB);
        if (!target.Locked()) return nullptr;
        if (layout == Layout::Bgr) {
            // Through a band of 24-bit rows: WIC's own conversion is slower.
            const INT rowBytes = (w * 3 + 3) & ~3;
            rows_.resize(static_cast<std::size_t>(rowBytes) * BandRows(rowBytes));
            const bool copied = CopyBands(
                frameRef, w, h, rowBytes, control_, [&](INT) { return rows_.data(); },
                [&](INT y, INT rows) {
                    for (INT i = 0; i < rows; ++i) {
                        ExpandBgrRow(rows_.data() + static_cast<std::size_t>(i) * rowBytes,
                                     reinterpret_cast<std::uint32_t*>(target.Row(y + i)), width);
                    }
                });
            if (!copied) return nullptr;
        } else {
            // BGRA is the bitmap's own layout; a full alpha byte everywhere leaves it RGB.
            if (!CopyRows(source, target, w, h, control_)) return nullptr;
            for (INT y = 0; y < h && opaque; ++y) {
                opaque = RowOpaque(reinterpret_cast<const std::uint32_t*>(target.Row(y)), width);
            }
        }
    }
    if (opaque) return static_cast<GpBitmap*>(copy.release());

    // Some pixel lets the background through: premultiplied, the layout GDI+ blends fastest.
    copy.reset();
    const UniqueCom<IWICBitmapSource> premultiplied =
        Converted(factory_.get(), source, GUID_WICPixelFormat32bppPBGRA);
    if (!premultiplied) return nullptr;
    copy.reset(NewBitmap(w, h, PixelFormat32bppPARGB));
    if (!copy) return nullptr;
    {
        const LockedPixels target(copy.get(), w, h, ImageLockModeWrite, PixelFormat32bppPARGB);
        if (!target.Locked() || !CopyRows(premultiplied.get(), target, w, h, control_)) return nullptr;
    }
    return static_cast<GpBitmap*>(copy.release());
} catch (const std::bad_alloc&) {
    NoteBitmapAllocationFailure();  // the band buffer
    return nullptr;
}

}  // namespace kino
