#include "engine/metadata.h"

#include "engine/codec_heif.h"
#include "engine/decoder.h"
#include "engine/png_chunks.h"

// exiv2 0.27 hands images out as std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <mutex>

namespace kuvo {

namespace {

template <typename Data> void eraseIf(Data &data, bool (*match)(const std::string &key)) {
  for (auto it = data.begin(); it != data.end();)
    it = match(it->key()) ? data.erase(it) : std::next(it);
}

bool isGpsKey(const std::string &key) {
  return key.rfind("Exif.GPSInfo.", 0) == 0 || key.rfind("Xmp.exif.GPS", 0) == 0;
}

// Tags that describe the original file's own encoding, or the original's
// thumbnail: wrong for the new file.
bool isStaleKey(const std::string &key) {
  return key.rfind("Exif.Thumbnail.", 0) == 0 || key.rfind("Exif.Image2.", 0) == 0 ||
         key == "Exif.Image.StripOffsets" || key == "Exif.Image.StripByteCounts" ||
         key == "Exif.Image.Compression" || key == "Exif.Image.BitsPerSample" ||
         key == "Exif.Image.PhotometricInterpretation" || key == "Exif.Image.SamplesPerPixel" ||
         key == "Exif.Image.ImageWidth" || key == "Exif.Image.ImageLength" ||
         key == "Exif.Image.RowsPerStrip" || key == "Exif.Image.PlanarConfiguration" ||
         key == "Exif.Image.JPEGInterchangeFormat" || key == "Exif.Image.JPEGInterchangeFormatLength";
}

// A file exiv2 has rewritten must still be the picture it was given. exiv2's
// RIFF writer is the fragile one, so a WebP is decoded whole; the others
// are checked by their header, each by its own format's reader: a reader
// left to guess the format loads every image plugin of Qt first.
bool stillThePicture(const QByteArray &file, const QByteArray &mimeType, QSize size) {
  if (mimeType == "image/webp") {
    const QImage image = QImage::fromData(file, "WEBP");
    return !image.isNull() && (!size.isValid() || image.size() == size);
  }
  if (mimeType == "image/jpeg") {
    const QSize found = probePictureSize(file);
    return found.isValid() && (!size.isValid() || found == size);
  }
  QBuffer buffer;
  buffer.setData(file);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, mimeType.startsWith("image/") ? mimeType.mid(6) : QByteArray());
  return reader.canRead() && (!size.isValid() || reader.size() == size);
}

} // namespace

QByteArray withSourceMetadata(const QByteArray &encoded, const QByteArray &source, const MetadataOptions &options) {
  if (encoded.isEmpty() || source.isEmpty())
    return encoded;
  // The XMP toolkit must be set up once before several threads use it; and a
  // damaged source is reported by the result, not by exiv2's own messages.
  static std::once_flag once;
  std::call_once(once, [] {
    Exiv2::XmpParser::initialize();
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
  });
  try {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
    Exiv2::DataBuf icc;
    bool upright = options.upright;
    if (isHeifData(source)) {
      // exiv2 0.27 does not read HEIF: libheif hands out the blocks, exiv2 parses them.
      const HeifMetadata heif = heifMetadata(source);
      if (!heif.exif.isEmpty())
        Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte *>(heif.exif.constData()),
                                  static_cast<uint32_t>(heif.exif.size()));
      if (!heif.xmp.isEmpty())
        Exiv2::XmpParser::decode(xmp, heif.xmp.toStdString());
      if (!heif.icc.isEmpty())
        icc = Exiv2::DataBuf(reinterpret_cast<const Exiv2::byte *>(heif.icc.constData()), long(heif.icc.size()));
      // Pixels the decoder turned by the container stand as seen: their EXIF
      // tag, written for the coded pixels, would make viewers turn them again.
      upright = upright || heif.transformed;
    } else {
      Exiv2::Image::AutoPtr in =
          Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(source.constData()), source.size());
      if (!in.get())
        return encoded;
      in->readMetadata();
      exif = in->exifData();
      xmp = in->xmpData();
      iptc = in->iptcData();
      if (in->iccProfileDefined())
        icc = *in->iccProfile();
    }
    const bool hasIcc = icc.size_ > 0;
    if (exif.empty() && xmp.empty() && iptc.empty() && !hasIcc)
      return encoded;

    Exiv2::ExifThumb(exif).erase();
    eraseIf(exif, isStaleKey);
    if (options.stripGps) {
      eraseIf(exif, isGpsKey);
      eraseIf(xmp, isGpsKey);
    }
    if (upright && exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")) != exif.end())
      exif["Exif.Image.Orientation"] = uint16_t(1);
    if (upright && xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation")) != xmp.end())
      xmp["Xmp.tiff.Orientation"] = "1";
    if (options.pixelSize.isValid()) {
      if (exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelXDimension")) != exif.end())
        exif["Exif.Photo.PixelXDimension"] = uint32_t(options.pixelSize.width());
      if (exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelYDimension")) != exif.end())
        exif["Exif.Photo.PixelYDimension"] = uint32_t(options.pixelSize.height());
    }

    Exiv2::Image::AutoPtr out =
        Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(encoded.constData()), encoded.size());
    if (!out.get())
      return encoded;
    out->readMetadata();
    out->setExifData(exif);
    out->setXmpData(xmp);
    if (out->mimeType() == "image/jpeg" || out->mimeType() == "image/png")
      out->setIptcData(iptc); // the other writers have no place for IPTC
    // exiv2 0.27 writes a WebP's ICC chunk under the name of its header
    // chunk, which no reader accepts: WebP outputs go without the profile.
    if (hasIcc && out->mimeType() != "image/webp")
      out->setIccProfile(icc);
    out->writeMetadata();

    Exiv2::BasicIo &io = out->io();
    if (io.open() != 0)
      return encoded;
    const long size = io.size();
    Exiv2::DataBuf buffer = io.read(size);
    io.close();
    if (buffer.size_ != size || size <= 0)
      return encoded;
    QByteArray result(reinterpret_cast<const char *>(buffer.pData_), buffer.size_);
    if (hasIcc && out->mimeType() == "image/png")
      result = withNamedIccChunk(result);
    // Metadata is worth less than the picture: a damaged result is dropped.
    return stillThePicture(result, QByteArray::fromStdString(out->mimeType()), options.pixelSize) ? result : encoded;
  } catch (const std::exception &) {
    // exiv2 reports damaged metadata by throwing: the picture is kept without it.
    return encoded;
  }
}

} // namespace kuvo

#pragma GCC diagnostic pop
