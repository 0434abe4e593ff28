#include "publish/docx_package.h"

#include <QFile>
#include <algorithm>
#include <limits>
#include <zip.h>

namespace kuvo {

namespace {

class ZipPartDevice : public QIODevice {
public:
  ZipPartDevice(zip_file_t *file, qint64 limit) : file_(file), limit_(limit) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }
  ~ZipPartDevice() override {
    if (file_)
      zip_fclose(file_);
  }
  bool isSequential() const override { return true; }

protected:
  qint64 readData(char *data, qint64 maxSize) override {
    if (!file_ || maxSize <= 0)
      return 0;
    // One byte more than allowed tells an oversized part from one that
    // ends exactly at the limit.
    const qint64 room = limit_ + 1 - delivered_;
    const zip_int64_t n = zip_fread(file_, data, static_cast<zip_uint64_t>(std::min(maxSize, room)));
    if (n < 0) {
      setErrorString(QString::fromUtf8(zip_error_strerror(zip_file_get_error(file_))));
      return -1;
    }
    delivered_ += n;
    if (delivered_ > limit_) {
      setErrorString(QStringLiteral("part larger than allowed"));
      return -1;
    }
    return n;
  }
  qint64 writeData(const char *, qint64) override { return -1; }

private:
  zip_file_t *file_;
  qint64 limit_;
  qint64 delivered_ = 0;
};

} // namespace

DocxPackage::DocxPackage(const QString &path) {
  int err = 0;
  zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &err);
}

DocxPackage::DocxPackage(const QByteArray &bytes) {
  zip_error_t err;
  zip_error_init(&err);
  zip_source_t *source = zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &err);
  if (source) {
    zip_ = zip_open_from_source(source, ZIP_RDONLY, &err);
    if (!zip_)
      zip_source_free(source); // on success the archive owns the source
  }
  zip_error_fini(&err);
}

DocxPackage::~DocxPackage() {
  if (zip_)
    zip_discard(zip_);
}

qint64 DocxPackage::partSize(const QString &name) const {
  if (!zip_)
    return -1;
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(zip_, name.toUtf8().constData(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
    return -1;
  return st.size > static_cast<zip_uint64_t>(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max()
                                                                                 : static_cast<qint64>(st.size);
}

std::unique_ptr<QIODevice> DocxPackage::openPart(const QString &name, qint64 limit) const {
  if (!zip_)
    return nullptr;
  zip_file_t *file = zip_fopen(zip_, name.toUtf8().constData(), 0);
  if (!file)
    return nullptr;
  return std::make_unique<ZipPartDevice>(file, limit);
}

QByteArray DocxPackage::readPart(const QString &name, qint64 limit) const {
  const qint64 size = partSize(name);
  if (size < 0 || size > limit)
    return {};
  const std::unique_ptr<QIODevice> part = openPart(name, limit);
  if (!part)
    return {};
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(size));
  char chunk[65536];
  for (qint64 n; (n = part->read(chunk, sizeof chunk)) != 0;) {
    if (n < 0)
      return {};
    bytes.append(chunk, static_cast<qsizetype>(n));
  }
  return bytes;
}

} // namespace kuvo
