#include "imaging/exif_tags.h"

// Placeholder until the EXIF reader lands: reports no tags.
namespace kuvo {
int readExifOrientation(const unsigned char *, std::size_t) { return 0; }
std::string readExifDateTimeOriginal(const unsigned char *, std::size_t) { return {}; }
} // namespace kuvo
