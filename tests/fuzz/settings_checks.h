#pragma once
// What every accepted job must satisfy, whether it came from a job file or
// from kuvo-batch's command line: its numbers are finite, and the picture
// watermark's scale is positive.
#include "engine/processing_settings.h"

#include <cmath>
#include <cstdlib>

namespace kuvo::fuzz {

inline void requireFinite(double v) {
  if (!std::isfinite(v))
    std::abort();
}

inline void checkNumbers(const kuvo::ProcessingSettings &j) {
  for (float v : j.imageMatrix)
    requireFinite(v);
  for (float v : j.watermarkMatrix)
    requireFinite(v);
  requireFinite(j.originX);
  requireFinite(j.originY);
  requireFinite(j.pictureWatermarkX);
  requireFinite(j.pictureWatermarkY);
  requireFinite(j.textX);
  requireFinite(j.textY);
  requireFinite(j.pictureWatermarkScale);
  if (!(j.pictureWatermarkScale > 0))
    std::abort();
}

} // namespace kuvo::fuzz
