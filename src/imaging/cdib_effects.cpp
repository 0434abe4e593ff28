// The pixel effects of CDIB. Each maps the byte view, rewrites it in place
// and unmaps it; none calls a function per pixel.
#include "imaging/cdib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kuvo {

namespace {

inline int clampByte(int x) {
  return x < 0 ? 0 : (x > 255 ? 255 : x);
}

// An addition beyond +-512 clamps to the same result as +-512 for any byte
// and keeps the sums far from overflow.
inline int boundAddend(std::int32_t a) {
  return int(std::clamp<std::int32_t>(a, -512, 512));
}

// Number of groups i = start, start + 3, ... with i <= last.
inline std::int64_t groupCount(std::int64_t start, std::int64_t last) {
  return last < start ? 0 : (last - start) / 3 + 1;
}

} // namespace

// Visits every pixel of every row (padding untouched) with its B, G, R bytes.
template <typename PixelFn> void CDIB::forEachPixel(PixelFn fn) {
  std::span<std::uint8_t> bits;
  const std::int32_t stride = MapArray(bits);
  if (bits.empty())
    return;
  for (std::int32_t r = 0; r < m_height; ++r) {
    std::uint8_t *p = bits.data() + std::size_t(r) * stride;
    for (std::int32_t x = 0; x < m_width; ++x, p += 3)
      fn(p[0], p[1], p[2]);
  }
  UnMapArray(bits);
}

void CDIB::Greyscale() {
  forEachPixel([](std::uint8_t &b, std::uint8_t &g, std::uint8_t &r) {
    const auto grey = std::uint8_t((b + g + r) / 3);
    b = g = r = grey;
  });
}

void CDIB::Monochrome(std::uint8_t threshold) {
  forEachPixel([threshold](std::uint8_t &b, std::uint8_t &g, std::uint8_t &r) {
    const std::uint8_t v = (b + g + r) / 3 < threshold ? 0 : 255;
    b = g = r = v;
  });
}

void CDIB::Flame() {
  forEachPixel([](std::uint8_t &b, std::uint8_t &g, std::uint8_t &r) {
    const int a = (b + g + r) / 3;
    r = std::uint8_t(clampByte(r + a));
    b = std::uint8_t(clampByte(b - a));
  });
}

void CDIB::PurpleStain() {
  forEachPixel([](std::uint8_t &b, std::uint8_t &g, std::uint8_t &r) {
    r = g;
    g = b;
    b = r;
  });
}

void CDIB::Brown() {
  forEachPixel([](std::uint8_t &b, std::uint8_t &g, std::uint8_t &r) {
    r = std::uint8_t(b * g / 256);
    g = std::uint8_t(b * r / 256);
    b = std::uint8_t(g * r / 256);
  });
}

void CDIB::NightShade() {
  forEachPixel([](std::uint8_t &b, std::uint8_t &g, std::uint8_t &r) {
    r = std::uint8_t(std::abs(r - 64));
    g = std::uint8_t(std::abs(r - 64));
    b = std::uint8_t(std::abs(r - 64));
  });
}

void CDIB::Spooky() {
  forEachPixel([](std::uint8_t &b, std::uint8_t &g, std::uint8_t &r) {
    g = r;
    b = r;
  });
}

// Groups of three bytes from index 0 while a whole group fits; padding bytes
// are inverted like the others.
void CDIB::InvertColors() {
  std::span<std::uint8_t> v;
  MapArray(v);
  const std::size_t end = v.size() / 3 * 3;
  for (std::size_t k = 0; k < end; ++k)
    v[k] ^= 0xFF;
  UnMapArray(v);
}

// For i = 0 .. N - 3 in steps of 1: v[i] += blue, v[i+1] += green,
// v[i+2] += red, each clamped. A byte k so receives red (from i = k - 2),
// then green (i = k - 1), then blue (i = k), as far as those i exist; each
// byte is computed once from that sequence.
void CDIB::ShiftColors(std::int32_t addRed, std::int32_t addGreen, std::int32_t addBlue) {
  std::span<std::uint8_t> v;
  MapArray(v);
  const std::int64_t n = std::int64_t(v.size());
  if (n >= 3) {
    const int red = boundAddend(addRed), green = boundAddend(addGreen), blue = boundAddend(addBlue);
    auto edge = [&](std::int64_t k) {
      int t = v[std::size_t(k)];
      if (k >= 2 && k - 2 <= n - 3)
        t = clampByte(t + red);
      if (k >= 1 && k - 1 <= n - 3)
        t = clampByte(t + green);
      if (k <= n - 3)
        t = clampByte(t + blue);
      v[std::size_t(k)] = std::uint8_t(t);
    };
    edge(0);
    edge(1);
    std::uint8_t *p = v.data();
    for (std::int64_t k = 2; k <= n - 3; ++k)
      p[k] = std::uint8_t(clampByte(clampByte(clampByte(p[k] + red) + green) + blue));
    for (std::int64_t k = std::max<std::int64_t>(2, n - 2); k < n; ++k)
      edge(k);
  }
  UnMapArray(v);
}

void CDIB::Brightness(std::int32_t amount) {
  ShiftColors(amount, amount, amount);
}

// Groups i = stride + 3, +3, ... up to N - 1 - stride - 5: every byte of a
// group becomes the weighted mean of itself (twice) and its four
// neighbours of the original buffer.
void CDIB::FastBlur() {
  std::span<std::uint8_t> v;
  const std::int64_t s = MapArray(v);
  const std::int64_t n = std::int64_t(v.size());
  const std::int64_t start = s + 3;
  const std::int64_t end = start + 3 * groupCount(start, n - 1 - s - 5);
  if (end > start) {
    m_scratch.assign(v.begin(), v.end()); // the one copy, kept for the next use
    const std::uint8_t *src = m_scratch.data();
    std::uint8_t *dst = v.data();
    for (std::int64_t k = start; k < end; ++k)
      dst[k] = std::uint8_t((src[k - s] + src[k - 3] + src[k + 3] + src[k + s] + 2 * src[k]) / 6);
  }
  UnMapArray(v);
}

// Groups i = 0, 3, ... up to N - 1 - stride - 5: byte k becomes
// clamp(2 v[k] - v[k + stride + 3]); that neighbour lies ahead and is still
// unchanged when k is written.
void CDIB::Sharpen() {
  std::span<std::uint8_t> v;
  const std::int64_t s = MapArray(v);
  const std::int64_t n = std::int64_t(v.size());
  const std::int64_t end = 3 * groupCount(0, n - 1 - s - 5);
  std::uint8_t *p = v.data();
  const std::int64_t d = s + 3;
  for (std::int64_t k = 0; k < end; ++k)
    p[k] = std::uint8_t(clampByte(2 * p[k] - p[k + d]));
  UnMapArray(v);
}

// Groups i = 0, 3, ... up to N - 3 - d: byte k becomes
// clamp(factor + v[k] - v[k + d]); with greyscale all three bytes of a group
// take the mean of their three clamped values.
void CDIB::MakeEmboss(std::int32_t factor, bool extended, bool greyscale) {
  std::span<std::uint8_t> v;
  const std::int64_t s = MapArray(v);
  const std::int64_t n = std::int64_t(v.size());
  const std::int64_t d = extended ? s + 3 : 3;
  const std::int64_t groups = groupCount(0, n - 3 - d);
  const int f = int(std::clamp<std::int32_t>(factor, -1024, 1024));
  std::uint8_t *p = v.data();
  if (!greyscale) {
    for (std::int64_t k = 0; k < 3 * groups; ++k)
      p[k] = std::uint8_t(clampByte(f + p[k] - p[k + d]));
  } else {
    for (std::int64_t i = 0; i < 3 * groups; i += 3) {
      const int c0 = clampByte(f + p[i] - p[i + d]);
      const int c1 = clampByte(f + p[i + 1] - p[i + 1 + d]);
      const int c2 = clampByte(f + p[i + 2] - p[i + 2 + d]);
      p[i] = p[i + 1] = p[i + 2] = std::uint8_t((c0 + c1 + c2) / 3);
    }
  }
  UnMapArray(v);
}

// Rows 0, step, 2 step ... in memory order (row 0 is the bottom row) turn
// black over their whole stride; step = 100 / percent, halves to even.
void CDIB::ScanLines(std::uint8_t percent) {
  if (percent == 0)
    return;
  const int q = 100 / percent, rest = 100 % percent;
  const int step = 2 * rest > percent || (2 * rest == percent && q % 2 == 1) ? q + 1 : q;
  if (step == 0)
    return; // 200 % and more: no row step, nothing to do
  std::span<std::uint8_t> v;
  const std::int32_t stride = MapArray(v);
  for (std::int32_t r = 0; !v.empty() && r < m_height; r += step)
    std::memset(v.data() + std::size_t(r) * stride, 0, std::size_t(stride));
  UnMapArray(v);
}

} // namespace kuvo
