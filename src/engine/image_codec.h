#pragma once
// Encoding of finished pictures. Every encoder works into memory so that a
// file on disk is only ever replaced by a complete, valid picture.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace kuvo {

// Encodes by the lower-cased extension: "jpg" (quality 0-100 on the libjpeg
// scale; values outside are clamped), "png", "gif" (giflib with a
// libimagequant palette), "tiff" (uncompressed, 3 x 8 bit), "webp" (lossy,
// with the quality). Any input format
// is accepted; a picture with alpha is laid over white first.
// Any other extension ("jpeg", "tif", "bmp", ...) is not an encoder format and
// gives nullopt, as does a null image.
std::optional<QByteArray> encodeWithEncoder(const QImage &image, const QString &extension, int quality);

// True for the extensions encodeWithEncoder knows, in any letter case.
bool isEncoderExtension(const QString &extension);

// 24-bit uncompressed Windows BMP (bottom-up, BITMAPINFOHEADER); nullopt for a
// null image or one too large for the format.
std::optional<QByteArray> encodeBmp(const QImage &image);

// Writes data to path through a temporary file in the same folder that is
// renamed over the target, so a failed write never leaves a truncated file in
// place of a good one. An existing file is replaced. errorDescription gets
// the reason in words for the user: folder not writable, disk full, ...
bool writeFileAtomically(const QString &path, const QByteArray &data, QString *errorDescription = nullptr);

// encodeWithEncoder + writeFileAtomically.
bool SaveWithEncoder(const QImage &image, const QString &path, const QString &extension, int quality);
// The same, telling why it failed (no encoder for the extension, or the
// file system's error) when errorDescription is given.
bool SaveWithEncoder(const QImage &image, const QString &path, const QString &extension, int quality,
                     QString *errorDescription);

} // namespace kuvo
