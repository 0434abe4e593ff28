#include "imaging/exif_tags.h"

#include "imaging/exif_reader.h"

namespace kuvo {

int readExifOrientation(const unsigned char *data, std::size_t size) {
  ExifReader reader;
  reader.LoadBorrowed(data, size);
  // The rotation step compares the value's text with "1".."8": only a plain
  // integer can give those texts.
  const ExifReader::Value v = reader.Tag(274);
  if (const auto *i = std::get_if<std::int32_t>(&v); i && *i >= 1 && *i <= 8)
    return *i;
  return 0;
}

std::string readExifDateTimeOriginal(const unsigned char *data, std::size_t size) {
  ExifReader reader;
  reader.LoadBorrowed(data, size);
  std::string text = ExifReader::toText(reader.Tag(36867));
  // Big-endian files keep the ASCII terminator as a last character; a text
  // for display ends before it.
  while (!text.empty() && text.back() == '\0')
    text.pop_back();
  return text;
}

} // namespace kuvo
