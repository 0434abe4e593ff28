#pragma once
// The two EXIF facts the pipeline needs, read from a file's bytes in memory.
#include <cstddef>
#include <string>

namespace kuvo {

// EXIF Orientation (tag 274) of a JPEG's bytes; 0 when there is none.
int readExifOrientation(const unsigned char *data, std::size_t size);

// EXIF DateTimeOriginal (tag 36867) as the reader returns it
// ("YYYY:MM:DD HH:MM:SS"), less the zero terminator that big-endian files
// leave as a last character; empty when there is none.
std::string readExifDateTimeOriginal(const unsigned char *data, std::size_t size);

} // namespace kuvo
