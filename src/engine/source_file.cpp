#include "engine/source_file.h"

#include <QFile>

namespace kuvo {

SourceFile readSourceFile(const QString &path) {
  SourceFile source;
  source.path = path;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    source.readError = file.errorString();
    return source;
  }
  source.data = file.readAll();
  if (source.data.isEmpty() && file.error() != QFileDevice::NoError)
    source.readError = file.errorString();
  return source;
}

} // namespace kuvo
