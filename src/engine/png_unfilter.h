#pragma once
// Undoing a PNG row's filter, and turning 8-bit RGB or grey rows into
// Format_RGB32 pixels. The Debian libpng reverses Paeth one byte at a time
// without SIMD; on photo PNGs that was a third of the whole run, so the
// photo PNG reader does it here (SSE2 on x86-64, plain C++ elsewhere, the
// same bytes).
#include <cstddef>

namespace kuvo {

// Reverses filter type filter (0 None, 1 Sub, 2 Up, 3 Average, 4 Paeth) of
// row (length bytes, pixels of bpp bytes, bpp 1 or 3) in place; prior is the
// previous row, already reversed (all zero above the first row). Both must
// have one readable byte after length. False for a filter type PNG does not
// have.
bool unfilterPngRow(int filter, unsigned char *row, const unsigned char *prior, std::size_t length, int bpp);

// The same without SIMD: the reference the fast path is checked against.
bool unfilterPngRowPortable(int filter, unsigned char *row, const unsigned char *prior, std::size_t length, int bpp);

// width pixels of 8-bit samples (channels 3: RGB, 1: grey) to 0xFFRRGGBB.
void pngRowToRgb32(const unsigned char *in, unsigned *out, std::size_t width, int channels);

} // namespace kuvo
