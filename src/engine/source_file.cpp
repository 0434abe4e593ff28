#include "engine/source_file.h"

#include "engine/heif_boxes.h"
#include "engine/native_names.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace kuvo {

bool hasPictureSignature(const QByteArray &head) {
  auto starts = [&head](const char *magic, int size) {
    return head.size() >= size && std::memcmp(head.constData(), magic, size) == 0;
  };
  return starts("\xFF\xD8\xFF", 3) || starts("\x89PNG\r\n\x1A\n", 8) || starts("GIF87a", 6) || starts("GIF89a", 6) ||
         starts("BM", 2) || starts("II*\0", 4) || starts("MM\0*", 4) || starts("II+\0", 4) || starts("MM\0+", 4) ||
         (starts("RIFF", 4) && head.size() >= 12 && head.mid(8, 4) == "WEBP") || hasHeifSignature(head);
}

SourceGlance glanceAtSource(const QString &path, qint64 headBytes) {
  const NativeFileFacts info = nativeFileFacts(path);
  QFile file;
  if (!info.isFile || !openForReading(file, path))
    return {};
  return {file.read(headBytes), info.size};
}

SourceFile readSourceFile(const QString &path) {
  SourceFile source;
  source.path = path;
  // By the file's own bytes, so a GBK-named file is found too.
  const NativeFileFacts info = nativeFileFacts(path);
  if (!info.exists) {
    source.readError =
        info.isLink ? QStringLiteral("找不到文件(链接指向的文件不存在)") : QStringLiteral("找不到文件");
    return source;
  }
  // Opening a pipe would wait for a writer, and a device never ends.
  if (!info.isFile) {
    source.readError =
        info.isDir ? QStringLiteral("这是文件夹,不是图片文件") : QStringLiteral("不是普通文件(设备或管道)");
    return source;
  }
  if (info.size > MaxSourceFileBytes) {
    source.readError = QStringLiteral("文件过大(%1MB)").arg(info.size / (1024 * 1024));
    return source;
  }
  QFile file;
  if (!openForReading(file, path)) {
    source.readError = file.error() == QFileDevice::PermissionsError
                           ? QStringLiteral("没有读取文件的权限")
                           : QStringLiteral("无法读取文件(%1)").arg(file.errorString());
    return source;
  }
  const QByteArray head = file.read(16);
  if (!hasPictureSignature(head)) {
    source.readError = head.isEmpty() ? QStringLiteral("文件是空的") : QStringLiteral("不是图片文件或文件已损坏");
    return source;
  }
  // Read into one buffer of the file's size: "head + readAll()" would hold
  // the file twice for a moment and copy it once more.
  QByteArray data(info.size > head.size() ? qsizetype(info.size) : head.size(), Qt::Uninitialized);
  std::memcpy(data.data(), head.constData(), size_t(head.size()));
  qsizetype filled = head.size();
  while (filled < data.size()) {
    const qint64 got = file.read(data.data() + filled, data.size() - filled);
    if (got <= 0)
      break;
    filled += got;
  }
  data.truncate(filled);
  // A file that grew since it was measured is read to its end.
  if (file.error() == QFileDevice::NoError && !file.atEnd())
    data += file.readAll();
  source.data = std::move(data);
  if (file.error() != QFileDevice::NoError) {
    source.readError = QStringLiteral("无法读取文件(%1)").arg(file.errorString());
    source.data.clear();
  }
  return source;
}

} // namespace kuvo
