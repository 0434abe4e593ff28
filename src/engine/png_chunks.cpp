#include "engine/png_chunks.h"

#include <cstring>

namespace kuvo {

namespace {
quint32 bigEndian32(const unsigned char *p) {
  return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}
} // namespace

bool pngChunkOverrunsData(const QByteArray &data) {
  static const char signature[] = "\x89PNG\r\n\x1a\n";
  if (data.size() < 8 || std::memcmp(data.constData(), signature, 8) != 0)
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

} // namespace kuvo
