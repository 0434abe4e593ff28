#pragma once
// CDIB: an off-screen 24-bit pixel surface whose bytes are addressed
// directly. Rows are stored bottom-up (the first row in memory is the bottom
// row of the picture), each pixel is blue, green, red, and each row is
// padded to a multiple of 4 bytes: stride = (3 * W + 3) & ~3. The effects
// depend on exactly this layout, padding bytes included.
//
// A surface either has pixels or has none; every operation on a surface
// without pixels does nothing.
#include <cstdint>
#include <span>
#include <vector>

class QImage;

namespace kuvo {

class CDIB {
public:
  CDIB() = default;

  std::int32_t Width() const { return m_width; }
  std::int32_t Height() const { return m_height; }
  std::int32_t Stride() const { return m_stride; }
  bool HasPixels() const { return !m_bits.empty(); }

  // Releases any previous pixels and makes a black width x height surface.
  // A size of 0 or less, or one whose buffer does not fit 32 bits, leaves
  // the surface without pixels (false).
  bool Create(std::int32_t width, std::int32_t height);

  // Copies picture into the surface, first re-creating the surface at the
  // picture's size when fitSize is true; pictures of another size are
  // stretched (nearest pixel). Nothing happens when either has no pixels.
  void Clone(const CDIB &picture, bool fitSize);

  // Copies source's pixels from (x, y) on into the whole surface; parts
  // lying outside the source are left as they are.
  void CloneHDC(const QImage &source, int x, int y);

  // Copies the whole surface onto target at (x, y), clipped to the target
  // (a 32-bit target; others are converted to Format_RGB32 first).
  void PaintTo(QImage &target, int x, int y) const;

  // Sets every byte of the buffer, padding included, to 0.
  void Cls();

  // Makes view a view of the whole buffer (no copy) and returns the stride;
  // 0 and an empty view on a surface without pixels.
  std::int32_t MapArray(std::span<std::uint8_t> &view);
  // Detaches the view; the buffer stays.
  void UnMapArray(std::span<std::uint8_t> &view);

  // --- effects: all rewrite the surface in place ---
  void FastBlur();
  void Sharpen();
  void Flame();
  void PurpleStain();
  void Brown();
  void NightShade();
  void Spooky();
  // Blackens every (100 / percent)-th row from the bottom. 0, and percents
  // of 200 and more (a step that rounds to 0), do nothing.
  void ScanLines(std::uint8_t percent);
  void MakeEmboss(std::int32_t factor, bool extended, bool greyscale);
  void Greyscale();
  void Monochrome(std::uint8_t threshold);
  void InvertColors();
  void ShiftColors(std::int32_t addRed, std::int32_t addGreen, std::int32_t addBlue);
  void Brightness(std::int32_t amount);

private:
  template <typename PixelFn> void forEachPixel(PixelFn fn);

  std::int32_t m_width = 0;
  std::int32_t m_height = 0;
  std::int32_t m_stride = 0;
  std::vector<std::uint8_t> m_bits;
  std::vector<std::uint8_t> m_scratch; // FastBlur's copy of the buffer
};

} // namespace kuvo
