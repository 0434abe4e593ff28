// GIF output: libimagequant picks a palette of at most 256 colours and remaps
// the picture onto it with Floyd-Steinberg dithering; giflib writes one GIF89a
// frame from the indices into memory.
#include "engine/codec_formats.h"

#include <gif_lib.h>
#include <libimagequant.h>

#include <memory>
#include <vector>

#if defined(__unix__)
#include <dlfcn.h>
#endif

namespace kuvo {

namespace {

struct LiqAttrDeleter {
  void operator()(liq_attr *p) const { liq_attr_destroy(p); }
};
struct LiqImageDeleter {
  void operator()(liq_image *p) const { liq_image_destroy(p); }
};
struct LiqResultDeleter {
  void operator()(liq_result *p) const { liq_result_destroy(p); }
};
struct GifMapDeleter {
  void operator()(ColorMapObject *p) const { GifFreeMapObject(p); }
};

int appendToByteArray(GifFileType *gif, const GifByteType *data, int length) {
  auto *bytes = static_cast<QByteArray *>(gif->UserData);
  bytes->append(reinterpret_cast<const char *>(data), length);
  return length;
}

// Closes the writer on every path; EGifCloseFile also writes the trailer.
struct GifWriter {
  GifFileType *gif = nullptr;
  bool close() {
    int error = 0;
    const bool ok = EGifCloseFile(gif, &error) == GIF_OK;
    gif = nullptr;
    return ok;
  }
  ~GifWriter() {
    if (gif)
      close();
  }
};

// libimagequant parallelises with OpenMP, whose team is as large as the
// machine: its palette then depends on the core count, so the same job would
// give other GIF bytes on another machine or with another number of batch
// workers, and a worker per core would start more threads than there are
// cores, spinning while they wait for each other. The calling thread's
// palette search runs on that thread alone. The runtime is looked up rather
// than linked: it is libimagequant's, and a build without it has nothing to
// limit.
void quantizeOnThisThreadOnly() {
#if defined(__unix__)
  using SetThreads = void (*)(int);
  static const auto set = reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "omp_set_num_threads"));
  if (set)
    set(1);
#endif
}

liq_result *quantize(liq_image *image, liq_attr *attr) {
#if LIQ_VERSION >= 20800
  liq_result *result = nullptr;
  if (liq_image_quantize(image, attr, &result) != LIQ_OK)
    return nullptr;
  return result;
#else
  return liq_quantize_image(attr, image);
#endif
}

} // namespace

std::optional<QByteArray> encodeGif(const QImage &image) {
  const QImage rgba = opaqueRgb32(image).convertToFormat(QImage::Format_RGBA8888);
  // The logical screen size fields are 16-bit.
  if (rgba.isNull() || rgba.width() > 0xFFFF || rgba.height() > 0xFFFF)
    return std::nullopt;
  const int width = rgba.width();
  const int height = rgba.height();

  // liq_image_create_rgba wants contiguous rows; RGBA8888 rows are 4 * width.
  if (rgba.bytesPerLine() != 4 * qsizetype(width))
    return std::nullopt;
  quantizeOnThisThreadOnly();
  std::unique_ptr<liq_attr, LiqAttrDeleter> attr(liq_attr_create());
  if (!attr || liq_set_max_colors(attr.get(), 256) != LIQ_OK)
    return std::nullopt;
  // Speed 7 is the fastest setting that still builds the edge-aware dither
  // map: on photos it measured about twice as fast as the default 4 for
  // 0.1-0.2 dB less PSNR, where 8 and above lose close to 1 dB.
  liq_set_speed(attr.get(), 7);
  std::unique_ptr<liq_image, LiqImageDeleter> liqImage(
      liq_image_create_rgba(attr.get(), rgba.constBits(), width, height, 0));
  if (!liqImage)
    return std::nullopt;
  std::unique_ptr<liq_result, LiqResultDeleter> result(quantize(liqImage.get(), attr.get()));
  if (!result)
    return std::nullopt;
  liq_set_dithering_level(result.get(), 1.0f);
  std::vector<GifByteType> indices(static_cast<size_t>(width) * static_cast<size_t>(height));
  if (liq_write_remapped_image(result.get(), liqImage.get(), indices.data(), indices.size()) != LIQ_OK)
    return std::nullopt;
  // Read the palette after remapping: remapping may refine it.
  const liq_palette *palette = liq_get_palette(result.get());
  if (!palette || palette->count == 0 || palette->count > 256)
    return std::nullopt;

  // A GIF colour table has a power-of-two size; the spare entries stay black.
  int tableSize = 2;
  while (tableSize < static_cast<int>(palette->count))
    tableSize *= 2;
  std::unique_ptr<ColorMapObject, GifMapDeleter> colorMap(GifMakeMapObject(tableSize, nullptr));
  if (!colorMap)
    return std::nullopt;
  for (int i = 0; i < tableSize; ++i) {
    GifColorType &c = colorMap->Colors[i];
    if (i < static_cast<int>(palette->count)) {
      c.Red = palette->entries[i].r;
      c.Green = palette->entries[i].g;
      c.Blue = palette->entries[i].b;
    } else {
      c.Red = c.Green = c.Blue = 0;
    }
  }

  QByteArray bytes;
  int error = 0;
  GifWriter writer;
  writer.gif = EGifOpen(&bytes, appendToByteArray, &error);
  if (!writer.gif)
    return std::nullopt;
  EGifSetGifVersion(writer.gif, true);
  if (EGifPutScreenDesc(writer.gif, width, height, 8, 0, colorMap.get()) != GIF_OK ||
      EGifPutImageDesc(writer.gif, 0, 0, width, height, false, nullptr) != GIF_OK)
    return std::nullopt;
  for (int y = 0; y < height; ++y) {
    if (EGifPutLine(writer.gif, indices.data() + static_cast<size_t>(y) * width, width) != GIF_OK)
      return std::nullopt;
  }
  if (!writer.close())
    return std::nullopt;
  return bytes;
}

} // namespace kuvo
