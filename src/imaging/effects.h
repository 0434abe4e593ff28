#pragma once
// The effect menu: effect numbers 0-12 run on a 24-bit DIB copy of the canvas.
#include <QImage>

namespace kuvo {

inline constexpr int EffectCount = 13;

// Runs effect number 0-12 on canvas (Format_RGB32) in place; any other
// number leaves it unchanged.
void applyEffect(QImage &canvas, int effect);

} // namespace kuvo
