#pragma once
// First step of the pipeline: decode the source, decide the canvas size and
// which part of the source lands where, and draw it through the image colour
// matrix onto a white canvas.
#include "engine/processing_settings.h"
#include "engine/source_file.h"

#include <QImage>
#include <QRectF>
#include <optional>

namespace kuvo {

// The geometry of one picture, before any pixel is decoded.
struct ResizePlan {
  double canvasWidth = 0, canvasHeight = 0;
  QRectF sourceRect; // part of the source used, in source pixels
  QRectF destRect;   // where it lands on the canvas
};

// Plans the canvas for a source of iw x ih. borderSize is the size of the
// border picture (needed only for the border-size mode; an empty size when
// there is none or it cannot be read). Returns nullopt when the arithmetic has
// no answer (a source or canvas without pixels).
std::optional<ResizePlan> planResize(const ProcessingSettings &settings, double width, double height, double iw,
                                     double ih, QSizeF borderSize);

// Rounds to whole pixels, halves to even.
int roundHalfEven(double v);

// Loads and sizes the source. A source that cannot be decoded gives a null
// image; drawing failures append their error entries to errorText.
QImage LoadAndResize(const SourceFile &source, const ProcessingSettings &settings, float width, float height,
                     QString &errorText);

} // namespace kuvo
