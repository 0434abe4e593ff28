#include "imaging/effects.h"

// Placeholder until the DIB effects land.
namespace kuvo {
void applyEffect(QImage &, int, int) {}
} // namespace kuvo
