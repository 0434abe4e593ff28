#include "engine/png_rows.h"

#include "engine/png_unfilter.h"

#include <zlib.h>

#include <cstring>
#include <vector>

namespace kuvo {

namespace {

quint32 bigEndian32(const unsigned char *p) {
  return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

bool isType(const unsigned char *chunk, const char *type) {
  return std::memcmp(chunk + 4, type, 4) == 0;
}

} // namespace

// The file is walked chunk by chunk; every chunk read is checked against its
// CRC, and the image data's zlib stream against its Adler-32 at its end, so
// damage fails the row instead of reaching the picture.
struct PngRowReader::State {
  const unsigned char *bytes = nullptr;
  qsizetype size = 0;
  qsizetype next = 0;        // offset of the chunk after the image data read so far
  qsizetype width = 0;
  int channels = 0;          // 3 RGB, 1 grey
  z_stream zip{};
  bool zipOpen = false;
  bool streamEnded = false;
  // Two rows, each the filter byte, the samples and a spare byte for the
  // unfilter's reads, taking turns: the one not being read is the row above,
  // reversed (zeros above the first).
  std::vector<unsigned char> rows[2];
  int current = 0;
  std::vector<unsigned char> line; // Format_RGB32

  ~State() {
    if (zipOpen)
      inflateEnd(&zip);
  }

  qsizetype rowBytes() const { return width * channels; }

  // The chunk at offset at, when it lies whole in the file with a good CRC.
  bool chunkAt(qsizetype at, quint32 &length) const {
    if (at < 0 || size - at < 12)
      return false;
    length = bigEndian32(bytes + at);
    if (length > 0x7FFFFFFFu || qsizetype(length) > size - at - 12)
      return false;
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), bytes + at + 4, uInt(length) + 4);
    return crc == bigEndian32(bytes + at + 8 + length);
  }

  // Gives zlib the next IDAT chunk's data; false when the image data ends
  // here or the chunk is damaged.
  bool feedNextIdat() {
    for (;;) {
      quint32 length = 0;
      if (!chunkAt(next, length) || !isType(bytes + next, "IDAT"))
        return false;
      const qsizetype at = next;
      next += 12 + qsizetype(length);
      if (length > 0) {
        zip.next_in = const_cast<Bytef *>(bytes + at + 8);
        zip.avail_in = uInt(length);
        return true;
      }
    }
  }

  // Fills out with exactly n bytes of the image data stream.
  bool inflateExactly(unsigned char *out, qsizetype n) {
    zip.next_out = out;
    zip.avail_out = uInt(n);
    while (zip.avail_out > 0) {
      if (zip.avail_in == 0 && !feedNextIdat())
        return false;
      const int status = inflate(&zip, Z_NO_FLUSH);
      if (status == Z_STREAM_END) {
        streamEnded = true;
        return zip.avail_out == 0;
      }
      if (status != Z_OK)
        return false;
    }
    return true;
  }

  // After the last row the stream must end, its checksum matching; bytes
  // left over after the rows are ignored, as libpng does.
  bool finishStream() {
    unsigned char spill[256];
    while (!streamEnded) {
      zip.next_out = spill;
      zip.avail_out = sizeof spill;
      if (zip.avail_in == 0 && !feedNextIdat())
        return false;
      const int status = inflate(&zip, Z_NO_FLUSH);
      if (status == Z_STREAM_END)
        streamEnded = true;
      else if (status != Z_OK)
        return false;
    }
    return true;
  }

  bool readRow(bool last) {
    current ^= 1;
    unsigned char *filtered = rows[current].data();
    if (!inflateExactly(filtered, rowBytes() + 1))
      return false;
    unsigned char *row = filtered + 1;
    if (!unfilterPngRow(filtered[0], row, rows[current ^ 1].data() + 1, size_t(rowBytes()), channels))
      return false;
    pngRowToRgb32(row, reinterpret_cast<unsigned *>(line.data()), size_t(width), channels);
    return !last || finishStream();
  }
};

PngRowReader::PngRowReader(std::unique_ptr<State> state, QSize size) : state_(std::move(state)), size_(size) {}
PngRowReader::~PngRowReader() = default;

std::unique_ptr<PngRowReader> PngRowReader::open(const QByteArray &data) {
  static const char signature[] = "\x89PNG\r\n\x1A\n";
  if (data.size() < 8 + 25 || std::memcmp(data.constData(), signature, 8) != 0)
    return nullptr;
  auto state = std::make_unique<State>();
  state->bytes = reinterpret_cast<const unsigned char *>(data.constData());
  state->size = data.size();

  // IHDR first: 8 bits a sample, RGB or grey, no interlacing.
  quint32 length = 0;
  if (!state->chunkAt(8, length) || !isType(state->bytes + 8, "IHDR") || length != 13)
    return nullptr;
  const unsigned char *header = state->bytes + 16;
  const quint32 width = bigEndian32(header), height = bigEndian32(header + 4);
  const int depth = header[8], colour = header[9];
  if (width == 0 || height == 0 || width > 1u << 30 || height > 1u << 30 || depth != 8 ||
      (colour != 0 && colour != 2) || header[10] != 0 || header[11] != 0 || header[12] != 0)
    return nullptr;
  state->width = qsizetype(width);
  state->channels = colour == 2 ? 3 : 1;

  // Up to the image data: ancillary chunks are skipped; transparency, a
  // palette on grey, a damaged or an unknown critical chunk leave the file
  // to the whole-picture reader, which judges it.
  qsizetype at = 8 + 25;
  for (;;) {
    if (state->size - at >= 8 && isType(state->bytes + at, "IDAT"))
      break; // checked as it is read
    if (!state->chunkAt(at, length))
      return nullptr;
    const unsigned char *chunk = state->bytes + at;
    const bool critical = (chunk[4] & 0x20) == 0;
    if (isType(chunk, "tRNS") || (critical && !(isType(chunk, "PLTE") && colour == 2)))
      return nullptr;
    at += 12 + qsizetype(length);
  }
  state->next = at;
  if (inflateInit(&state->zip) != Z_OK)
    return nullptr;
  state->zipOpen = true;

  for (auto &row : state->rows)
    row.assign(size_t(state->rowBytes()) + 2, 0);
  state->line.resize(size_t(width) * 4);
  return std::unique_ptr<PngRowReader>(new PngRowReader(std::move(state), QSize(int(width), int(height))));
}

const unsigned char *PngRowReader::row(int y) {
  if (failed_ || y < 0 || y < next_ - 1 || y >= size_.height())
    return nullptr;
  while (next_ <= y) {
    if (!state_->readRow(next_ == size_.height() - 1)) {
      failed_ = true;
      return nullptr;
    }
    ++next_;
  }
  return state_->line.data();
}

} // namespace kuvo
