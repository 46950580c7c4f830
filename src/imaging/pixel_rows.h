// Row conversions shared by the decoders: little-endian BGR(A) bytes, as GDI+ and WIC lay them out.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kino {

// BGR triples to opaque BGRX words (alpha byte 0xFF).
void ExpandBgrRow(const std::uint8_t* from, std::uint32_t* to, std::size_t width);

// Whether every BGRA word of the row has alpha 0xFF.
bool RowOpaque(const std::uint32_t* row, std::size_t width);

}  // namespace kino
