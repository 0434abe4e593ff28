#pragma once
// A small reader of the HEIF/AVIF container boxes, for what libheif does not
// tell: whether the primary image carries a rotation or mirror property.
// Plain bounds-checked parsing of untrusted bytes; nothing is decoded.
#include <QByteArray>

namespace kuvo {

// True when data starts with an ftyp box whose major brand is a HEIF or AVIF
// brand (heic, heix, hevc, mif1, avif, ...). Needs the first 12 bytes.
bool hasHeifSignature(const QByteArray &head);

// True when the primary item has an irot (with a non-zero angle) or imir
// property, which a reader applies to the decoded pixels. False for a file
// that cannot be parsed.
bool heifPrimaryIsTransformed(const QByteArray &data);

} // namespace kuvo
