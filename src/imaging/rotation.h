#pragma once
// Quarter and half turns and mirrors: exact permutations of pixels.
#include <QImage>

namespace kuvo {

// Applies rotation menu mode 0-7 to canvas. Mode 2 (smart) turns the picture
// upright from its EXIF orientation; 0 and 1 return the canvas unchanged.
QImage RotateImage(const QImage &canvas, int rotateMode, int exifOrientation);

} // namespace kuvo
