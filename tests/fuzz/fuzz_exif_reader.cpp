// libFuzzer entry: any bytes through ExifReader, as the pipeline hands them.
#include "imaging/exif_reader.h"
#include "imaging/exif_tags.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  kuvo::ExifReader reader;
  reader.LoadBorrowed(data, size);
  reader.Tag(0);
  reader.Tag(274);
  reader.MakerNoteTag(274);
  for (std::size_t i = 0; i < reader.entries().size(); ++i)
    kuvo::ExifReader::toText(reader.entryValue(i));
  // Directories never overlap, so the filled records fit in the bytes, and
  // at most one directory cut short adds blank ones.
  if (reader.entries().size() > (size + 1) / 12 || reader.recordCount() > (size + 1) / 12 + 65535)
    std::abort();

  // Now and then a second walk on the same reader, which appends.
  if (size > 0 && data[size - 1] % 16 == 0) {
    reader.LoadBytes(data, size);
    kuvo::ExifReader::toText(reader.Tag(36867));
  }

  kuvo::readExifOrientation(data, size);
  kuvo::readExifDateTimeOriginal(data, size);
  return 0;
}
