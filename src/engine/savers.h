#pragma once
// Choosing the saver, naming and encoding one finished picture.
#include "engine/processing_settings.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace kuvo {

// The outcome of encoding one picture; writing it happens separately so that
// a parallel run writes files strictly in list order.
struct EncodedPicture {
  QString name;      // OutputName without extension
  QString extension; // as written in the file name
  QString format;    // the encoder that writes it, lower case ("jpg" for a ".jpeg" name)
  QString path;      // outputFolder + "/" + name + "." + extension
  bool bmpSaver = false;
  bool encoded = false;
  bool noCanvas = false; // nothing was composed: the step that failed has said why, or the save says it
  QString failure;       // why nothing was encoded, for the save error entry
  QByteArray bytes;
  QString warning; // an error entry for a file written all the same (size limit not reached)
};

// The extension and saver for a source path under the job's output format.
// Returns the extension; sets bmpSaver when the BMP saver is used and
// encoderFormat to the encoder's extension. Under the original format a
// .jpeg or .jpe source keeps its extension and is written as JPEG, a .tif as
// TIFF, and a HEIC/HEIF/AVIF source becomes ".jpg".
QString outputExtensionFor(const ProcessingSettings &settings, const QString &sourcePath, bool *bmpSaver,
                           QString *encoderFormat = nullptr);

// Name, extension, saver and path of list entry index, without encoding.
EncodedPicture planOutput(const ProcessingSettings &settings, int index);

// Encodes the finished canvas; sourceData (the source file's bytes) supplies
// the photo metadata kept in the output. upright says the pixels were turned
// upright, so the output's Orientation tag becomes 1; otherwise the source's
// tag is kept. noCanvasReason says why a null canvas is null.
EncodedPicture encodePicture(const ProcessingSettings &settings, int index, const QImage &canvas,
                             const QByteArray &sourceData = QByteArray(), bool upright = false,
                             const QString &noCanvasReason = QString());

// The save error entry: source path, "在保存时发生错误:", the reason, ".".
QString saveErrorEntry(const QString &sourcePath, const QString &reason);

// The highest JPEG quality from 10 up to quality whose file, plus overhead
// bytes, fits into maxBytes, by bisection on the encoded size (at most 8
// encodes). When even quality 10 does not fit, the quality-10 file is
// returned with fits = false.
struct SizedJpeg {
  QByteArray bytes;
  int quality = 0;
  bool fits = false;
};
SizedJpeg encodeJpegWithin(const QImage &canvas, int quality, qint64 maxBytes, qint64 overhead = 0);

// Writes an encoded picture to path (its planned path when empty). Returns true when the file is in place; on failure
// appends the save error entry, with the reason, to errorText.
bool writeEncodedPicture(const EncodedPicture &picture, const QString &sourcePath, QString &errorText,
                         const QString &path = QString());

} // namespace kuvo
