#include "engine/job_file.h"

#include "engine/store_keys.h"

#include <QFileInfo>
#include <QSettings>
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

} // namespace

bool saveJobFile(const QString &path, const ProcessingSettings &j) {
  QSettings f(path, QSettings::IniFormat);
  f.clear();
  f.beginGroup(QStringLiteral("Options"));
  auto put = [&f](const char *key, const QString &value) { f.setValue(QLatin1String(key), value); };
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
  put("bKeepExif", boolText(j.keepMetadata));
  put("bStripGps", boolText(j.stripGps));
  put("bKeepDate", boolText(j.keepFileDate));
  put("iMaxKB", QString::number(j.maxJpegKb));
  f.endGroup();
  f.sync();
  return f.status() == QSettings::NoError;
}

QStringList loadJobFile(const QString &path, ProcessingSettings &j, bool *ok) {
  QStringList skipped;
  const bool readable = QFileInfo(path).isFile() && QFileInfo(path).isReadable();
  if (ok)
    *ok = readable;
  if (!readable)
    return skipped;
  QSettings f(path, QSettings::IniFormat);
  if (f.status() != QSettings::NoError) {
    if (ok)
      *ok = false;
    return skipped;
  }
  f.beginGroup(QStringLiteral("Options"));
  skipped = applyStoreKeys(j, f);

  auto has = [&f](const char *key) { return f.contains(QLatin1String(key)); };
  auto text = [&f](const char *key) { return f.value(QLatin1String(key)).toString(); };
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
  integer("iImgPos", j.pictureWatermarkAnchor, 0, 5);
  if (has("fImgScale")) {
    bool good = false;
    const float scale = text("fImgScale").toFloat(&good);
    if (good && std::isfinite(scale) && scale > 0)
      j.pictureWatermarkScale = scale;
    else
      skipped << QStringLiteral("fImgScale");
  }
  flag("bTextOn", j.textWatermarkOn);
  integer("iTextPos", j.textAnchor, 0, 5);
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
  flag("bKeepExif", j.keepMetadata);
  flag("bStripGps", j.stripGps);
  flag("bKeepDate", j.keepFileDate);
  integer("iMaxKB", j.maxJpegKb, 0, 1000000);
  return skipped;
}

} // namespace kuvo
