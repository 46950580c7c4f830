// Row conversions shared by the decoders: little-endian BGR(A) bytes, as GDI+ and WIC lay them out.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kino {

// BGR triples to opaque BGRX words (alpha byte 0xFF).
void ExpandBgrRow(const std::uint8_t* from, std::uint32_t* to, std::size_t width);

// RGB triples (as PNG decoders give them) to opaque BGRX words.
void ExpandRgbRow(const std::uint8_t* from, std::uint32_t* to, std::size_t width);

// Whether every BGRA word of the row has alpha 0xFF.
bool RowOpaque(const std::uint32_t* row, std::size_t width);

// RGBA bytes (as PNG decoders give them) turned into BGRA words in place; true when every pixel
// of the row is opaque.
bool RgbaToBgraRow(std::uint32_t* row, std::size_t width);

// BGRA words with straight alpha to premultiplied ones: each colour times alpha / 255, rounded to
// the nearest level, as WIC's converter does it.
void PremultiplyRow(const std::uint32_t* from, std::uint32_t* to, std::size_t width);

}  // namespace kino
