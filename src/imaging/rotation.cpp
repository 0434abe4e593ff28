#include "imaging/rotation.h"

// Placeholder until the rotation step lands.
namespace kuvo {
QImage RotateImage(const QImage &canvas, int, int) { return canvas; }
} // namespace kuvo
