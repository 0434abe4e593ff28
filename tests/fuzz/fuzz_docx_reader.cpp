// libFuzzer entry: the .docx reader. An input that starts like a zip archive
// ("PK") is read as the whole document. Any other input is cut at "\n====\n"
// into word/document.xml, word/_rels/document.xml.rels and _rels/.rels
// (missing ones get plain defaults) and packed, uncompressed and with correct
// checksums, into an archive beside a small picture part: this way the
// mutations reach the XML walkers instead of stopping at the archive's CRC.
#include "publish/word_pictures.h"
#include "fuzz_support.h"

#include <zlib.h>

namespace {

void put16(QByteArray &out, quint32 v) {
  out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}
void put32(QByteArray &out, quint32 v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// A zip archive with the parts stored as they are.
QByteArray storedZip(const QList<QPair<QByteArray, QByteArray>> &parts) {
  QByteArray out, central;
  for (const auto &[name, data] : parts) {
    const quint32 crc = crc32(0, reinterpret_cast<const Bytef *>(data.constData()), uInt(data.size()));
    const quint32 offset = quint32(out.size());
    put32(out, 0x04034b50);
    put16(out, 20); // version needed
    put16(out, 0);  // flags
    put16(out, 0);  // stored
    put32(out, 0);  // time and date
    put32(out, crc);
    put32(out, quint32(data.size()));
    put32(out, quint32(data.size()));
    put16(out, quint32(name.size()));
    put16(out, 0);
    out += name;
    out += data;

    put32(central, 0x02014b50);
    put16(central, 20);
    put16(central, 20);
    put16(central, 0);
    put16(central, 0);
    put32(central, 0);
    put32(central, crc);
    put32(central, quint32(data.size()));
    put32(central, quint32(data.size()));
    put16(central, quint32(name.size()));
    put32(central, 0); // extra and comment lengths
    put32(central, 0); // disk, internal attributes
    put32(central, 0); // external attributes
    put32(central, offset);
    central += name;
  }
  const quint32 centralOffset = quint32(out.size());
  out += central;
  put32(out, 0x06054b50);
  put32(out, 0);
  put16(out, quint32(parts.size()));
  put16(out, quint32(parts.size()));
  put32(out, quint32(central.size()));
  put32(out, centralOffset);
  put16(out, 0);
  return out;
}

const QByteArray DefaultRels =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>)"
    R"(</Relationships>)";
const QByteArray DefaultDocumentRels =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="media/image1.png"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="../media/../../x.png"/>)"
    R"(</Relationships>)";
// Not a real PNG: the reader hands picture bytes on undecoded.
const QByteArray PicturePart = "\x89PNG\r\n\x1a\n-picture-";

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  kuvo::fuzz::initQt(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  QByteArray archive;
  if (input.startsWith("PK")) {
    archive = input;
  } else {
    QList<QByteArray> parts;
    qsizetype from = 0;
    while (parts.size() < 2) {
      const qsizetype at = input.indexOf("\n====\n", from);
      if (at < 0)
        break;
      parts << input.mid(from, at - from);
      from = at + 6;
    }
    parts << input.mid(from);
    archive = storedZip({{"_rels/.rels", parts.value(2, DefaultRels)},
                         {"word/document.xml", parts.value(0)},
                         {"word/_rels/document.xml.rels", parts.size() > 1 ? parts[1] : DefaultDocumentRels},
                         {"word/media/image1.png", PicturePart}});
  }

  kuvo::DocxPictures pictures;
  QString error;
  const bool ok = kuvo::readDocxPicturesFromMemory(archive, pictures, error);
  if (!ok && error.isEmpty()) {
    fprintf(stderr, "refused without a reason\n");
    std::abort();
  }
  for (const QString &part : pictures.parts)
    if (part.isEmpty())
      std::abort();
  return 0;
}
