#include "engine/load_and_resize.h"

#include "engine/decoder.h"
#include "engine/overlay_image_cache.h"
#include "engine/png_rows.h"
#include "engine/resample.h"

#include <QDir>
#include <cmath>
#include <cstring>

namespace kuvo {

int chooseDecodeEighths(QSize used, QSize target, double margin) {
  for (int n : {1, 2, 4})
    if (used.width() * n >= margin * 8 * target.width() && used.height() * n >= margin * 8 * target.height())
      return n;
  return 8;
}

int roundHalfEven(double v) {
  const double r = std::nearbyint(v);
  if (!(r > -2147483648.0 && r < 2147483647.0))
    return r > 0 ? INT_MAX : INT_MIN;
  return static_cast<int>(r);
}

std::optional<ResizePlan> planResize(const ProcessingSettings &s, double width, double height, double iw, double ih,
                                     QSizeF borderSize) {
  if (!(iw > 0 && ih > 0))
    return std::nullopt;
  int mode = s.sizeMode;
  // Small-picture rule: "or" on purpose, a picture not larger than the target
  // in one direction keeps its own size.
  if (s.keepSmall && (width != 0 || height != 0) && (iw <= width || ih <= height))
    mode = SizeOriginal;

  double W = width, H = height;
  if (mode == SizeFixedWidth) {
    H = W * ih / iw;
  } else if (mode == SizeOriginal) {
    W = iw;
    H = ih;
  } else if (mode == SizeFitBorder && !s.borderFile.isEmpty() && s.borderFile != NoBorderText) {
    W = borderSize.width();
    H = borderSize.height();
  }
  if (!(W > 0 && H > 0) || !std::isfinite(W) || !std::isfinite(H))
    return std::nullopt;

  ResizePlan plan;
  plan.canvasWidth = W;
  plan.canvasHeight = H;
  double sx = 0, sy = 0, sw = iw, sh = ih;
  double dx = s.originX, dy = s.originY, dw = W, dh = H;
  if (mode != SizeFixedWidth && mode != SizeOriginal) {
    const bool wider = iw / ih >= W / H;
    if (s.cropToFit) {
      if (wider) {
        sh = ih;
        sw = ih * W / H;
        if (s.cropAnchorX == 1)
          sx = (iw - sw) / 2;
        else if (s.cropAnchorX == 2)
          sx = iw - sw;
      } else {
        sw = iw;
        sh = iw * H / W;
        if (s.cropAnchorY == 1)
          sy = (ih - sh) / 2;
        else if (s.cropAnchorY == 2)
          sy = ih - sh;
      }
    } else if (wider) {
      dx = 0;
      dy = s.originY + (H - W * ih / iw) / 2;
      dh = H - 2 * dy;
      dw = W;
    } else {
      dx = s.originX + (W - H * iw / ih) / 2;
      dy = 0;
      dw = W - 2 * dx;
      dh = H;
    }
  }
  plan.sourceRect = QRectF(sx, sy, sw, sh);
  plan.destRect = QRectF(dx, dy, dw, dh);
  return plan;
}

namespace {

QSizeF borderPictureSize(const ProcessingSettings &s) {
  if (s.borderFile.isEmpty() || s.borderFile == NoBorderText)
    return {};
  // Decoded once through the overlay cache, which also draws it, by the
  // file's own bytes (a GBK name too).
  const QSize size = decodeOverlayImage(s.borderFile).size();
  return size.isValid() ? QSizeF(size) : QSizeF();
}

// Copies picture onto canvas at (x, y), clipped to the canvas.
void blit(QImage &canvas, const QImage &picture, int x, int y) {
  const QRect target = QRect(x, y, picture.width(), picture.height()).intersected(canvas.rect());
  if (target.isEmpty())
    return;
  const int bytes = target.width() * 4;
  for (int row = target.top(); row <= target.bottom(); ++row)
    std::memcpy(canvas.scanLine(row) + target.left() * 4,
                picture.constScanLine(row - y) + (target.left() - x) * 4, bytes);
}

QString drawError(const QString &path) { return path + QStringLiteral("在显示图片时发生错误:(0)。\r\n"); }

} // namespace

QImage LoadAndResize(const SourceFile &source, const ProcessingSettings &s, float width, float height,
                     QString &errorText, DecodedSourceCache *cache, QString *failure) {
  auto fail = [failure](const QString &why) {
    if (failure)
      *failure = why;
    return QImage();
  };
  const QSize full = probePictureSize(source.data);
  if (!full.isValid() || full.isEmpty())
    return fail(QStringLiteral("不是图片文件或文件已损坏(无法读取图片尺寸)"));
  const QSizeF border = s.sizeMode == SizeFitBorder ? borderPictureSize(s) : QSizeF();
  if (s.sizeMode == SizeFitBorder && !s.borderFile.isEmpty() && s.borderFile != NoBorderText && border.isEmpty())
    return fail(QStringLiteral("无法读取边框图片“%1”").arg(QDir::toNativeSeparators(s.borderFile)));
  const auto plan = planResize(s, width, height, full.width(), full.height(), border);
  if (!plan)
    return fail(QStringLiteral("目标尺寸无效"));

  // A very thin picture scaled down still keeps one row (or column).
  const int canvasW = std::max(1, roundHalfEven(plan->canvasWidth));
  const int canvasH = std::max(1, roundHalfEven(plan->canvasHeight));
  if (qint64(canvasW) * canvasH > MaxDecodedPixels) {
    errorText += source.path + QStringLiteral("在缩放图片时发生错误:(错误代码:0)图片尺寸过大。\r\n");
    return {};
  }
  QImage canvas;
  auto whiteCanvas = [&]() -> bool {
    canvas = QImage(canvasW, canvasH, QImage::Format_RGB32);
    if (canvas.isNull()) {
      errorText += source.path + QStringLiteral("在缩放图片时发生错误:(错误代码:0)内存不足。\r\n");
      return false;
    }
    canvas.fill(Qt::white);
    return true;
  };

  const QRect src(roundHalfEven(plan->sourceRect.x()), roundHalfEven(plan->sourceRect.y()),
                  roundHalfEven(plan->sourceRect.width()), roundHalfEven(plan->sourceRect.height()));
  QRect dst(roundHalfEven(plan->destRect.x()), roundHalfEven(plan->destRect.y()), roundHalfEven(plan->destRect.width()),
            roundHalfEven(plan->destRect.height()));
  // A fitted picture of a sliver still covers one pixel.
  if (plan->destRect.width() > 0 && dst.width() == 0)
    dst.setWidth(1);
  if (plan->destRect.height() > 0 && dst.height() == 0)
    dst.setHeight(1);
  if (src.width() <= 0 || src.height() <= 0 || dst.width() <= 0 || dst.height() <= 0 ||
      qint64(dst.width()) * dst.height() > MaxDecodedPixels) {
    if (whiteCanvas())
      errorText += drawError(source.path);
    return canvas;
  }

  const int eighths = supportsReducedDecode(source.data) ? chooseDecodeEighths(src.size(), dst.size()) : 8;
  const QSize decodedSize = scaledDecodeSize(full, eighths);
  const qint64 decodedPixels = qint64(decodedSize.width()) * decodedSize.height();
  if (decodedPixels > MaxDecodedPixels) {
    // Refused before any memory is taken: a clear entry instead of a crash.
    errorText += source.path + QStringLiteral("在缩放图片时发生错误:(错误代码:0)图片过大(%1万像素),超过%2万像素的限制。\r\n")
                                   .arg(decodedPixels / 10000)
                                   .arg(MaxDecodedPixels / 10000);
    return {};
  }
  QImage decoded = cache ? cache->find(source.data, eighths) : QImage();
  // Drawn at its own size, the decoded picture becomes the canvas itself.
  const bool ownSize = decodedSize == full && src == QRect(QPoint(0, 0), full) && dst.size() == full;
  QImage picture;
  if (!cache && !ownSize) {
    // A photo PNG streams its rows into the resampler; should that fail
    // (damaged data), the whole-picture path below decodes and reports it.
    if (const auto rows = PngRowReader::open(source.data); rows && rows->size() == full)
      picture = resampleLanczos3Rows(
          full, [&rows](int y) { return rows->row(y); }, QRectF(src), dst.size());
  }
  if (picture.isNull() && decoded.isNull()) {
    QString decodeError;
    // Without a cache the decoded picture only lives until it is resampled:
    // the worker's own buffer serves, instead of fresh memory every picture.
    decoded = cache || ownSize ? decodePictureEighths(source.data, eighths, &decodeError)
                               : decodePictureTransient(source.data, eighths, &decodeError);
    if (decoded.isNull())
      return fail(decodeError.isEmpty() ? QStringLiteral("不是图片文件或文件已损坏")
                                        : QStringLiteral("不是图片文件或文件已损坏(%1)").arg(decodeError));
    if (cache)
      cache->keep(source.data, eighths, decoded);
  }

  if (!picture.isNull()) {
    // streamed
  } else if (ownSize && decoded.size() == full) {
    picture = std::move(decoded); // drawn at its own size: nothing to resample
  } else {
    const double fx = double(decoded.width()) / full.width(), fy = double(decoded.height()) / full.height();
    picture = resampleLanczos3(decoded, QRectF(src.x() * fx, src.y() * fy, src.width() * fx, src.height() * fy),
                               dst.size());
    if (picture.isNull()) {
      if (whiteCanvas())
        errorText += drawError(source.path);
      return canvas;
    }
  }
  applyColorMatrixOverWhite(picture, s.imageMatrix);

  if (dst == QRect(0, 0, canvasW, canvasH))
    return picture;
  if (!whiteCanvas())
    return canvas;
  blit(canvas, picture, dst.x(), dst.y());
  return canvas;
}

} // namespace kuvo
