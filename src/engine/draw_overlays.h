#pragma once
// Last step of the pipeline: border, picture watermark, text watermark.
#include "engine/processing_settings.h"
#include "engine/source_file.h"

#include <QDateTime>
#include <QImage>
#include <QRect>
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
  QRect pictureRect;    // where the picture watermark was drawn (empty: not drawn)
  QRect textRect;       // the measured text box at its drawn position (empty: none)
  // Set when the step failed as a whole: the canvas is left as it was, and
  // this is the status-line text to show ("【错误提示】在处理图片时发生错误:...").
  QString statusText;
};

// Draws on canvas (Format_RGB32). Failures append their error entries
// (each ending "\r\n") to errorText. The canvas only changes when the whole
// step succeeds: it is drawn on a copy that replaces it at the end.
// Safe to run on several threads at once.
OverlayPlacement DrawOverlays(QImage &canvas, const SourceFile &source, const ProcessingSettings &settings,
                              QString &errorText);

// The text printed for a watermark text: the four tokens, each only when it is
// the whole text, are replaced; anything else prints as it stands.
QString watermarkText(const QString &text, const SourceFile &source, const QDateTime &now);

// Empties the cache of decoded border and watermark pictures (they are kept
// between pictures of a run, checked against the file's size and time).
void clearOverlayImageCache();

// Writes anchored placements back into the job, so that switching a
// watermark to the free position keeps it where it was.
inline void storePlacement(ProcessingSettings &settings, const OverlayPlacement &placement) {
  if (placement.pictureStored) {
    settings.pictureWatermarkX = placement.pictureX;
    settings.pictureWatermarkY = placement.pictureY;
  }
  if (placement.textStored) {
    settings.textX = placement.textX;
    settings.textY = placement.textY;
  }
}

} // namespace kuvo
