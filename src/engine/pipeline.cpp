#include "engine/pipeline.h"

#include "engine/decoder.h"
#include "engine/load_and_resize.h"
#include "imaging/effects.h"
#include "imaging/exif_tags.h"
#include "imaging/rotation.h"

namespace kuvo {

PipelineResult processPicture(const ProcessingSettings &settings, const QString &path, DecodedSourceCache *cache) {
  PipelineResult result;
  const SourceFile source = readSourceFile(path);
  if (!source.ok())
    return result; // nothing to draw: the save step reports the picture
  result.sourceData = source.data;

  // The size boxes are read as numbers; text that is not a number skips the
  // resize step and leaves the canvas empty.
  bool widthOk = false, heightOk = false;
  const float width = settings.widthText.trimmed().toFloat(&widthOk);
  const float height = settings.heightText.trimmed().toFloat(&heightOk);
  if (widthOk && heightOk)
    result.canvas = LoadAndResize(source, settings, width, height, result.errorText, cache);
  if (result.canvas.isNull())
    return result;

  if (settings.rotateMode > 1) {
    const int orientation =
        settings.rotateMode == RotateSmart
            ? readExifOrientation(reinterpret_cast<const unsigned char *>(source.data.constData()),
                                  static_cast<std::size_t>(source.data.size()))
            : 0;
    result.canvas = RotateImage(result.canvas, settings.rotateMode, orientation);
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
