// libFuzzer entry: the path every picture takes in a run. The first
// PictureHeaderSize bytes choose the job's settings, the rest is the source
// file; it goes through the pipeline (decode, size, rotate, effect, border and
// watermarks) and the encoder with its metadata copy, as BatchRun does it.
// Memory stays bounded by the program's own guards: libFuzzer's malloc and
// RSS limits (see the Makefile) sit just above what a picture at the area
// guard needs, so running out is a finding.
#include "engine/decoder.h"
#include "engine/load_and_resize.h"
#include "engine/pipeline.h"
#include "engine/savers.h"
#include "fuzz_support.h"
#include "picture_header.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <cstdlib>

namespace {

QGuiApplication *makeApp(int *argc, char ***argv) {
  // Text watermarks need fonts, which need a platform; none has a screen here.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(kuvo::fuzz::quietMessages);
  return new QGuiApplication(*argc, *argv);
}

// Sources and canvases above these areas but within the program's guard are
// legitimate and only slow: instrumented resampling and effects of 20
// megapixels take many seconds. They are left to the tests; above the guard
// the refusal is cheap and is fuzzed.
constexpr qint64 MaxFuzzedSourcePixels = 16'000'000;
constexpr qint64 MaxFuzzedCanvasPixels = 4'000'000;

bool slowButLegitimate(const kuvo::ProcessingSettings &s, const QByteArray &data) {
  const QSize source = kuvo::probePictureSize(data);
  if (!source.isValid())
    return false;
  const qint64 sourcePixels = qint64(source.width()) * source.height();
  if (sourcePixels > MaxFuzzedSourcePixels && sourcePixels <= kuvo::MaxDecodedPixels)
    return true;
  bool widthOk = false, heightOk = false;
  const float width = s.widthText.toFloat(&widthOk), height = s.heightText.toFloat(&heightOk);
  if (!widthOk || !heightOk)
    return false;
  const QSizeF border = s.sizeMode == kuvo::SizeFitBorder && s.borderFile != kuvo::NoBorderText
                            ? QSizeF(QImageReader(s.borderFile).size())
                            : QSizeF();
  const auto plan = kuvo::planResize(s, width, height, source.width(), source.height(), border);
  if (!plan)
    return false;
  const double canvasPixels = plan->canvasWidth * plan->canvasHeight;
  return canvasPixels > MaxFuzzedCanvasPixels && canvasPixels <= double(kuvo::MaxDecodedPixels);
}

// The encoded file must be a picture of the canvas's size; BMP and TIFF are
// our own writers, the others go through libraries and metadata copying.
void checkEncoded(const kuvo::EncodedPicture &encoded, const QImage &canvas) {
  if (canvas.isNull()) {
    if (encoded.encoded)
      std::abort(); // a file for a picture that was never composed
    return;
  }
  if (!encoded.encoded) {
    // Only a canvas too large for a format may fail to encode (WebP stops
    // at 16383 pixels a side, JPEG at 65500), or the original format of a
    // source whose extension names no encoder.
    static const QStringList encoders = {QStringLiteral("jpg"), QStringLiteral("png"), QStringLiteral("gif"),
                                         QStringLiteral("tiff"), QStringLiteral("webp")};
    const bool hasEncoder = encoded.bmpSaver || encoders.contains(encoded.format);
    if (hasEncoder && canvas.width() <= 16383 && canvas.height() <= 16383 &&
        qint64(canvas.width()) * canvas.height() < 4000000)
      std::abort();
    return;
  }
  if (encoded.bytes.isEmpty())
    std::abort();
  if (qint64(canvas.width()) * canvas.height() > 1000000)
    return; // reading back every large output would slow the run down
  const QImage back = QImage::fromData(encoded.bytes);
  if (back.size() != canvas.size())
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  static QGuiApplication *app = makeApp(argc, argv);
  (void)app;
  kuvo::fuzz::scratch();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < kuvo::fuzz::PictureHeaderSize)
    return 0;
  const kuvo::fuzz::PictureJob job = kuvo::fuzz::pictureJob(data, KUVO_FUZZ_DATA_DIR);
  const QString path = kuvo::fuzz::writeScratchFile(job.sourceName, data + kuvo::fuzz::PictureHeaderSize,
                                                    size - kuvo::fuzz::PictureHeaderSize);
  kuvo::ProcessingSettings settings = job.settings;
  settings.files = {path};
  settings.outputFolder = kuvo::fuzz::scratch().path();
  const QByteArray source =
      QByteArray::fromRawData(reinterpret_cast<const char *>(data) + kuvo::fuzz::PictureHeaderSize,
                              static_cast<qsizetype>(size - kuvo::fuzz::PictureHeaderSize));
  if (slowButLegitimate(settings, source))
    return -1; // not added to the corpus

  kuvo::PipelineResult result = kuvo::funImgDone(settings, 0);
  if (!result.canvas.isNull() && result.canvas.format() != QImage::Format_RGB32)
    std::abort();
  const kuvo::EncodedPicture encoded = kuvo::encodePicture(settings, 0, result.canvas, result.sourceData);
  checkEncoded(encoded, result.canvas);
  return 0;
}
