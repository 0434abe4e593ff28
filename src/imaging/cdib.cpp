#include "imaging/cdib.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace kuvo {

bool CDIB::Create(std::int32_t width, std::int32_t height) {
  // Release first: a failed Create leaves a surface without pixels. The
  // memory itself is kept for a surface of about the same size, since
  // fresh pages cost more than the effects that run on them.
  m_bits.clear();
  m_width = m_height = m_stride = 0;
  const std::int64_t stride = (3 * std::int64_t(width) + 3) & ~std::int64_t(3);
  const std::int64_t size = stride * height;
  if (width <= 0 || height <= 0 || stride > std::numeric_limits<std::int32_t>::max() ||
      size > std::numeric_limits<std::int32_t>::max()) {
    std::vector<std::uint8_t>().swap(m_bits);
    return false;
  }
  if (m_bits.capacity() / 2 > std::size_t(size))
    std::vector<std::uint8_t>().swap(m_bits);
  try {
    m_bits.assign(std::size_t(size), 0); // Cls: black, padding included
  } catch (const std::bad_alloc &) {
    std::vector<std::uint8_t>().swap(m_bits);
    return false;
  }
  m_width = width;
  m_height = height;
  m_stride = std::int32_t(stride);
  return true;
}

void CDIB::Clone(const CDIB &picture, bool fitSize) {
  if (&picture == this || !picture.HasPixels())
    return;
  if (fitSize)
    Create(picture.m_width, picture.m_height);
  if (!HasPixels())
    return;
  const std::int64_t rowBytes = 3 * std::int64_t(m_width);
  if (picture.m_width == m_width && picture.m_height == m_height) {
    for (std::int32_t r = 0; r < m_height; ++r)
      std::memcpy(&m_bits[std::size_t(r) * m_stride], &picture.m_bits[std::size_t(r) * picture.m_stride],
                  std::size_t(rowBytes));
    return;
  }
  // Stretch: each pixel takes the source pixel its centre falls on.
  for (std::int32_t r = 0; r < m_height; ++r) {
    const std::int64_t sr = (2 * std::int64_t(r) + 1) * picture.m_height / (2 * std::int64_t(m_height));
    const std::uint8_t *s = &picture.m_bits[std::size_t(sr) * picture.m_stride];
    std::uint8_t *d = &m_bits[std::size_t(r) * m_stride];
    for (std::int32_t x = 0; x < m_width; ++x) {
      const std::int64_t sx = (2 * std::int64_t(x) + 1) * picture.m_width / (2 * std::int64_t(m_width));
      std::memcpy(d + 3 * x, s + 3 * sx, 3);
    }
  }
}

void CDIB::Cls() {
  std::fill(m_bits.begin(), m_bits.end(), std::uint8_t(0));
}

std::int32_t CDIB::MapArray(std::span<std::uint8_t> &view) {
  view = std::span<std::uint8_t>(m_bits.data(), m_bits.size());
  return HasPixels() ? m_stride : 0;
}

void CDIB::UnMapArray(std::span<std::uint8_t> &view) {
  view = {};
}

} // namespace kuvo
