#include "engine/resample.h"
#include "engine/resample_detail.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
// The AVX2 kernels are compiled for AVX2 whatever the build's baseline and
// chosen at run time when the processor has it.
#if defined(__SSE2__) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KUVO_RESAMPLE_AVX2 1
#include <immintrin.h>
#endif

// Separable Lanczos-3 in fixed point.
//
// Geometry: output pixel i (centre i + 0.5) samples the source at
// left + (i + 0.5) * scale, where scale = source extent / output extent. When
// shrinking the kernel is stretched by the scale so that it low-passes before
// decimating; when enlarging it keeps its natural width. Taps outside the
// picture read the nearest edge pixel (their weight is folded into it).
//
// Arithmetic: weights are 14-bit fixed point summing to exactly 1 << 14 for
// every output pixel, so a flat area stays flat. The horizontal pass keeps 6
// fractional bits in a signed 16-bit intermediate (so the ringing of the first
// pass is not clipped before the second), the vertical pass rounds and clamps
// to 0..255. The AVX2, SSE2 and portable paths compute identical results:
// they add the same integer products, only in another grouping.

namespace kuvo {
namespace {

constexpr int kWeightBits = 14;
constexpr int kMidBits = 6; // fractional bits kept between the passes
constexpr int kHShift = kWeightBits - kMidBits;
constexpr int kVShift = kWeightBits + kMidBits;

double lanczos3(double x) {
  x = std::fabs(x);
  if (x < 1e-9)
    return 1.0;
  if (x >= 3.0)
    return 0.0;
  const double px = M_PI * x;
  return 3.0 * std::sin(px) * std::sin(px / 3.0) / (px * px);
}

// Contribution of a run of source pixels to each output pixel: output i uses
// source pixels start[i] .. start[i] + count[i] - 1 with weights
// weights[i * stride ...]. Pairs of weights are also kept packed as int32
// (low half: even tap, high half: odd tap) for the SSE2 multiply-add.
struct WeightTable {
  std::vector<int> start;
  std::vector<int> count;
  std::vector<int16_t> weights;
  int stride = 0;
};

WeightTable buildWeights(int srcLen, double srcStart, double srcExtent, int dstLen) {
  WeightTable t;
  const double scale = srcExtent / dstLen;
  const double filterScale = std::max(scale, 1.0);
  const double support = 3.0 * filterScale;
  // Enough room for every run, rounded up to an even count.
  t.stride = std::min(srcLen, static_cast<int>(std::ceil(2.0 * support)) + 2);
  t.stride += t.stride & 1;
  t.start.resize(dstLen);
  t.count.resize(dstLen);
  t.weights.assign(static_cast<size_t>(dstLen) * t.stride, 0);

  std::vector<double> w(t.stride);
  for (int i = 0; i < dstLen; ++i) {
    const double centre = srcStart + (i + 0.5) * scale;
    const long lo = static_cast<long>(std::floor(centre - support));
    const long hi = static_cast<long>(std::ceil(centre + support));
    const int first = static_cast<int>(std::clamp<long>(lo, 0, srcLen - 1));
    const int last = static_cast<int>(std::clamp<long>(hi, 0, srcLen - 1));
    const int n = last - first + 1;
    std::fill(w.begin(), w.begin() + n, 0.0);
    double sum = 0;
    for (long j = lo; j <= hi; ++j) {
      const double v = lanczos3((j + 0.5 - centre) / filterScale);
      if (v == 0.0)
        continue;
      const int k = static_cast<int>(std::clamp<long>(j, first, last)) - first;
      w[k] += v;
      sum += v;
    }
    if (std::fabs(sum) < 1e-12) { // cannot happen with a sane kernel; nearest pixel
      std::fill(w.begin(), w.begin() + n, 0.0);
      w[std::clamp(static_cast<int>(std::floor(centre)), first, last) - first] = 1.0;
      sum = 1.0;
    }
    // Quantise, then give the rounding residue to the largest tap so that the
    // fixed-point weights sum to exactly one.
    int16_t *q = &t.weights[static_cast<size_t>(i) * t.stride];
    int total = 0, biggest = 0;
    for (int k = 0; k < n; ++k) {
      q[k] = static_cast<int16_t>(std::lround(w[k] / sum * (1 << kWeightBits)));
      total += q[k];
      if (std::abs(q[k]) > std::abs(q[biggest]))
        biggest = k;
    }
    q[biggest] = static_cast<int16_t>(q[biggest] + ((1 << kWeightBits) - total));
    // Drop zero taps at both ends: fewer multiplies for the same result.
    int s = 0, e = n;
    while (e - s > 1 && q[s] == 0)
      ++s;
    while (e - s > 1 && q[e - 1] == 0)
      --e;
    if (s > 0)
      std::memmove(q, q + s, sizeof(int16_t) * (e - s));
    std::fill(q + (e - s), q + t.stride, int16_t(0));
    t.start[i] = first + s;
    t.count[i] = e - s;
  }
  return t;
}

inline int16_t saturate16(int v) {
  return static_cast<int16_t>(std::clamp(v, -32768, 32767));
}

// Horizontal pass of one row: 4 channels per pixel into 16-bit fixed point.
[[gnu::noinline]] void horizontalRowPortable(const uint8_t *src, int16_t *dst, const WeightTable &t, int dstW) {
  for (int x = 0; x < dstW; ++x) {
    const uint8_t *p = src + 4 * t.start[x];
    const int16_t *w = &t.weights[static_cast<size_t>(x) * t.stride];
    int a0 = 0, a1 = 0, a2 = 0, a3 = 0;
    for (int k = 0; k < t.count[x]; ++k) {
      const int wk = w[k];
      a0 += p[4 * k + 0] * wk;
      a1 += p[4 * k + 1] * wk;
      a2 += p[4 * k + 2] * wk;
      a3 += p[4 * k + 3] * wk;
    }
    constexpr int round = 1 << (kHShift - 1);
    dst[4 * x + 0] = saturate16((a0 + round) >> kHShift);
    dst[4 * x + 1] = saturate16((a1 + round) >> kHShift);
    dst[4 * x + 2] = saturate16((a2 + round) >> kHShift);
    dst[4 * x + 3] = saturate16((a3 + round) >> kHShift);
  }
}

// Vertical pass of one output row from the intermediate rows.
[[gnu::noinline]] void verticalRowPortable(const int16_t *const *rows, const int16_t *w, int count, uint32_t *dst,
                                           int dstW, std::vector<int32_t> &acc) {
  const int n = 4 * dstW;
  acc.assign(n, 1 << (kVShift - 1));
  int32_t *a = acc.data();
  for (int k = 0; k < count; ++k) {
    const int16_t *row = rows[k];
    const int32_t wk = w[k];
    for (int x = 0; x < n; ++x)
      a[x] += row[x] * wk;
  }
  // Channels are handled in memory order, so this path does not depend on
  // the byte order; the alpha byte is set through the 32-bit pixel value.
  uint8_t *bytes = reinterpret_cast<uint8_t *>(dst);
  for (int x = 0; x < n; ++x)
    bytes[x] = static_cast<uint8_t>(std::clamp(a[x] >> kVShift, 0, 255));
  for (int x = 0; x < dstW; ++x)
    dst[x] |= 0xFF000000u;
}

#ifdef __SSE2__
// The SIMD form of a weight table: every output's taps padded with zero
// weights to whole groups (4 taps horizontally, 2 vertically), the run moved
// left where needed so that a group never reads past the end of the line, and
// each pair of weights broadcast into a vector ready for _mm_madd_epi16.
struct alignas(16) WeightPair {
  int32_t lanes[4];
  __m128i get() const { return _mm_load_si128(reinterpret_cast<const __m128i *>(lanes)); }
};

struct SimdWeights {
  std::vector<int> start;  // first source index of each output's run
  std::vector<int> groups; // pairs of taps (vertical) or quads (horizontal)
  std::vector<WeightPair> pairs;
  int stride = 0; // vectors per output
  bool usable = true;
};

SimdWeights simdWeights(const WeightTable &t, int srcLen, int group) {
  SimdWeights s;
  const int dstLen = static_cast<int>(t.start.size());
  const int pairsPerGroup = group / 2;
  s.stride = (t.stride + group - 1) / group * pairsPerGroup;
  s.start.resize(dstLen);
  s.groups.resize(dstLen);
  s.pairs.assign(static_cast<size_t>(dstLen) * s.stride, WeightPair{});
  std::vector<int16_t> padded;
  for (int i = 0; i < dstLen; ++i) {
    const int groups = (t.count[i] + group - 1) / group;
    const int len = groups * group;
    int first = t.start[i];
    if (first + len > srcLen)
      first = srcLen - len;
    if (first < 0) { // the line is shorter than one padded run
      s.usable = false;
      return s;
    }
    padded.assign(len, 0);
    const int16_t *w = &t.weights[static_cast<size_t>(i) * t.stride];
    for (int k = 0; k < t.count[i]; ++k)
      padded[t.start[i] - first + k] = w[k];
    s.start[i] = first;
    s.groups[i] = groups;
    for (int k = 0; k < len; k += 2) {
      const int32_t pair = static_cast<uint16_t>(padded[k]) | (static_cast<int32_t>(padded[k + 1]) << 16);
      s.pairs[static_cast<size_t>(i) * s.stride + k / 2] = WeightPair{{pair, pair, pair, pair}};
    }
  }
  return s;
}

[[gnu::noinline]] void horizontalRowSse2(const uint8_t *src, int16_t *dst, const SimdWeights &t, int dstW) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i round = _mm_set1_epi32(1 << (kHShift - 1));
  for (int x = 0; x < dstW; ++x) {
    const uint8_t *p = src + 4 * t.start[x];
    const WeightPair *w = &t.pairs[static_cast<size_t>(x) * t.stride];
    __m128i acc0 = round, acc1 = _mm_setzero_si128();
    for (int g = 0; g < t.groups[x]; ++g, p += 16, w += 2) {
      // Four pixels p0..p3; reorder to p0 p2 p1 p3 and interleave the bytes
      // of p0/p1 and p2/p3 so each channel's pair sits side by side:
      // b0 b1 g0 g1 r0 r1 a0 a1 | b2 b3 g2 g3 r2 r3 a2 a3.
      const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
      const __m128i swapped = _mm_shuffle_epi32(four, _MM_SHUFFLE(3, 1, 2, 0));
      const __m128i inter = _mm_unpacklo_epi8(swapped, _mm_srli_si128(swapped, 8));
      acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi8(inter, zero), w[0].get()));
      acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi8(inter, zero), w[1].get()));
    }
    const __m128i acc = _mm_srai_epi32(_mm_add_epi32(acc0, acc1), kHShift);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(dst + 4 * x), _mm_packs_epi32(acc, acc));
  }
}

// One output row from the intermediate rows rows[0 .. 2 * groups - 1].
// Starts at int16 column x0 (a multiple of 8), where a wider kernel stopped.
[[gnu::noinline]] void verticalRowSse2(const int16_t *const *rows, const WeightPair *w, int groups, uint32_t *dst,
                                       int dstW, int x0 = 0) {
  const int n = 4 * dstW; // int16 values per row
  const __m128i round = _mm_set1_epi32(1 << (kVShift - 1));
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int x = x0;
  for (; x + 8 <= n; x += 8) { // two pixels per step
    __m128i lo = round, hi = round;
    for (int g = 0; g < groups; ++g) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[2 * g] + x));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[2 * g + 1] + x));
      const __m128i wg = w[g].get();
      lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), wg));
      hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), wg));
    }
    lo = _mm_srai_epi32(lo, kVShift);
    hi = _mm_srai_epi32(hi, kVShift);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(lo, hi), _mm_setzero_si128());
    _mm_storel_epi64(reinterpret_cast<__m128i *>(dst + x / 4), _mm_or_si128(bytes, alpha));
  }
  if (x < n) { // the last pixel of an odd width
    __m128i acc = round;
    for (int g = 0; g < groups; ++g) {
      const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(rows[2 * g] + x));
      const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(rows[2 * g + 1] + x));
      acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), w[g].get()));
    }
    acc = _mm_srai_epi32(acc, kVShift);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(acc, acc), acc);
    dst[x / 4] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_or_si128(bytes, alpha)));
  }
}

#ifdef KUVO_RESAMPLE_AVX2
bool cpuHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

// Horizontal weights for two outputs at once, one per 128-bit lane: both
// outputs of a pair get the same number of 4-tap groups (the shorter run is
// padded with zero weights), and each vector holds the first output's weight
// pair in its low lane and the second's in its high lane.
struct alignas(32) WeightPair2 {
  int32_t lanes[8];
  __attribute__((target("avx2"))) __m256i get() const {
    return _mm256_load_si256(reinterpret_cast<const __m256i *>(lanes));
  }
};

struct PairedWeights {
  std::vector<int> start;  // first source index of each output's run
  std::vector<int> groups; // 4-tap groups of each pair
  std::vector<WeightPair2> vecs;
  int stride = 0; // vectors per pair
  bool usable = true;
};

PairedWeights pairedWeights(const WeightTable &t, int srcLen) {
  PairedWeights s;
  const int dstLen = static_cast<int>(t.start.size());
  const int pairs = (dstLen + 1) / 2;
  s.stride = (t.stride + 3) / 4 * 2;
  s.start.resize(static_cast<size_t>(2) * pairs);
  s.groups.resize(pairs);
  s.vecs.assign(static_cast<size_t>(pairs) * s.stride, WeightPair2{});
  std::vector<int16_t> padded;
  for (int p = 0; p < pairs; ++p) {
    const int a = 2 * p, b = std::min(2 * p + 1, dstLen - 1); // an odd last output is paired with itself
    const int groups = (std::max(t.count[a], t.count[b]) + 3) / 4;
    const int len = 4 * groups;
    for (int lane = 0; lane < 2; ++lane) {
      const int i = lane == 0 ? a : b;
      int first = t.start[i];
      if (first + len > srcLen)
        first = srcLen - len;
      if (first < 0) {
        s.usable = false;
        return s;
      }
      padded.assign(len, 0);
      const int16_t *w = &t.weights[static_cast<size_t>(i) * t.stride];
      for (int k = 0; k < t.count[i]; ++k)
        padded[t.start[i] - first + k] = w[k];
      s.start[2 * p + lane] = first;
      for (int k = 0; k < len; k += 2) {
        const int32_t pair = static_cast<uint16_t>(padded[k]) | (static_cast<int32_t>(padded[k + 1]) << 16);
        WeightPair2 &v = s.vecs[static_cast<size_t>(p) * s.stride + k / 2];
        for (int j = 0; j < 4; ++j)
          v.lanes[4 * lane + j] = pair;
      }
    }
    s.groups[p] = groups;
  }
  return s;
}

// The SSE2 horizontal step on two outputs side by side. Writes 8 int16 per
// pair, so an odd width writes 4 values past its row into the ring's slack.
[[gnu::noinline]] __attribute__((target("avx2"))) void horizontalRowAvx2(const uint8_t *src, int16_t *dst,
                                                                         const PairedWeights &t, int dstW) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i round = _mm256_set1_epi32(1 << (kHShift - 1));
  const int pairs = (dstW + 1) / 2;
  for (int p = 0; p < pairs; ++p) {
    const uint8_t *pa = src + 4 * t.start[2 * p];
    const uint8_t *pb = src + 4 * t.start[2 * p + 1];
    const WeightPair2 *w = &t.vecs[static_cast<size_t>(p) * t.stride];
    __m256i acc0 = round, acc1 = zero;
    for (int g = 0; g < t.groups[p]; ++g, pa += 16, pb += 16, w += 2) {
      const __m256i eight =
          _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(pa))),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i *>(pb)), 1);
      const __m256i swapped = _mm256_shuffle_epi32(eight, _MM_SHUFFLE(3, 1, 2, 0));
      const __m256i inter = _mm256_unpacklo_epi8(swapped, _mm256_bsrli_epi128(swapped, 8));
      acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_unpacklo_epi8(inter, zero), w[0].get()));
      acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(_mm256_unpackhi_epi8(inter, zero), w[1].get()));
    }
    const __m256i acc = _mm256_srai_epi32(_mm256_add_epi32(acc0, acc1), kHShift);
    // Each lane packs to its output's four channels; gather both into the low half.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(acc, acc), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 8 * p), _mm256_castsi256_si128(packed));
  }
}

// The SSE2 vertical step four pixels at a time; the SSE2 kernel finishes the row.
[[gnu::noinline]] __attribute__((target("avx2"))) void verticalRowAvx2(const int16_t *const *rows, const WeightPair *w,
                                                                       int groups, uint32_t *dst, int dstW) {
  const int n = 4 * dstW;
  const __m256i round = _mm256_set1_epi32(1 << (kVShift - 1));
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  for (; x + 16 <= n; x += 16) {
    __m256i lo = round, hi = round;
    for (int g = 0; g < groups; ++g) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(rows[2 * g] + x));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(rows[2 * g + 1] + x));
      const __m256i wg = _mm256_set1_epi32(w[g].lanes[0]);
      lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), wg));
      hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), wg));
    }
    lo = _mm256_srai_epi32(lo, kVShift);
    hi = _mm256_srai_epi32(hi, kVShift);
    // In-lane packing keeps columns 0-7 in the low lane and 8-15 in the high one.
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(lo, hi), _mm256_setzero_si256());
    const __m256i gathered = _mm256_permute4x64_epi64(bytes, _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + x / 4), _mm_or_si128(_mm256_castsi256_si128(gathered), alpha));
  }
  if (x < n)
    verticalRowSse2(rows, w, groups, dst, dstW, x);
}
#endif
#endif

} // namespace

namespace detail {

std::vector<ResamplePath> availableResamplePaths() {
  std::vector<ResamplePath> paths{ResamplePath::Portable};
#ifdef __SSE2__
  paths.push_back(ResamplePath::Sse2);
#endif
#ifdef KUVO_RESAMPLE_AVX2
  if (cpuHasAvx2())
    paths.push_back(ResamplePath::Avx2);
#endif
  return paths;
}

const char *resamplePathName(ResamplePath path) {
  switch (path) {
  case ResamplePath::Portable:
    return "portable";
  case ResamplePath::Sse2:
    return "SSE2";
  case ResamplePath::Avx2:
    return "AVX2";
  }
  return "?";
}

QImage resampleLanczos3Impl(const QImage &input, const QRectF &srcRect, const QSize &dstSize, ResamplePath path) {
  if (input.isNull())
    return {};
  const QImage src = input.format() == QImage::Format_RGB32 || input.format() == QImage::Format_ARGB32
                         ? input
                         : input.convertToFormat(QImage::Format_RGB32);
  if (src.isNull())
    return {};
  const uchar *bits = src.constBits();
  const qsizetype stride = src.bytesPerLine();
  return resampleLanczos3RowsImpl(
      src.size(), [bits, stride](int y) { return bits + y * stride; }, srcRect, dstSize, path);
}

QImage resampleLanczos3RowsImpl(QSize srcSize, const std::function<const uchar *(int)> &rowAt, const QRectF &srcRect,
                                const QSize &dstSize, ResamplePath path) {
  if (srcSize.isEmpty() || dstSize.isEmpty() || !srcRect.isValid() || srcRect.isEmpty())
    return {};
  // Coordinates far beyond any picture (or not numbers at all) have no answer.
  constexpr double kLimit = 1 << 30;
  for (double v : {srcRect.x(), srcRect.y(), srcRect.width(), srcRect.height()})
    if (!(std::fabs(v) < kLimit))
      return {};
  const int dstW = dstSize.width(), dstH = dstSize.height();
  QImage out(dstW, dstH, QImage::Format_RGB32);
  if (out.isNull()) // allocation refused
    return {};

  const WeightTable hw = buildWeights(srcSize.width(), srcRect.x(), srcRect.width(), dstW);
  const WeightTable vw = buildWeights(srcSize.height(), srcRect.y(), srcRect.height(), dstH);

#ifdef __SSE2__
  const bool allowSimd = path != ResamplePath::Portable;
  SimdWeights hs, vs;
  if (allowSimd) {
    hs = simdWeights(hw, srcSize.width(), 4);
    vs = simdWeights(vw, srcSize.height(), 2);
  }
  const bool simdH = allowSimd && hs.usable;
  const bool simdV = allowSimd && vs.usable;
#ifdef KUVO_RESAMPLE_AVX2
  const bool avx2 = path == ResamplePath::Avx2 && cpuHasAvx2();
  PairedWeights ph;
  if (avx2)
    ph = pairedWeights(hw, srcSize.width());
  const bool avx2H = avx2 && ph.usable;
#endif
#endif
  // Rows filtered horizontally are kept in a small ring, just large enough
  // for the longest vertical run: it stays in cache, and the memory needed
  // does not grow with the picture. Runs move down monotonically, so each
  // source row is filtered once.
  int ringRows = 1;
  for (int y = 0; y < dstH; ++y) {
#ifdef __SSE2__
    if (simdV) {
      ringRows = std::max(ringRows, 2 * vs.groups[y]);
      continue;
    }
#endif
    ringRows = std::max(ringRows, vw.count[y]);
  }
  const size_t midStride = static_cast<size_t>(4) * dstW + 8; // a little slack between rows
  std::unique_ptr<int16_t[]> ring(new (std::nothrow) int16_t[midStride * ringRows]);
  if (!ring)
    return {};
  std::vector<int> slotRow(ringRows, -1);
  std::vector<const int16_t *> runRows(ringRows);

  bool rowMissing = false;
  auto filteredRow = [&](int row) -> const int16_t * {
    const int slot = row % ringRows;
    int16_t *dst = ring.get() + slot * midStride;
    if (slotRow[slot] != row) {
      const uint8_t *line = rowMissing ? nullptr : rowAt(row);
      slotRow[slot] = row;
      if (!line) { // damaged data: the result is dropped below
        rowMissing = true;
        std::memset(dst, 0, midStride * sizeof(int16_t));
        return dst;
      }
#ifdef KUVO_RESAMPLE_AVX2
      if (avx2H)
        horizontalRowAvx2(line, dst, ph, dstW);
      else
#endif
#ifdef __SSE2__
          if (simdH)
        horizontalRowSse2(line, dst, hs, dstW);
      else
#endif
        horizontalRowPortable(line, dst, hw, dstW);
    }
    return dst;
  };

  std::vector<int32_t> acc;
  for (int y = 0; y < dstH; ++y) {
    uint32_t *dst = reinterpret_cast<uint32_t *>(out.scanLine(y));
#ifdef __SSE2__
    if (simdV) {
      for (int k = 0; k < 2 * vs.groups[y]; ++k)
        runRows[k] = filteredRow(vs.start[y] + k);
      const WeightPair *w = &vs.pairs[static_cast<size_t>(y) * vs.stride];
#ifdef KUVO_RESAMPLE_AVX2
      if (avx2) {
        verticalRowAvx2(runRows.data(), w, vs.groups[y], dst, dstW);
        continue;
      }
#endif
      verticalRowSse2(runRows.data(), w, vs.groups[y], dst, dstW);
      continue;
    }
#endif
    for (int k = 0; k < vw.count[y]; ++k)
      runRows[k] = filteredRow(vw.start[y] + k);
    verticalRowPortable(runRows.data(), &vw.weights[static_cast<size_t>(y) * vw.stride], vw.count[y], dst, dstW, acc);
  }
  return rowMissing ? QImage() : out;
}

} // namespace detail

namespace {
detail::ResamplePath fastestPath() {
  static const detail::ResamplePath fastest = detail::availableResamplePaths().back();
  return fastest;
}
} // namespace

QImage resampleLanczos3(const QImage &src, const QRectF &srcRect, const QSize &dstSize) {
  return detail::resampleLanczos3Impl(src, srcRect, dstSize, fastestPath());
}

QImage resampleLanczos3Rows(QSize srcSize, const SourceRows &rowAt, const QRectF &srcRect, const QSize &dstSize) {
  return detail::resampleLanczos3RowsImpl(srcSize, rowAt, srcRect, dstSize, fastestPath());
}

} // namespace kuvo
