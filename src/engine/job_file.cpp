#include "engine/job_file.h"

#include "engine/native_names.h"

#include "engine/store_keys.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cmath>

namespace kuvo {

namespace {

QString boolText(bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); }
QString trueFalse(bool v) { return v ? QStringLiteral("True") : QStringLiteral("False"); }

QString matrixText(const ColorMatrix &m) {
  QStringList parts;
  for (float v : m)
    parts << QString::number(double(v), 'g', 9);
  return parts.join(QLatin1Char(','));
}

bool parseMatrix(const QString &text, ColorMatrix &m) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 25)
    return false;
  ColorMatrix out{};
  for (int i = 0; i < 25; ++i) {
    bool ok = false;
    out[i] = parts[i].trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(out[i]))
      return false;
  }
  m = out;
  return true;
}

// Outer spaces would be trimmed away on reading, and outer quotes taken off:
// such values are written inside one more pair of quotes. A line break
// cannot be part of a value.
QString valueText(QString value) {
  value.replace(QLatin1Char('\n'), QLatin1Char(' '));
  const bool quoted = value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'));
  if (quoted || value != value.trimmed())
    return QLatin1Char('"') + value + QLatin1Char('"');
  return value;
}

// The keys of one section, exactly as written; found tells whether the
// section is there at all.
KeyValues readSection(const QByteArray &bytes, const QString &section, bool &found) {
  KeyValues values;
  found = false;
  QString current;
  const QString text = QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
  for (QString line : text.split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r')))
      line.chop(1);
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#')))
      continue;
    if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
      current = trimmed.mid(1, trimmed.size() - 2).trimmed();
      found = found || current == section;
      continue;
    }
    const int eq = line.indexOf(QLatin1Char('='));
    if (current != section || eq <= 0)
      continue;
    QString value = line.mid(eq + 1).trimmed();
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
      value = value.mid(1, value.size() - 2);
    values.insert(line.left(eq).trimmed(), value);
  }
  return values;
}

// The job keys beyond the settings store's, in the order they are written.
const QStringList &jobKeyNames() {
  static const QStringList names{"sWidth",    "sHeight",   "sOrigin",     "sImageMatrix", "sWatermarkMatrix",
                                 "iRotate",   "iEffect",   "iBrightness", "sBorder",      "bImgOn",
                                 "iImgPos",   "fImgScale", "bTextOn",     "iTextPos",     "sOutFormat",
                                 "sOutDir",   "bRename",   "sPrefix",     "sDigits",      "iExisting",
                                 "bKeepExif", "bStripGps", "bKeepGps",    "bKeepDate",    "iMaxKB"};
  return names;
}

} // namespace

bool saveJobFile(const QString &path, const ProcessingSettings &j) {
  QString out = QStringLiteral("[Options]\n");
  auto put = [&out](const char *key, const QString &value) {
    out += QLatin1String(key) + QLatin1Char('=') + valueText(value) + QLatin1Char('\n');
  };
  // The settings-store keys.
  put("iuSYAlpha", QString::number(qRound(j.watermarkMatrix[3 * 5 + 3] * 100)));
  put("iuSize", QString::number(j.sizeMode));
  put("sText", j.text);
  put("iSize", QString::number(j.fontSize));
  put("sFont", j.fontName);
  put("lColor", QString::number(j.textColor));
  put("sBold", trueFalse(j.bold));
  put("sUnderline", trueFalse(j.underline));
  put("sItalic", trueFalse(j.italic));
  put("iuTSyX", QString::number(j.textX, 'g', 17));
  put("iuTSyY", QString::number(j.textY, 'g', 17));
  put("suISyF", j.pictureWatermarkFile);
  put("iuISyX", QString::number(j.pictureWatermarkX, 'g', 17));
  put("iuISyY", QString::number(j.pictureWatermarkY, 'g', 17));
  put("iJPGQ", QString::number(j.jpegQuality));
  put("bPicJQ", boolText(j.cropToFit));
  put("bAutoODir", boolText(j.openOutputFolder));
  put("bAutoURL", boolText(j.openLinkPage));
  put("bShowURL", boolText(j.linkPageShowUrl));
  put("bShowURLPic", boolText(j.linkPageShowPicture));
  put("bSaveErr", boolText(j.saveErrorLog));
  put("iXCutMode", QString::number(j.cropAnchorX));
  put("iYCutMode", QString::number(j.cropAnchorY));
  put("bChkResizeOpt", boolText(j.keepSmall));
  put("sPDF1", j.pdfTitle);
  put("sPDF2", j.pdfSignature);
  put("sPDF3", j.pdfDate);
  put("iTextAlpha", QString::number(j.textOpacity));
  put("iTileAngle", QString::number(j.tileAngle));
  put("iTileSpacing", QString::number(j.tileSpacing));
  // The job fields the store does not keep.
  put("sWidth", j.widthText);
  put("sHeight", j.heightText);
  put("sOrigin", QStringLiteral("%1,%2").arg(double(j.originX)).arg(double(j.originY)));
  put("sImageMatrix", matrixText(j.imageMatrix));
  put("sWatermarkMatrix", matrixText(j.watermarkMatrix));
  put("iRotate", QString::number(j.rotateMode));
  put("iEffect", QString::number(j.effect));
  put("iBrightness", QString::number(j.brightness));
  put("sBorder", j.borderFile);
  put("bImgOn", boolText(j.pictureWatermarkOn));
  put("iImgPos", QString::number(j.pictureWatermarkAnchor));
  put("fImgScale", QString::number(double(j.pictureWatermarkScale), 'g', 9));
  put("bTextOn", boolText(j.textWatermarkOn));
  put("iTextPos", QString::number(j.textAnchor));
  put("sOutFormat", j.outputFormat);
  put("sOutDir", j.outputFolder);
  put("bRename", boolText(j.rename));
  put("sPrefix", j.prefix);
  put("sDigits", j.counterWidth);
  put("iExisting", QString::number(static_cast<int>(j.existingFiles)));
  put("bKeepExif", boolText(j.keepMetadata));
  put("bStripGps", boolText(j.stripGps));
  put("bKeepGps", boolText(j.keepGps));
  put("bKeepDate", boolText(j.keepFileDate));
  put("iMaxKB", QString::number(j.maxJpegKb));
  QSaveFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(out.toUtf8()) >= 0 && file.commit();
}

QStringList loadJobFile(const QString &path, ProcessingSettings &j, bool *ok, QStringList *unknownKeys,
                        QString *problem) {
  QStringList skipped;
  auto refuse = [&](const QString &why) {
    if (ok)
      *ok = false;
    if (problem)
      *problem = why;
    return skipped;
  };
  // By the file's own bytes, so a GBK-named job file opens too.
  QFile file;
  if (!nativeFileFacts(path).isFile || !openForReading(file, path))
    return refuse(QStringLiteral("无法读取任务文件"));
  // A job file is a few kilobytes; anything past a megabyte is not one.
  const QByteArray bytes = file.read(1024 * 1024 + 1);
  if (bytes.size() > 1024 * 1024)
    return refuse(QStringLiteral("任务文件过大"));
  bool found = false;
  const KeyValues f = readSection(bytes, QStringLiteral("Options"), found);
  if (!found)
    return refuse(QStringLiteral("任务文件中没有 [Options] 段"));
  if (ok)
    *ok = true;
  if (unknownKeys) {
    for (auto it = f.begin(); it != f.end(); ++it)
      if (!storeKeyNames().contains(it.key()) && !jobKeyNames().contains(it.key()))
        *unknownKeys << it.key();
    unknownKeys->sort();
  }
  skipped = applyStoreKeys(j, f);

  auto has = [&f](const char *key) { return f.contains(QLatin1String(key)); };
  auto text = [&f](const char *key) { return f.value(QLatin1String(key)); };
  auto integer = [&](const char *key, int &field, int lo, int hi) {
    if (!has(key))
      return;
    bool good = false;
    const int v = text(key).trimmed().toInt(&good);
    if (good && v >= lo && v <= hi)
      field = v;
    else
      skipped << QLatin1String(key);
  };
  auto flag = [&](const char *key, bool &field) {
    int v = field;
    integer(key, v, 0, 1);
    field = v != 0;
  };
  auto string = [&](const char *key, QString &field) {
    if (has(key))
      field = text(key);
  };

  string("sWidth", j.widthText);
  string("sHeight", j.heightText);
  if (has("sOrigin")) {
    const QStringList xy = text("sOrigin").split(QLatin1Char(','));
    bool okX = false, okY = false;
    const float x = xy.value(0).toFloat(&okX), y = xy.value(1).toFloat(&okY);
    if (xy.size() == 2 && okX && okY && std::isfinite(x) && std::isfinite(y)) {
      j.originX = x;
      j.originY = y;
    } else {
      skipped << QStringLiteral("sOrigin");
    }
  }
  if (has("sImageMatrix") && !parseMatrix(text("sImageMatrix"), j.imageMatrix))
    skipped << QStringLiteral("sImageMatrix");
  if (has("sWatermarkMatrix") && !parseMatrix(text("sWatermarkMatrix"), j.watermarkMatrix))
    skipped << QStringLiteral("sWatermarkMatrix");
  integer("iRotate", j.rotateMode, 0, 7);
  integer("iEffect", j.effect, NoEffect, 12);
  integer("iBrightness", j.brightness, -75, 75);
  string("sBorder", j.borderFile);
  flag("bImgOn", j.pictureWatermarkOn);
  integer("iImgPos", j.pictureWatermarkAnchor, 0, AnchorLast);
  if (has("fImgScale")) {
    bool good = false;
    const float scale = text("fImgScale").toFloat(&good);
    if (good && std::isfinite(scale) && scale > 0)
      j.pictureWatermarkScale = scale;
    else
      skipped << QStringLiteral("fImgScale");
  }
  flag("bTextOn", j.textWatermarkOn);
  integer("iTextPos", j.textAnchor, 0, AnchorLast);
  if (has("sOutFormat")) {
    const QString format = text("sOutFormat");
    static const QStringList formats{OriginalFormatText,   QStringLiteral("jpg"), QStringLiteral("png"),
                                     QStringLiteral("tiff"), QStringLiteral("bmp"), QStringLiteral("webp")};
    if (formats.contains(format))
      j.outputFormat = format;
    else
      skipped << QStringLiteral("sOutFormat");
  }
  string("sOutDir", j.outputFolder);
  flag("bRename", j.rename);
  string("sPrefix", j.prefix);
  string("sDigits", j.counterWidth);
  int existing = static_cast<int>(j.existingFiles);
  integer("iExisting", existing, 0, 2);
  j.existingFiles = static_cast<ExistingFiles>(existing);
  flag("bKeepExif", j.keepMetadata);
  flag("bStripGps", j.stripGps);
  flag("bKeepGps", j.keepGps);
  flag("bKeepDate", j.keepFileDate);
  integer("iMaxKB", j.maxJpegKb, 0, 1000000);
  return skipped;
}

} // namespace kuvo
