#include "engine/decoder.h"

#include "engine/codec_heif.h"
#include "engine/decode_memory_budget.h"
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
  int sampling = 0, colorspace = 0;
  tjhandle tj = threadDecompressor();
  return tj &&
         tjDecompressHeader3(tj, reinterpret_cast<const unsigned char *>(data.constData()),
                             static_cast<unsigned long>(data.size()), width, height, &sampling, &colorspace) == 0 &&
         colorspace != TJCS_CMYK && colorspace != TJCS_YCCK;
}

} // namespace

// The first frame header decides: a progressive one (SOF2, SOF6, SOF10,
// SOF14) is decoded from a buffer of all its coefficients, 64 of two bytes
// per block of each component, padded to whole MCUs as libjpeg allocates it.
std::int64_t progressiveDecodeBytes(const QByteArray &head) {
  const auto *p = reinterpret_cast<const unsigned char *>(head.constData());
  if (head.size() < 4 || p[0] != 0xFF || p[1] != 0xD8)
    return 0;
  qsizetype at = 2;
  while (at + 4 <= head.size()) {
    if (p[at] != 0xFF)
      return 0;
    const unsigned char marker = p[at + 1];
    if (marker == 0xFF) { // fill byte
      ++at;
      continue;
    }
    const int length = (p[at + 2] << 8) | p[at + 3];
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if ((marker & 0x03) != 0x02)
        return 0;
      const unsigned char *frame = p + at + 4;
      if (length < 8 || at + 2 + length > head.size())
        return 0;
      const int height = (frame[1] << 8) | frame[2], width = (frame[3] << 8) | frame[4];
      const int components = frame[5];
      if (length < 8 + 3 * components || components == 0)
        return 0;
      int hMax = 1, vMax = 1;
      for (int c = 0; c < components; ++c) {
        hMax = std::max(hMax, frame[7 + 3 * c] >> 4);
        vMax = std::max(vMax, frame[7 + 3 * c] & 0x0F);
      }
      std::int64_t blocks = 0;
      for (int c = 0; c < components; ++c) {
        const int h = std::max(1, frame[7 + 3 * c] >> 4), v = std::max(1, frame[7 + 3 * c] & 0x0F);
        const std::int64_t across = (std::int64_t(width) * h + 8 * hMax - 1) / (8 * hMax);
        const std::int64_t down = (std::int64_t(height) * v + 8 * vMax - 1) / (8 * vMax);
        blocks += (across + h - 1) / h * h * ((down + v - 1) / v * v);
      }
      return blocks * 64 * 2;
    }
    if (marker == 0xDA || marker == 0xD9)
      return 0;
    at += 2 + length;
  }
  return 0;
}

namespace {

// The decode buffer a thread keeps between pictures. Pictures larger than
// the bound get memory of their own, so an odd huge photo does not pin it.
class ThreadDecodeBuffer {
public:
  static constexpr std::size_t KeptBytes = std::size_t(32) << 20;
  // An image over this thread's buffer, or a null image when it cannot grow.
  QImage image(int w, int h) {
    const std::size_t bytes = std::size_t(w) * std::size_t(h) * 4;
    if (bytes > KeptBytes)
      return QImage(w, h, QImage::Format_RGB32);
    if (bytes > capacity_) {
      data_.reset(new (std::nothrow) uchar[bytes]);
      capacity_ = data_ ? bytes : 0;
      if (!data_)
        return {};
    }
    return QImage(data_.get(), w, h, qsizetype(w) * 4, QImage::Format_RGB32);
  }

private:
  std::unique_ptr<uchar[]> data_;
  std::size_t capacity_ = 0;
};

QImage decodeJpegScaled(const QByteArray &data, int eighths, bool transient = false) {
  int width = 0, height = 0;
  if (!jpegHeader(data, &width, &height))
    return {};
  const tjscalingfactor factor{eighths, 8};
  const int w = TJSCALED(width, factor), h = TJSCALED(height, factor);
  if (w <= 0 || h <= 0 || qint64(w) * h > MaxDecodedPixels)
    return {};
  thread_local ThreadDecodeBuffer buffer;
  QImage image = transient ? buffer.image(w, h) : QImage(w, h, QImage::Format_RGB32);
  if (image.isNull())
    return {};
  const DecodeMemoryHold hold(DecodeMemoryBudget::process(), progressiveDecodeBytes(data));
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
  if (isHeifData(data))
    return heifPictureSize(data);
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

namespace {
QImage decodeInto(const QByteArray &data, int eighths, QString *error, bool transient) {
  eighths = std::clamp(eighths, 1, 8);
  if (eighths < 8 || isJpeg(data)) {
    QImage image = decodeJpegScaled(data, eighths, transient);
    if (!image.isNull())
      return image;
  }
  if (isHeifData(data))
    return decodeHeif(data, error);
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

} // namespace

DecodeMemoryBudget &DecodeMemoryBudget::process() {
  // Two 16-megapixel progressive photos do not decode at once; one of any
  // size always can.
  static DecodeMemoryBudget budget(std::int64_t(96) << 20);
  return budget;
}

QImage decodePictureEighths(const QByteArray &data, int eighths, QString *error) {
  return decodeInto(data, eighths, error, false);
}

QImage decodePictureTransient(const QByteArray &data, int eighths, QString *error) {
  return decodeInto(data, eighths, error, true);
}

} // namespace kuvo
