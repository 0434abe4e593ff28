#include "engine/codec_heif.h"

#include "engine/decoder.h"
#include "engine/heif_boxes.h"

#include <QPainter>
#include <libheif/heif.h>

#include <memory>
#include <mutex>

namespace kuvo {

namespace {

struct ContextFree {
  void operator()(heif_context *c) const { heif_context_free(c); }
};
struct HandleRelease {
  void operator()(heif_image_handle *h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
  void operator()(heif_image *i) const { heif_image_release(i); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;

// The file's primary image; data must outlive the returned context.
struct Primary {
  Context context;
  Handle handle;
  QString error;
};

Primary openPrimary(const QByteArray &data) {
  static std::once_flag once;
  std::call_once(once, [] { heif_init(nullptr); }); // loads the codec plugins, once for the process
  Primary p;
  p.context.reset(heif_context_alloc());
  if (!p.context) {
    p.error = QStringLiteral("内存不足");
    return p;
  }
  heif_error e = heif_context_read_from_memory_without_copy(p.context.get(), data.constData(),
                                                            static_cast<size_t>(data.size()), nullptr);
  if (e.code != heif_error_Ok) {
    p.error = QString::fromUtf8(e.message);
    return p;
  }
  heif_image_handle *handle = nullptr;
  e = heif_context_get_primary_image_handle(p.context.get(), &handle);
  if (e.code != heif_error_Ok || !handle) {
    p.error = QString::fromUtf8(e.message);
    return p;
  }
  p.handle.reset(handle);
  return p;
}

QImage flattenedOnWhite(const QImage &image) {
  QImage canvas(image.size(), QImage::Format_RGB32);
  if (canvas.isNull())
    return {};
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  painter.drawImage(0, 0, image);
  painter.end();
  return canvas;
}

} // namespace

bool isHeifData(const QByteArray &data) {
  return hasHeifSignature(data);
}

QSize heifPictureSize(const QByteArray &data) {
  if (!isHeifData(data))
    return {};
  const Primary p = openPrimary(data);
  if (!p.handle)
    return {};
  return QSize(heif_image_handle_get_width(p.handle.get()), heif_image_handle_get_height(p.handle.get()));
}

QImage decodeHeif(const QByteArray &data, QString *error) {
  auto fail = [error](const QString &why) {
    if (error)
      *error = why;
    return QImage();
  };
  if (!isHeifData(data))
    return fail(QStringLiteral("不是HEIF/AVIF文件"));
  const Primary p = openPrimary(data);
  if (!p.handle)
    return fail(p.error);
  const int w = heif_image_handle_get_width(p.handle.get()), h = heif_image_handle_get_height(p.handle.get());
  if (w <= 0 || h <= 0)
    return fail(QStringLiteral("图片尺寸无效"));
  if (qint64(w) * h > MaxDecodedPixels)
    return fail(QStringLiteral("图片尺寸过大"));
  const bool alpha = heif_image_handle_has_alpha_channel(p.handle.get());
  // Rotation, mirror and crop of the file are applied (the default options).
  heif_image *decoded = nullptr;
  const heif_error e = heif_decode_image(p.handle.get(), &decoded, heif_colorspace_RGB,
                                         alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
  const std::unique_ptr<heif_image, ImageRelease> image(decoded);
  if (e.code != heif_error_Ok || !image)
    return fail(QString::fromUtf8(e.message));
  int stride = 0;
  const uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  const int iw = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int ih = heif_image_get_height(image.get(), heif_channel_interleaved);
  if (!plane || iw <= 0 || ih <= 0 || stride < iw * (alpha ? 4 : 3))
    return fail(QStringLiteral("解码结果无效"));
  // A view of libheif's pixels, copied before the image is released.
  const QImage view(plane, iw, ih, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
  QImage result = alpha ? flattenedOnWhite(view) : view.convertToFormat(QImage::Format_RGB32);
  if (result.isNull())
    return fail(QStringLiteral("内存不足"));
  return result;
}

HeifMetadata heifMetadata(const QByteArray &data) {
  HeifMetadata meta;
  if (!isHeifData(data))
    return meta;
  const Primary p = openPrimary(data);
  if (!p.handle)
    return meta;
  heif_image_handle *h = p.handle.get();
  meta.transformed = heifPrimaryIsTransformed(data);

  const int count = heif_image_handle_get_number_of_metadata_blocks(h, nullptr);
  std::vector<heif_item_id> ids(static_cast<size_t>(std::max(count, 0)));
  const int listed = heif_image_handle_get_list_of_metadata_block_IDs(h, nullptr, ids.data(), count);
  for (int i = 0; i < listed; ++i) {
    const QByteArray type = heif_image_handle_get_metadata_type(h, ids[i]);
    const QByteArray content = heif_image_handle_get_metadata_content_type(h, ids[i]);
    const size_t size = heif_image_handle_get_metadata_size(h, ids[i]);
    if (size == 0 || size > size_t(64) * 1024 * 1024)
      continue;
    QByteArray block(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (heif_image_handle_get_metadata(h, ids[i], block.data()).code != heif_error_Ok)
      continue;
    if (type == "Exif" && meta.exif.isEmpty() && block.size() > 4) {
      // Four bytes of offset to the TIFF header come first.
      const quint32 offset = (quint32(uchar(block[0])) << 24) | (uchar(block[1]) << 16) | (uchar(block[2]) << 8) |
                             uchar(block[3]);
      if (offset < quint32(block.size() - 4))
        meta.exif = block.mid(4 + offset);
      if (meta.exif.startsWith(QByteArray("Exif\0\0", 6))) // some writers keep the JPEG segment's name
        meta.exif.remove(0, 6);
    } else if (type == "mime" && content == "application/rdf+xml" && meta.xmp.isEmpty()) {
      meta.xmp = block;
    }
  }
  const heif_color_profile_type profile = heif_image_handle_get_color_profile_type(h);
  if (profile == heif_color_profile_type_prof || profile == heif_color_profile_type_rICC) {
    const size_t size = heif_image_handle_get_raw_color_profile_size(h);
    if (size > 0 && size < size_t(16) * 1024 * 1024) {
      meta.icc.resize(static_cast<qsizetype>(size));
      if (heif_image_handle_get_raw_color_profile(h, meta.icc.data()).code != heif_error_Ok)
        meta.icc.clear();
    }
  }
  return meta;
}

} // namespace kuvo
