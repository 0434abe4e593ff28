#pragma once
// 5x5 colour matrix in the row-vector convention: [r g b a 1] x M, with
// channel values scaled to 0..1. Element (row, col) is m[row * 5 + col].
#include <array>

class QImage;

namespace kuvo {

using ColorMatrix = std::array<float, 25>;

ColorMatrix identityMatrix();
bool isIdentity(const ColorMatrix &m);
// Identity with the red, green and blue factors on the diagonal.
ColorMatrix channelMatrix(float red, float green, float blue);

// Applies the matrix to every pixel of an RGB32 or ARGB32(_Premultiplied)
// image in place. The identity is skipped without touching a pixel.
void applyColorMatrix(QImage &image, const ColorMatrix &m);

// The same for an opaque picture drawn onto white: where the matrix makes a
// pixel transparent (its alpha column), the white background shows through.
void applyColorMatrixOverWhite(QImage &image, const ColorMatrix &m);

} // namespace kuvo
