#pragma once
// The job fuzz_picture runs, chosen by the first PictureHeaderSize bytes of
// its input. Every byte value means something, so the fuzzer reaches every
// combination; scripts/picture-seed-corpus prefixes plain picture files with
// headers of its own.
//
//   0  size mode (bits 0-1), keep small (2), crop to fit (3),
//      crop anchor x (4-5) and y (6-7), each mod 3
//   1  width text, 2 height text (index into sizeTexts)
//   3  rotation mode (bits 0-2), effect (3-7: mod 14, 13 = none)
//   4  brightness (signed, clamped to -75..75)
//   5  output format (bits 0-2), keep metadata (3), strip GPS (4),
//      source file extension (5-7)
//   6  picture watermark (bit 0), text watermark (1), border (2-4: none or
//      one of data/bk), watermark anchor (5-7, mod 7)
//   7  text anchor (bits 0-2, mod 7), font size (3-5), bold (6), italic (7)
//   8  JPEG quality (mod 101)
//   9  JPEG size limit in KB (bits 0-5, when bit 6), non-identity image
//      colour matrix (7)
#include "engine/processing_settings.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdint>

namespace kuvo::fuzz {

inline constexpr std::size_t PictureHeaderSize = 10;

struct PictureJob {
  ProcessingSettings settings;
  QString sourceName; // file name of the source, for its extension
};

// Tiny, ordinary, one-pixel-wide and extreme targets, and texts that are no
// size at all (the resize step is skipped or refused for those).
inline const std::array<const char *, 32> sizeTexts = {"0",    "1",    "2",    "3",     "4",    "7",    "8",    "15",
                                                       "16",   "17",   "31",   "64",    "100",  "127",  "255",  "333",
                                                       "640",  "800",  "1000", "1023",  "1024", "1920", "2048", "3000",
                                                       "4096", "5000", "1",    "70000", "-1",   "0.5",  "1e9",  "x"};

inline PictureJob pictureJob(const std::uint8_t *h, const QString &dataDir) {
  PictureJob job;
  ProcessingSettings &s = job.settings;
  s.presetCount = 0; // the custom size is then mode 3
  s.sizeMode = h[0] & 3;
  s.keepSmall = h[0] & 4;
  s.cropToFit = h[0] & 8;
  s.cropAnchorX = ((h[0] >> 4) & 3) % 3;
  s.cropAnchorY = ((h[0] >> 6) & 3) % 3;
  s.widthText = QString::fromLatin1(sizeTexts[h[1] % sizeTexts.size()]);
  s.heightText = QString::fromLatin1(sizeTexts[h[2] % sizeTexts.size()]);

  s.rotateMode = h[3] & 7;
  const int effect = (h[3] >> 3) % 14;
  s.effect = effect == 13 ? NoEffect : effect;
  s.brightness = std::clamp(static_cast<int>(static_cast<std::int8_t>(h[4])), -75, 75);

  static const std::array<QString, 8> formats = {QStringLiteral("jpg"),  QStringLiteral("png"), QStringLiteral("gif"),
                                                 QStringLiteral("tiff"), QStringLiteral("bmp"), QStringLiteral("webp"),
                                                 OriginalFormatText,     QStringLiteral("jpg")};
  static const std::array<const char *, 8> sourceExtensions = {"jpg", "png",  "gif",  "tif",
                                                               "bmp", "webp", "tiff", "jpeg"};
  s.outputFormat = formats[h[5] & 7];
  s.keepMetadata = h[5] & 8;
  s.stripGps = h[5] & 16;
  job.sourceName = QStringLiteral("source.") + QLatin1String(sourceExtensions[h[5] >> 5]);

  const QDir data(dataDir);
  static const QStringList borders = QDir(data.filePath(QStringLiteral("bk"))).entryList({QStringLiteral("*.png")});
  static const QStringList marks = QDir(data.filePath(QStringLiteral("sy"))).entryList({QStringLiteral("*.png")});
  const int border = (h[6] >> 2) & 7;
  s.borderFile = border == 0 || borders.isEmpty()
                     ? NoBorderText
                     : data.filePath(QStringLiteral("bk/") + borders[(border - 1) % borders.size()]);
  s.pictureWatermarkOn = (h[6] & 1) && !marks.isEmpty();
  if (s.pictureWatermarkOn)
    s.pictureWatermarkFile = data.filePath(QStringLiteral("sy/") + marks[h[7] % marks.size()]);
  s.pictureWatermarkAnchor = (h[6] >> 5) % 7;
  s.pictureWatermarkX = 0.25;
  s.pictureWatermarkY = 0.75;

  static const std::array<QString, 4> texts = {QStringLiteral("Kuvo图片批处理 ©"), QStringLiteral("#当前日期#"),
                                               QStringLiteral("#JPG照片拍摄时间#"), QStringLiteral("#图片原文件名#")};
  static const std::array<int, 8> fontSizes = {1, 5, 9, 12, 24, 72, 300, 1000};
  s.textWatermarkOn = h[6] & 2;
  s.text = texts[(h[7] >> 1) & 3];
  s.textAnchor = (h[7] & 7) % 7;
  s.textX = 0.5;
  s.textY = 0.5;
  s.fontSize = fontSizes[(h[7] >> 3) & 7];
  s.bold = h[7] & 64;
  s.italic = h[7] & 128;
  s.underline = (h[7] & 0xC0) == 0xC0;
  s.textColor = 0x2040C0u * h[8];

  s.jpegQuality = h[8] % 101;
  s.maxJpegKb = (h[9] & 64) ? (h[9] & 63) : 0;
  if (h[9] & 128) {
    s.imageMatrix = identityMatrix();
    s.imageMatrix[0] = 0.393f; // sepia-like mix with an offset row
    s.imageMatrix[1] = 0.349f;
    s.imageMatrix[5] = 0.769f;
    s.imageMatrix[20] = 0.1f;
  }
  return job;
}

} // namespace kuvo::fuzz
