#pragma once
// Last step of the pipeline: border, picture watermark, text watermark.
#include "engine/processing_settings.h"
#include "engine/source_file.h"

#include <QImage>
#include <QSizeF>

namespace kuvo {

// Where anchored watermarks landed, as fractions of the canvas; the batch run
// writes them back into the job's settings in list order.
struct OverlayPlacement {
  bool pictureStored = false;
  double pictureX = 0, pictureY = 0;
  bool textStored = false;
  double textX = 0, textY = 0;
  QSizeF watermarkSize; // drawn size of the picture watermark, for hit tests
};

// Draws on canvas (Format_RGB32). Failures append their error entries
// (each ending "\r\n") to errorText.
OverlayPlacement DrawOverlays(QImage &canvas, const SourceFile &source, const ProcessingSettings &settings,
                              QString &errorText);

} // namespace kuvo
