#include "cli/job_option_parser.h"

#include "cli/cluster_options.h"
#include "cli/option_values.h"

#include "engine/size_presets.h"
#include "platform/program_paths.h"

#include <QDir>
#include <QFileInfo>

namespace kuvo::cli {

bool JobOptionParser::fail(const QString &message) {
  error = message;
  return false;
}

bool JobOptionParser::number(const QString &opt, const QString &v, double &out) {
  bool ok = false;
  out = v.trimmed().toDouble(&ok);
  return (ok && usableNumber(out)) || fail(QStringLiteral("选项 %1 需要一个数字，而不是“%2”。").arg(opt, v));
}

bool JobOptionParser::integer(const QString &opt, const QString &v, int lo, int hi, int &out) {
  bool ok = false;
  out = v.trimmed().toInt(&ok);
  return (ok && out >= lo && out <= hi) ||
         fail(QStringLiteral("选项 %1 需要 %2 到 %3 之间的整数，而不是“%4”。").arg(opt).arg(lo).arg(hi).arg(v));
}

bool JobOptionParser::pair(const QString &opt, const QString &v, double &a, double &b) {
  QVector<double> n;
  if (!parseNumbers(v, 2, n))
    return fail(QStringLiteral("选项 %1 需要 X,Y 两个数字，而不是“%2”。").arg(opt, v));
  a = n[0];
  b = n[1];
  return true;
}

bool JobOptionParser::option(const QString &opt, const QString &v) {
  ProcessingSettings &s = job.settings;
  int n = 0;
  double d = 0, d2 = 0;
  if (opt == QLatin1String("-o") || opt == QLatin1String("--output")) {
    s.outputFolder = QDir::cleanPath(QDir::current().absoluteFilePath(v));
  } else if (opt == QLatin1String("--format")) {
    static const QStringList formats{QStringLiteral("jpg"), QStringLiteral("png"), QStringLiteral("tiff"),
                                     QStringLiteral("bmp"), QStringLiteral("webp")};
    if (v == QLatin1String("original") || v == OriginalFormatText)
      s.outputFormat = OriginalFormatText;
    else if (formats.contains(v))
      s.outputFormat = v;
    else
      return fail(QStringLiteral("未知的输出格式“%1”：可选 original、jpg、png、tiff、bmp、webp。").arg(v));
  } else if (opt == QLatin1String("--max-kb")) {
    if (!integer(opt, v, 0, 1000000, s.maxJpegKb))
      return false;
  } else if (opt == QLatin1String("--quality")) {
    if (!integer(opt, v, 0, 100, s.jpegQuality))
      return false;
  } else if (opt == QLatin1String("--size")) {
    sizeName = v;
  } else if (opt == QLatin1String("--width")) {
    if (!number(opt, v, d))
      return false;
    s.widthText = v.trimmed();
    widthGiven = true;
  } else if (opt == QLatin1String("--height")) {
    if (!number(opt, v, d))
      return false;
    s.heightText = v.trimmed();
    heightGiven = true;
  } else if (opt == QLatin1String("--fit")) {
    if (v != QLatin1String("crop") && v != QLatin1String("pad"))
      return fail(QStringLiteral("--fit 只接受 crop 或 pad。"));
    s.cropToFit = v == QLatin1String("crop");
  } else if (opt == QLatin1String("--crop-x")) {
    static const QStringList xs{QStringLiteral("left"), QStringLiteral("center"), QStringLiteral("right")};
    if (!xs.contains(v))
      return fail(QStringLiteral("--crop-x 只接受 left、center 或 right。"));
    s.cropAnchorX = static_cast<int>(xs.indexOf(v));
  } else if (opt == QLatin1String("--crop-y")) {
    static const QStringList ys{QStringLiteral("top"), QStringLiteral("center"), QStringLiteral("bottom")};
    if (!ys.contains(v))
      return fail(QStringLiteral("--crop-y 只接受 top、center 或 bottom。"));
    s.cropAnchorY = static_cast<int>(ys.indexOf(v));
  } else if (opt == QLatin1String("--origin")) {
    if (!pair(opt, v, d, d2))
      return false;
    s.originX = static_cast<float>(d);
    s.originY = static_cast<float>(d2);
  } else if (opt == QLatin1String("--channels")) {
    QVector<double> c;
    if (!parseNumbers(v, 3, c))
      return fail(QStringLiteral("--channels 需要 R,G,B 三个数字。"));
    s.imageMatrix = channelMatrix(float(c[0]), float(c[1]), float(c[2]));
  } else if (opt == QLatin1String("--matrix")) {
    QVector<double> m;
    if (!parseNumbers(v, 25, m))
      return fail(QStringLiteral("--matrix 需要按行排列、逗号分隔的 25 个数字。"));
    for (int i = 0; i < 25; ++i)
      s.imageMatrix[i] = static_cast<float>(m[i]);
  } else if (opt == QLatin1String("--border")) {
    s.borderFile = v == NoBorderText ? v : QFileInfo(v).absoluteFilePath();
  } else if (opt == QLatin1String("--existing")) {
    static const QStringList rules{QStringLiteral("overwrite"), QStringLiteral("skip"), QStringLiteral("rename")};
    if (!rules.contains(v))
      return fail(QStringLiteral("--existing 只接受 overwrite(覆盖)、skip(跳过) 或 rename(自动改名)。"));
    s.existingFiles = static_cast<ExistingFiles>(rules.indexOf(v));
  } else if (opt == QLatin1String("--rename")) {
    s.rename = true;
    s.prefix = v;
  } else if (opt == QLatin1String("--digits")) {
    if (!integer(opt, v, 0, 255, n))
      return false;
    s.counterWidth = QString::number(n);
  } else if (opt == QLatin1String("-j") || opt == QLatin1String("--jobs")) {
    if (!integer(opt, v, 1, 64, job.jobs))
      return false;
  } else if (opt == QLatin1String("--rotate")) {
    if ((n = rotateIndex(v)) < 0)
      return fail(QStringLiteral("--rotate 只接受 none、auto、cw、ccw、180、flip-rows 或 flip-columns。"));
    s.rotateMode = n;
  } else if (opt == QLatin1String("--effect")) {
    if ((n = effectIndex(v)) < NoEffect)
      return fail(QStringLiteral("未知的特效“%1”。").arg(v));
    s.effect = n;
  } else if (opt == QLatin1String("--brightness")) {
    if (!integer(opt, v, -75, 75, s.brightness))
      return false;
    s.effect = 12;
  } else if (opt == QLatin1String("--watermark")) {
    s.pictureWatermarkOn = true;
    s.pictureWatermarkFile = QFileInfo(v).absoluteFilePath();
  } else if (opt == QLatin1String("--watermark-anchor") || opt == QLatin1String("--text-anchor")) {
    if ((n = anchorIndex(v)) < 0)
      return fail(QStringLiteral("%1 只接受 br、bl、tl、tr、center、free、tile 或 0-6。").arg(opt));
    (opt == QLatin1String("--text-anchor") ? s.textAnchor : s.pictureWatermarkAnchor) = n;
  } else if (opt == QLatin1String("--watermark-pos")) {
    if (!pair(opt, v, s.pictureWatermarkX, s.pictureWatermarkY))
      return false;
    s.pictureWatermarkAnchor = AnchorFree;
  } else if (opt == QLatin1String("--watermark-scale")) {
    if (!number(opt, v, d))
      return false;
    if (!(d > 0))
      return fail(QStringLiteral("--watermark-scale 必须大于 0。"));
    s.pictureWatermarkScale = static_cast<float>(d);
  } else if (opt == QLatin1String("--opacity")) {
    if (!integer(opt, v, 0, 100, n))
      return false;
    s.watermarkMatrix[3 * 5 + 3] = n / 100.0f;
  } else if (opt == QLatin1String("--text-opacity")) {
    if (!integer(opt, v, 0, 100, s.textOpacity))
      return false;
  } else if (opt == QLatin1String("--tile-angle")) {
    if (!integer(opt, v, TileAngleMin, TileAngleMax, s.tileAngle))
      return false;
  } else if (opt == QLatin1String("--tile-spacing")) {
    if (!integer(opt, v, 0, TileSpacingMax, s.tileSpacing))
      return false;
  } else if (opt == QLatin1String("--text")) {
    s.textWatermarkOn = true;
    s.text = v;
  } else if (opt == QLatin1String("--text-pos")) {
    if (!pair(opt, v, s.textX, s.textY))
      return false;
    s.textAnchor = AnchorFree;
  } else if (opt == QLatin1String("--font")) {
    s.fontName = v;
  } else if (opt == QLatin1String("--font-size")) {
    if (!integer(opt, v, 1, 1000, s.fontSize))
      return false;
  } else if (opt == QLatin1String("--color")) {
    if (!parseColor(v, s.textColor))
      return fail(QStringLiteral("--color 需要 #RRGGBB 形式的颜色。"));
  } else if (const int cluster = clusterOption(opt, v, job, error); cluster >= 0) {
    return cluster == 1;
  } else if (publishOption(opt, v)) {
    return error.isEmpty();
  } else {
    return fail(QStringLiteral("未知的选项“%1”。用 --help 查看全部选项。").arg(opt));
  }
  return true;
}

bool JobOptionParser::applySize() {
  ProcessingSettings &s = job.settings;
  const QVector<SizePreset> presets = loadSizePresets(programDataDir() + QStringLiteral("/size.ini"));
  s.presetCount = static_cast<int>(presets.size());
  QString w = s.widthText, h = s.heightText;
  if (sizeName.isEmpty() && heightGiven) {
    // A height only means something for a custom size.
    s.sizeMode = s.customSizeIndex();
  } else if (sizeName.isEmpty()) {
    // A job file may name the size entry by index.
    if (s.sizeMode >= SizeFirstPreset && s.sizeMode < s.customSizeIndex()) {
      w = presets[s.sizeMode - SizeFirstPreset].width;
      h = presets[s.sizeMode - SizeFirstPreset].height;
    } else if (s.sizeMode != SizeFixedWidth && s.sizeMode != SizeFitBorder && s.sizeMode != SizeOriginal) {
      s.sizeMode = s.customSizeIndex();
    }
  } else if (sizeName == QLatin1String("width")) {
    s.sizeMode = SizeFixedWidth;
    h = QStringLiteral("0");
  } else if (sizeName == QLatin1String("border")) {
    s.sizeMode = SizeFitBorder;
  } else if (sizeName == QLatin1String("original")) {
    s.sizeMode = SizeOriginal;
  } else if (sizeName == QLatin1String("custom")) {
    s.sizeMode = s.customSizeIndex();
    if (!heightGiven)
      h = QStringLiteral("600");
  } else {
    const int found = findPreset(presets, sizeName);
    if (found == -2)
      return fail(
          QStringLiteral("尺寸“%1”可以指多个预设，请写得更完整或用 --list-presets 列出的编号。").arg(sizeName));
    if (found < 0)
      return fail(
          QStringLiteral("未知的尺寸“%1”：可选 width、border、original、custom，或 size.ini 中预设的编号、名称"
                         "(名称的开头即可，见 --list-presets)。")
              .arg(sizeName));
    s.sizeMode = SizeFirstPreset + found;
    w = presets[found].width;
    h = presets[found].height;
  }
  if (!widthGiven)
    s.widthText = w;
  if (!heightGiven)
    s.heightText = h;
  return true;
}

} // namespace kuvo::cli
