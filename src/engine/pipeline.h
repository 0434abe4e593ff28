#pragma once
// One picture from source file to finished canvas. The preview and the batch
// run call the same function.
#include "engine/decoded_source_cache.h"
#include "engine/draw_overlays.h"
#include "engine/processing_settings.h"

#include <QImage>
#include <QString>

namespace kuvo {

struct PipelineResult {
  QImage canvas;      // Format_RGB32 on white; null when the source could not be used
  QString errorText;  // error entries of this picture, each ending "\r\n"
  OverlayPlacement placement;
  QByteArray sourceData; // the source file's bytes, for its metadata
  QString failure;       // why the canvas is null when no step has said so
  bool upright = false;  // the pixels were turned or mirrored: they now stand as seen
};

// Composes list entry index of settings.files: load and size, rotate or
// mirror, effect, border and watermarks. The preview passes a cache of the
// decoded source, so that a settings change does not decode again.
PipelineResult funImgDone(const ProcessingSettings &settings, int index, DecodedSourceCache *cache = nullptr);

// The same for a path that need not be in the list.
PipelineResult processPicture(const ProcessingSettings &settings, const QString &path,
                              DecodedSourceCache *cache = nullptr);

} // namespace kuvo
