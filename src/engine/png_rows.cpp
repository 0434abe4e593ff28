#include "engine/png_rows.h"

#include "engine/png_chunks.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace kuvo {

struct PngRowReader::State {
  png_structp png = nullptr;
  png_infop info = nullptr;
  const QByteArray *data = nullptr;
  qsizetype at = 0;
  std::vector<unsigned char> line;
  ~State() {
    if (png)
      png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

namespace {

void readFromMemory(png_structp png, png_bytep out, size_t length) {
  auto *state = static_cast<PngRowReader::State *>(png_get_io_ptr(png));
  if (qsizetype(length) > state->data->size() - state->at)
    png_error(png, "truncated");
  std::memcpy(out, state->data->constData() + state->at, length);
  state->at += qsizetype(length);
}

// Damage is reported by the result; libpng's own messages stay out of the
// console (the whole-picture path says why, if it fails there too).
void quietWarning(png_structp, png_const_charp) {}
[[noreturn]] void quietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// The libpng calls that may fail, each in a frame that holds no C++ object,
// so the error's longjmp only leaves libpng's own frames.
bool readHeader(PngRowReader::State &s, png_uint_32 *width, png_uint_32 *height) {
  if (setjmp(png_jmpbuf(s.png)))
    return false;
  png_set_read_fn(s.png, &s, readFromMemory);
  png_read_info(s.png, s.info);
  int depth = 0, colour = 0, interlace = 0;
  png_get_IHDR(s.png, s.info, width, height, &depth, &colour, &interlace, nullptr, nullptr);
  if (depth != 8 || interlace != PNG_INTERLACE_NONE || png_get_valid(s.png, s.info, PNG_INFO_tRNS) ||
      (colour != PNG_COLOR_TYPE_RGB && colour != PNG_COLOR_TYPE_GRAY))
    return false;
  if (colour == PNG_COLOR_TYPE_GRAY)
    png_set_gray_to_rgb(s.png);
  // Format_RGB32 is 0xFFRRGGBB in native order.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
  png_set_bgr(s.png);
  png_set_filler(s.png, 0xFF, PNG_FILLER_AFTER);
#else
  png_set_filler(s.png, 0xFF, PNG_FILLER_BEFORE);
#endif
  png_read_update_info(s.png, s.info);
  return png_get_rowbytes(s.png, s.info) == size_t(*width) * 4;
}

bool readRow(PngRowReader::State &s) {
  if (setjmp(png_jmpbuf(s.png)))
    return false;
  png_read_row(s.png, s.line.data(), nullptr);
  return true;
}

} // namespace

PngRowReader::PngRowReader(std::unique_ptr<State> state, QSize size) : state_(std::move(state)), size_(size) {}
PngRowReader::~PngRowReader() = default;

std::unique_ptr<PngRowReader> PngRowReader::open(const QByteArray &data) {
  static const char signature[] = "\x89PNG\r\n\x1A\n";
  if (data.size() < 8 || std::memcmp(data.constData(), signature, 8) != 0 || pngChunkOverrunsData(data))
    return nullptr;
  auto state = std::make_unique<State>();
  state->data = &data;
  state->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
  if (!state->png)
    return nullptr;
  state->info = png_create_info_struct(state->png);
  if (!state->info)
    return nullptr;
  png_uint_32 width = 0, height = 0;
  if (!readHeader(*state, &width, &height) || width == 0 || height == 0 || width > 1u << 30 || height > 1u << 30)
    return nullptr;
  state->line.resize(size_t(width) * 4);
  return std::unique_ptr<PngRowReader>(new PngRowReader(std::move(state), QSize(int(width), int(height))));
}

const unsigned char *PngRowReader::row(int y) {
  if (failed_ || y < 0 || y < next_ - 1 || y >= size_.height())
    return nullptr;
  while (next_ <= y) {
    if (!readRow(*state_)) {
      failed_ = true;
      return nullptr;
    }
    ++next_;
  }
  return state_->line.data();
}

} // namespace kuvo
