#include "imaging/effects.h"

#include "imaging/cdib.h"

namespace kuvo {

// The effect menu's numbers on a surface's bytes.
void runEffect(CDIB &surface, int effect, int brightness) {
  switch (effect) {
  case 0: surface.FastBlur(); break;
  case 1: surface.Sharpen(); break;
  case 2: surface.Flame(); break;
  case 3: surface.PurpleStain(); break;
  case 4: surface.Brown(); break;
  case 5: surface.NightShade(); break;
  case 6: surface.Spooky(); break;
  case 7: surface.ScanLines(50); break;
  case 8: surface.MakeEmboss(100, false, false); break;
  case 9: surface.Greyscale(); break;
  case 10: surface.Monochrome(128); break;
  case 11: surface.InvertColors(); break;
  case 12: surface.Brightness(brightness); break;
  default: break;
  }
}

void applyEffect(QImage &canvas, int effect, int brightness) {
  if (effect < 0 || effect >= EffectCount || canvas.isNull())
    return; // 13 (nothing ticked) or "无特效": the picture stays as it is
  // The canvas is copied into a 24-bit surface, the effect runs on its
  // bytes, and the surface is painted back. Each thread keeps its surface
  // between pictures, as the main window kept its own.
  thread_local CDIB work;
  if (!work.Create(canvas.width(), canvas.height()))
    return;
  work.CloneHDC(canvas, 0, 0);
  runEffect(work, effect, brightness);
  work.PaintTo(canvas, 0, 0);
}

} // namespace kuvo
