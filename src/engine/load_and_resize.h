#pragma once
// First step of the pipeline: decode the source, decide the canvas size and
// which part of the source lands where, and draw it through the image colour
// matrix onto a white canvas.
#include "engine/decoded_source_cache.h"
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

// The smallest JPEG decode scale, in eighths, that leaves the used part of
// the source at least margin times the target size, so the final filter has
// detail to work with. Only the halvings (1/8, 1/4, 1/2) are used: weighed
// on the benchmark photographs (kuvo-psnr --scales), TurboJPEG's other
// eighths (3/8, 5/8 ...) have no SIMD inverse DCT and came out both slower
// and further from the full-decode reference. Margin 1.5 against 2 (44
// photos to 800 px, q90): about 10 % less CPU time, mean luma PSNR 0.34 dB
// lower, still within 0.3 dB of libvips' thumbnails; it mostly decodes
// 2560-px photos at 1/2 instead of whole. Below 1.5 the loss grows fast.
inline constexpr double DecodeMargin = 1.5;
int chooseDecodeEighths(QSize used, QSize target, double margin = DecodeMargin);

// Rounds to whole pixels, halves to even.
int roundHalfEven(double v);

// Loads and sizes the source. A source that cannot be decoded gives a null
// image and, in failure, the reason; drawing failures append their error
// entries to errorText. Every canvas side is at least one pixel. With a
// cache, the decoded source is taken from it when it holds this file at the
// scale needed, and left in it otherwise.
QImage LoadAndResize(const SourceFile &source, const ProcessingSettings &settings, float width, float height,
                     QString &errorText, DecodedSourceCache *cache = nullptr, QString *failure = nullptr);

} // namespace kuvo
