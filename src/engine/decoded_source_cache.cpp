#include "engine/decoded_source_cache.h"

namespace kuvo {

QImage DecodedSourceCache::find(const QByteArray &data, int eighths) const {
  std::lock_guard lock(mutex_);
  if (decoded_.isNull() || eighths != eighths_ || data != data_)
    return {};
  return decoded_;
}

void DecodedSourceCache::keep(const QByteArray &data, int eighths, const QImage &decoded) {
  std::lock_guard lock(mutex_);
  data_ = data;
  eighths_ = eighths;
  decoded_ = decoded;
}

void DecodedSourceCache::clear() {
  std::lock_guard lock(mutex_);
  data_.clear();
  decoded_ = QImage();
}

} // namespace kuvo
