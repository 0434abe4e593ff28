#include "engine/png_chunks.h"

#include <cstring>
#include <zlib.h>

namespace kuvo {

namespace {
quint32 bigEndian32(const unsigned char *p) {
  return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

QByteArray bigEndianBytes(quint32 v) {
  const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  return QByteArray(b, 4);
}

const char pngSignature[] = "\x89PNG\r\n\x1a\n";
} // namespace

bool pngChunkOverrunsData(const QByteArray &data) {
  if (data.size() < 8 || std::memcmp(data.constData(), pngSignature, 8) != 0)
    return false;
  const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
  const qint64 size = data.size();
  qint64 pos = 8;
  // Each chunk: length, type, data, CRC.
  while (pos + 8 <= size) {
    if (std::memcmp(bytes + pos + 4, "IEND", 4) == 0)
      break; // what follows is never read
    const qint64 length = bigEndian32(bytes + pos);
    if (length > size - pos - 12)
      return std::memcmp(bytes + pos + 4, "IDAT", 4) != 0; // a cut-off image stream is libpng's to judge
    pos += 12 + length;
  }
  return false;
}

QByteArray withNamedIccChunk(const QByteArray &png) {
  if (png.size() < 8 || std::memcmp(png.constData(), pngSignature, 8) != 0)
    return png;
  const auto *bytes = reinterpret_cast<const unsigned char *>(png.constData());
  const qint64 size = png.size();
  qint64 pos = 8;
  while (pos + 12 <= size) {
    const qint64 length = bigEndian32(bytes + pos);
    if (length > size - pos - 12 || std::memcmp(bytes + pos + 4, "IEND", 4) == 0)
      return png;
    // An iCCP chunk is name, NUL, method, profile: a NUL first means no name.
    if (std::memcmp(bytes + pos + 4, "iCCP", 4) == 0 && length > 0 && bytes[pos + 8] == 0) {
      static const QByteArray name("ICC profile");
      QByteArray chunk = QByteArray("iCCP") + name + png.mid(pos + 8, length);
      const uLong crc = crc32(0L, reinterpret_cast<const Bytef *>(chunk.constData()), uInt(chunk.size()));
      QByteArray fixed = png.left(pos);
      fixed += bigEndianBytes(quint32(length + name.size()));
      fixed += chunk;
      fixed += bigEndianBytes(quint32(crc));
      fixed += png.mid(pos + 12 + length);
      return fixed;
    }
    pos += 12 + length;
  }
  return png;
}

} // namespace kuvo
