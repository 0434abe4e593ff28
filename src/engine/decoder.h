#pragma once
// Decoding a source picture at the size the job needs.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>

namespace kuvo {

// Decoded pictures larger than this are refused instead of exhausting memory.
inline constexpr qint64 MaxDecodedPixels = 500LL * 1000 * 1000;

// The picture's own size from its header, without decoding pixels; an
// invalid size when the data is not a picture the program reads.
QSize probePictureSize(const QByteArray &data);

// True when the data can be decoded at a reduced scale (a JPEG).
bool supportsReducedDecode(const QByteArray &data);

// Decodes at 1/denominator of the full size (1, 2, 4 or 8; only JPEG honours
// more than 1). HEIC/HEIF/AVIF go through libheif, upright by their own
// rotation and mirror. The result is Format_RGB32 with any transparency laid over
// white, as a picture drawn onto the white canvas would show it. A null image
// and an error text when it cannot be decoded.
QImage decodePicture(const QByteArray &data, int denominator, QString *error = nullptr);

// The same at eighths/8 of the full size (1 to 8): JPEG's scaled inverse DCT
// offers every eighth, not only the halvings. Other formats decode whole.
QImage decodePictureEighths(const QByteArray &data, int eighths, QString *error = nullptr);

// decodePictureEighths for a picture that is resampled at once and then
// dropped: a JPEG is decoded into a buffer the calling thread keeps for its
// next picture, so a batch worker does not map and clear fresh memory for
// every photo. The image is valid only until this thread decodes through
// this function again; never keep it or hand it on.
QImage decodePictureTransient(const QByteArray &data, int eighths, QString *error = nullptr);

// Bytes a decode of this JPEG holds from DecodeMemoryBudget::process(): the
// coefficient buffer of a progressive one, 0 for anything else. The start of
// the file up to its frame header is enough; 0 when that is not in head.
std::int64_t progressiveDecodeBytes(const QByteArray &head);
// How much of a file's start progressiveDecodeBytes is given: room for the
// EXIF, ICC and XMP blocks that come before the frame header.
inline constexpr qint64 FrameHeaderSearchBytes = 256 * 1024;

// The size decodePictureEighths gives for a picture of full size.
QSize scaledDecodeSize(QSize full, int eighths);

} // namespace kuvo
