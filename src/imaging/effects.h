#pragma once
// The effect menu: effect numbers 0-12 run on a 24-bit DIB copy of the canvas.
#include <QImage>

namespace kuvo {

inline constexpr int EffectCount = 13;

class CDIB;

// Runs effect number 0-12 on the surface's bytes (brightness: the amount of
// effect 12); any other number does nothing.
void runEffect(CDIB &surface, int effect, int brightness);

// Runs effect number 0-12 on canvas (Format_RGB32) in place; brightness is
// the amount of effect 12. Any other number leaves the canvas unchanged.
void applyEffect(QImage &canvas, int effect, int brightness);

} // namespace kuvo
