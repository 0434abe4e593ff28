#include "imaging/effects.h"

#include "imaging/cdib.h"

namespace kuvo {

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
  switch (effect) {
  case 0: work.FastBlur(); break;
  case 1: work.Sharpen(); break;
  case 2: work.Flame(); break;
  case 3: work.PurpleStain(); break;
  case 4: work.Brown(); break;
  case 5: work.NightShade(); break;
  case 6: work.Spooky(); break;
  case 7: work.ScanLines(50); break;
  case 8: work.MakeEmboss(100, false, false); break;
  case 9: work.Greyscale(); break;
  case 10: work.Monochrome(128); break;
  case 11: work.InvertColors(); break;
  case 12: work.Brightness(brightness); break;
  default: break;
  }
  work.PaintTo(canvas, 0, 0);
}

} // namespace kuvo
