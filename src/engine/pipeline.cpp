#include "engine/pipeline.h"

#include "engine/decoder.h"
#include "engine/load_and_resize.h"
#include "engine/photo_exif.h"
#include "imaging/effects.h"
#include "imaging/rotation.h"

namespace kuvo {

PipelineResult processPicture(const ProcessingSettings &settings, const QString &path, DecodedSourceCache *cache) {
  PipelineResult result;
  const SourceFile source = readSourceFile(path);
  if (!source.ok()) {
    result.failure = source.readError; // nothing to draw: the save step reports the picture
    return result;
  }
  result.sourceData = source.data;

  // The size boxes are read as numbers; text that is not a number skips the
  // resize step and leaves the canvas empty.
  bool widthOk = false, heightOk = false;
  const float width = settings.widthText.trimmed().toFloat(&widthOk);
  const float height = settings.heightText.trimmed().toFloat(&heightOk);
  if (widthOk && heightOk)
    result.canvas = LoadAndResize(source, settings, width, height, result.errorText, cache, &result.failure);
  else
    result.failure = QStringLiteral("尺寸“%1 × %2”不是数字").arg(settings.widthText, settings.heightText);
  if (result.canvas.isNull())
    return result;

  if (settings.rotateMode > 1) {
    const int orientation = settings.rotateMode == RotateSmart ? pendingOrientation(source.data) : 0;
    result.canvas = RotateImage(result.canvas, settings.rotateMode, orientation);
    // Smart rotation leaves an upright photo, and the transposing 5 and 7,
    // as they are: those keep their tag.
    result.upright = settings.rotateMode != RotateSmart ||
                     (orientation >= 2 && orientation <= 8 && orientation != 5 && orientation != 7);
  }
  if (settings.effect != NoEffect)
    applyEffect(result.canvas, settings.effect, settings.brightness);
  result.placement = DrawOverlays(result.canvas, source, settings, result.errorText);
  return result;
}

PipelineResult funImgDone(const ProcessingSettings &settings, int index, DecodedSourceCache *cache) {
  if (index < 0 || index >= settings.files.size())
    return {};
  return processPicture(settings, settings.files[index], cache);
}

} // namespace kuvo
