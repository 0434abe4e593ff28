#pragma once
// Every parameter of one job. A plain value type: the window keeps one current
// value and updates it from its controls, kuvo-batch builds one from its
// options, and a batch run takes a snapshot of it when each picture starts.
#include "engine/color_matrix.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace kuvo {

// Entries of the size list: three fixed modes, then the presets of size.ini,
// then the custom size as the last entry.
enum SizeModeIndex { SizeFixedWidth = 0, SizeFitBorder = 1, SizeOriginal = 2, SizeFirstPreset = 3 };

// Watermark anchors in the order of the position lists. A tiled watermark
// is repeated over the whole picture; its position fractions are where one
// of its copies sits, as for the free position.
enum Anchor {
  AnchorBottomRight = 0,
  AnchorBottomLeft,
  AnchorTopLeft,
  AnchorTopRight,
  AnchorCenter,
  AnchorFree,
  AnchorTile,
  AnchorLast = AnchorTile
};

inline constexpr int TileAngleMin = -90, TileAngleMax = 90;
inline constexpr int TileSpacingMax = 1000;

// Rotation menu: 1 is a separator, any value above 1 rotates.
enum RotateModeIndex {
  RotateNone = 0,
  RotateSmart = 2,
  RotateClockwise90 = 3,
  RotateCounterClockwise90 = 4,
  Rotate180 = 5,
  MirrorHorizontal = 6,
  MirrorVertical = 7
};

// What a run does where an output's file already exists.
enum class ExistingFiles { Overwrite = 0, Skip = 1, Rename = 2 };

inline constexpr int NoEffect = -1;
inline const QString NoBorderText = QStringLiteral("无边框");
inline const QString OriginalFormatText = QStringLiteral("原格式");

struct ProcessingSettings {
  // Source pictures
  QStringList files;
  QStringList descriptions; // caption per list index; missing entries are empty

  // Size, crop and placement
  int sizeMode = SizeFixedWidth;
  int presetCount = 0; // number of size.ini presets; custom = SizeFirstPreset + presetCount
  QString widthText = QStringLiteral("800");
  QString heightText = QStringLiteral("0");
  bool keepSmall = false;
  bool cropToFit = true;
  int cropAnchorX = 1; // 0 left, 1 centre, 2 right
  int cropAnchorY = 0; // 0 top, 1 centre, 2 bottom
  float originX = 0;
  float originY = 0;
  ColorMatrix imageMatrix = identityMatrix();

  // Rotation and effect
  int rotateMode = RotateNone;
  int effect = NoEffect; // 0..12, or NoEffect
  int brightness = 0;    // amount of effect 12, -75..75

  // Border and watermarks
  QString borderFile;
  bool pictureWatermarkOn = false;
  QString pictureWatermarkFile;
  int pictureWatermarkAnchor = AnchorBottomRight;
  double pictureWatermarkX = 0;
  double pictureWatermarkY = 0;
  float pictureWatermarkScale = 1.0f;
  ColorMatrix watermarkMatrix = defaultWatermarkMatrix();

  bool textWatermarkOn = false;
  QString text;
  int textAnchor = AnchorBottomRight;
  double textX = 0;
  double textY = 0;
  QString fontName = QStringLiteral("宋体");
  int fontSize = 9;           // points
  quint32 textColor = 0;      // Windows RGB value: red in the low byte
  bool bold = false;
  bool underline = false;
  bool italic = false;
  int textOpacity = 100; // percent: the alpha of the text colour

  // Tiled watermarks: one grid angle and spacing for the text and the picture.
  int tileAngle = -30;   // degrees, TileAngleMin..TileAngleMax; negative rows rise to the right
  int tileSpacing = 100; // gap between copies, percent of the watermark's size (0..TileSpacingMax)

  // Output
  QString outputFolder;
  QString outputFormat = QStringLiteral("jpg");
  int jpegQuality = 100;
  bool rename = false;
  QString prefix = QStringLiteral("Kuvo_");
  QString counterWidth = QStringLiteral("4");
  ExistingFiles existingFiles = ExistingFiles::Overwrite;
  // Per list index, a folder below outputFolder for that picture's file
  // ("a/b"); missing or empty entries write into outputFolder itself.
  QStringList outputSubfolders;
  bool keepMetadata = true;  // EXIF, XMP, IPTC and ICC of the source go into the output
  bool stripGps = false;     // ... less the GPS position
  bool keepGps = false;      // an upload run keeps the GPS position (it is published otherwise)
  bool keepFileDate = false; // the output's modification time follows the source
  int maxJpegKb = 0;         // JPEG outputs no larger than this many KB; 0: no limit

  // After the run and publishing
  bool upload = false;
  bool makePdf = false;
  bool openOutputFolder = true;
  bool openLinkPage = true;
  bool linkPageShowUrl = true;
  bool linkPageShowPicture = true;
  bool saveErrorLog = false;
  QString pdfTitle = QStringLiteral("Kuvo图片集");
  QString pdfSignature = QStringLiteral("本图片集由Kuvo图片批处理软件制作");
  QString pdfDate; // empty: today as yyyy年MM月dd日 when the PDF is made

  int customSizeIndex() const { return SizeFirstPreset + presetCount; }
  bool isCustomSize() const { return sizeMode == customSizeIndex(); }
  QString outputSubfolder(int index) const {
    return index >= 0 && index < outputSubfolders.size() ? outputSubfolders[index] : QString();
  }
  // Pictures of an upload run are published: their position goes unless kept.
  bool stripsGps() const { return stripGps || (upload && !keepGps); }
  bool drawsText() const { return textWatermarkOn && !text.isEmpty(); }
  QString description(int index) const { return index >= 0 && index < descriptions.size() ? descriptions[index] : QString(); }

  static ColorMatrix defaultWatermarkMatrix() {
    ColorMatrix m = identityMatrix();
    m[3 * 5 + 3] = 0.8f;
    return m;
  }
};

} // namespace kuvo
