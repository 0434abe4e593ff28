#pragma once
// A look at a PNG's chunk list before libpng sees it. libpng allocates a
// chunk's whole declared length before reading it, so a 70-byte file that
// declares a 1 GB text chunk costs 1 GB, only to fail at the end of the data.
#include <QByteArray>

namespace kuvo {

// True for a PNG in which a chunk other than image data (IDAT, which libpng
// reads piece by piece) declares more bytes than the file holds after it.
// libpng fails on such a file in any case; refusing it first saves the
// allocation. False for anything that is not a PNG.
bool pngChunkOverrunsData(const QByteArray &data);

// exiv2 0.27 writes a PNG's colour profile (iCCP) with an empty name, which
// libpng rejects, so every reader drops the profile. Returns the PNG with
// an unnamed iCCP chunk named "ICC profile"; any other data unchanged.
QByteArray withNamedIccChunk(const QByteArray &png);

} // namespace kuvo
