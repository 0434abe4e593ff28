#include "engine/png_unfilter.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define KUVO_PNG_SSE2 1
#endif

namespace kuvo {

namespace {

unsigned char paethPredictor(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc)
    return static_cast<unsigned char>(a);
  return static_cast<unsigned char>(pb <= pc ? b : c);
}

bool unfilterPortable(int filter, unsigned char *row, const unsigned char *prior, std::size_t length,
                      std::size_t bpp) {
  switch (filter) {
  case 0:
    return true;
  case 1:
    for (std::size_t i = bpp; i < length; ++i)
      row[i] = static_cast<unsigned char>(row[i] + row[i - bpp]);
    return true;
  case 2:
    for (std::size_t i = 0; i < length; ++i)
      row[i] = static_cast<unsigned char>(row[i] + prior[i]);
    return true;
  case 3:
    for (std::size_t i = 0; i < length; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0;
      row[i] = static_cast<unsigned char>(row[i] + ((a + prior[i]) >> 1));
    }
    return true;
  case 4:
    for (std::size_t i = 0; i < length; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0, c = i >= bpp ? prior[i - bpp] : 0;
      row[i] = static_cast<unsigned char>(row[i] + paethPredictor(a, prior[i], c));
    }
    return true;
  default:
    return false;
  }
}

#ifdef KUVO_PNG_SSE2
// One 3-byte pixel in the low three 16-bit lanes of a register. Four bytes
// are read (one a load instead of a stall on a stack copy): rows have a byte
// to spare after their end.
__m128i loadPixel3(const unsigned char *p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(v)), _mm_setzero_si128());
}

// Written as two bytes and one from a register: a three-byte copy went
// through the stack, which lengthened the chain from pixel to pixel.
void storePixel3(unsigned char *p, __m128i v) {
  const std::uint32_t bytes = std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
  const std::uint16_t low = std::uint16_t(bytes);
  std::memcpy(p, &low, 2);
  p[2] = static_cast<unsigned char>(bytes >> 16);
}

__m128i abs16(__m128i v) {
  return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

// Average and Paeth depend on the pixel just reversed, so they go one pixel
// (three channels at once) at a time.
void averageRgb(unsigned char *row, const unsigned char *prior, std::size_t length) {
  const __m128i low = _mm_set1_epi16(0xFF);
  __m128i a = _mm_setzero_si128();
  for (std::size_t i = 0; i + 3 <= length; i += 3) {
    const __m128i b = loadPixel3(prior + i);
    const __m128i x = _mm_and_si128(_mm_add_epi16(loadPixel3(row + i), _mm_srli_epi16(_mm_add_epi16(a, b), 1)), low);
    storePixel3(row + i, x);
    a = x;
  }
}

void paethRgb(unsigned char *row, const unsigned char *prior, std::size_t length) {
  const __m128i low = _mm_set1_epi16(0xFF);
  __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
  for (std::size_t i = 0; i + 3 <= length; i += 3) {
    const __m128i b = loadPixel3(prior + i);
    const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
    const __m128i pa = abs16(bc), pb = abs16(ac), pc = abs16(_mm_add_epi16(bc, ac));
    const __m128i least = _mm_min_epi16(pa, _mm_min_epi16(pb, pc));
    // Ties go to a, then b, as the predictor's order says.
    const __m128i useA = _mm_cmpeq_epi16(pa, least), useB = _mm_cmpeq_epi16(pb, least);
    __m128i nearest = _mm_or_si128(_mm_and_si128(useB, b), _mm_andnot_si128(useB, c));
    nearest = _mm_or_si128(_mm_and_si128(useA, a), _mm_andnot_si128(useA, nearest));
    const __m128i x = _mm_and_si128(_mm_add_epi16(loadPixel3(row + i), nearest), low);
    storePixel3(row + i, x);
    c = b;
    a = x;
  }
}

void upAll(unsigned char *row, const unsigned char *prior, std::size_t length) {
  std::size_t i = 0;
  for (; i + 16 <= length; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(prior + i));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(row + i), _mm_add_epi8(x, b));
  }
  for (; i < length; ++i)
    row[i] = static_cast<unsigned char>(row[i] + prior[i]);
}
#endif

} // namespace

bool unfilterPngRowPortable(int filter, unsigned char *row, const unsigned char *prior, std::size_t length, int bpp) {
  return unfilterPortable(filter, row, prior, length, std::size_t(bpp));
}

bool unfilterPngRow(int filter, unsigned char *row, const unsigned char *prior, std::size_t length, int bpp) {
#ifdef KUVO_PNG_SSE2
  if (filter == 2) {
    upAll(row, prior, length);
    return true;
  }
  if (bpp == 3 && length % 3 == 0) {
    if (filter == 3) {
      averageRgb(row, prior, length);
      return true;
    }
    if (filter == 4) {
      paethRgb(row, prior, length);
      return true;
    }
  }
#endif
  return unfilterPortable(filter, row, prior, length, std::size_t(bpp));
}

void pngRowToRgb32(const unsigned char *in, unsigned *out, std::size_t width, int channels) {
  if (channels == 3) {
    for (std::size_t x = 0; x < width; ++x, in += 3)
      out[x] = 0xFF000000u | unsigned(in[0]) << 16 | unsigned(in[1]) << 8 | in[2];
  } else {
    for (std::size_t x = 0; x < width; ++x)
      out[x] = 0xFF000000u | unsigned(in[x]) * 0x010101u;
  }
}

} // namespace kuvo
