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
  QString path;      // outputFolder + "/" + name + "." + extension
  bool bmpSaver = false;
  bool encoded = false;
  QByteArray bytes;
};

// The extension and saver for a source path under the job's output format.
// Returns the extension; sets bmpSaver when the BMP saver is used.
QString outputExtensionFor(const ProcessingSettings &settings, const QString &sourcePath, bool *bmpSaver);

EncodedPicture encodePicture(const ProcessingSettings &settings, int index, const QImage &canvas);

// Writes an encoded picture. Returns true when the file is in place; on
// failure appends the save error entry (encoder saver only) to errorText.
bool writeEncodedPicture(const EncodedPicture &picture, const QString &sourcePath, QString &errorText);

} // namespace kuvo
