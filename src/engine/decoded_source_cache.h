#pragma once
// The last decoded source picture, kept so that the preview of the same
// entry under new settings (a watermark moved, another effect) does not
// decode the file again. Thread-safe; one entry.
#include <QByteArray>
#include <QImage>

#include <mutex>

namespace kuvo {

class DecodedSourceCache {
public:
  // The picture decoded from exactly these file bytes at eighths/8 of its
  // size, or a null image. Comparing the bytes (not the path or the time)
  // means a file changed on disk is never answered from the cache.
  QImage find(const QByteArray &data, int eighths) const;
  void keep(const QByteArray &data, int eighths, const QImage &decoded);
  void clear();

private:
  mutable std::mutex mutex_;
  QByteArray data_;
  int eighths_ = 0;
  QImage decoded_;
};

} // namespace kuvo
