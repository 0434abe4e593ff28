#include "engine/decoder.h"

#include "engine/png_chunks.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <turbojpeg.h>

#include <algorithm>
#include <memory>

namespace kuvo {

namespace {

bool isJpeg(const QByteArray &data) {
  return data.size() > 3 && static_cast<unsigned char>(data[0]) == 0xFF &&
         static_cast<unsigned char>(data[1]) == 0xD8;
}

struct TjHandle {
  tjhandle handle = tjInitDecompress();
  ~TjHandle() {
    if (handle)
      tjDestroy(handle);
  }
};

// One TurboJPEG decompressor per thread, made on first use.
tjhandle threadDecompressor() {
  thread_local TjHandle tj;
  return tj.handle;
}

bool jpegHeader(const QByteArray &data, int *width, int *height) {
  int subsampling = 0, colorspace = 0;
  tjhandle tj = threadDecompressor();
  return tj && tjDecompressHeader3(tj, reinterpret_cast<const unsigned char *>(data.constData()),
                                   static_cast<unsigned long>(data.size()), width, height, &subsampling,
                                   &colorspace) == 0 &&
         colorspace != TJCS_CMYK && colorspace != TJCS_YCCK;
}

QImage decodeJpegScaled(const QByteArray &data, int eighths) {
  int width = 0, height = 0;
  if (!jpegHeader(data, &width, &height))
    return {};
  const tjscalingfactor factor{eighths, 8};
  const int w = TJSCALED(width, factor), h = TJSCALED(height, factor);
  if (w <= 0 || h <= 0 || qint64(w) * h > MaxDecodedPixels)
    return {};
  QImage image(w, h, QImage::Format_RGB32);
  if (image.isNull())
    return {};
  // BGRA fills the fourth byte with 0xFF, which is what Format_RGB32 needs.
  if (tjDecompress2(threadDecompressor(), reinterpret_cast<const unsigned char *>(data.constData()),
                    static_cast<unsigned long>(data.size()), image.bits(), w, static_cast<int>(image.bytesPerLine()),
                    h, TJPF_BGRA, 0) != 0 &&
      tjGetErrorCode(threadDecompressor()) != TJERR_WARNING)
    return {};
  return image;
}

QImage flattenOnWhite(QImage image) {
  if (!image.hasAlphaChannel())
    return image.convertToFormat(QImage::Format_RGB32);
  QImage canvas(image.size(), QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  painter.drawImage(0, 0, image);
  painter.end();
  return canvas;
}

// Qt's BMP reader refuses top-down BMPs (a negative height, as many Windows
// tools write them). The same bytes with the height made positive read as
// the picture upside down, which one mirror turns back.
quint32 le32(const QByteArray &data, int at) {
  const auto *p = reinterpret_cast<const unsigned char *>(data.constData()) + at;
  return p[0] | (p[1] << 8) | (p[2] << 16) | (quint32(p[3]) << 24);
}

bool bottomUpCopyOfTopDownBmp(const QByteArray &data, QByteArray &copy) {
  if (data.size() < 34 || !data.startsWith("BM") || le32(data, 14) < 40)
    return false;
  const qint32 height = static_cast<qint32>(le32(data, 22));
  const quint32 compression = le32(data, 30);
  if (height >= 0 || height == INT32_MIN || (compression != 0 && compression != 3))
    return false;
  copy = data;
  const quint32 up = static_cast<quint32>(-height);
  for (int i = 0; i < 4; ++i)
    copy[22 + i] = static_cast<char>((up >> (8 * i)) & 0xFF);
  return true;
}

} // namespace

bool supportsReducedDecode(const QByteArray &data) {
  int w = 0, h = 0;
  return isJpeg(data) && jpegHeader(data, &w, &h);
}

QSize probePictureSize(const QByteArray &data) {
  int w = 0, h = 0;
  if (isJpeg(data) && jpegHeader(data, &w, &h))
    return QSize(w, h);
  if (pngChunkOverrunsData(data))
    return QSize();
  QByteArray bottomUp;
  QBuffer buffer;
  buffer.setData(bottomUpCopyOfTopDownBmp(data, bottomUp) ? bottomUp : data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  return reader.size();
}

QSize scaledDecodeSize(QSize full, int eighths) {
  const tjscalingfactor factor{std::clamp(eighths, 1, 8), 8};
  return QSize(TJSCALED(full.width(), factor), TJSCALED(full.height(), factor));
}

QImage decodePicture(const QByteArray &data, int denominator, QString *error) {
  return decodePictureEighths(data, 8 / std::clamp(denominator, 1, 8), error);
}

QImage decodePictureEighths(const QByteArray &data, int eighths, QString *error) {
  eighths = std::clamp(eighths, 1, 8);
  if (eighths < 8 || isJpeg(data)) {
    QImage image = decodeJpegScaled(data, eighths);
    if (!image.isNull())
      return image;
  }
  // Everything else, and JPEGs TurboJPEG refuses (CMYK), through Qt's readers.
  if (pngChunkOverrunsData(data)) {
    if (error)
      *error = QStringLiteral("PNG文件已损坏:数据块的长度超出了文件");
    return {};
  }
  QByteArray bottomUp;
  const bool topDown = bottomUpCopyOfTopDownBmp(data, bottomUp);
  QBuffer buffer;
  buffer.setData(topDown ? bottomUp : data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QSize size = reader.size();
  if (size.isValid() && qint64(size.width()) * size.height() > MaxDecodedPixels) {
    if (error)
      *error = QStringLiteral("图片尺寸过大");
    return {};
  }
  // The reader's own limit would refuse ordinary large photos; ours is above.
  reader.setAllocationLimit(static_cast<int>(MaxDecodedPixels * 4 / (1024 * 1024)) + 1);
  QImage image = reader.read();
  if (image.isNull()) {
    if (error)
      *error = reader.errorString();
    return {};
  }
  if (topDown)
    image = image.mirrored(false, true);
  return flattenOnWhite(std::move(image));
}

} // namespace kuvo
