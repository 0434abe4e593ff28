#include "engine/store_keys.h"

#include <cmath>

namespace kuvo {

namespace {

class KeyReader {
public:
  KeyReader(const KeyValues &s, QStringList &bad) : s_(s), bad_(bad) {}

  bool has(const char *key) const { return s_.contains(QLatin1String(key)); }
  QString text(const char *key) const { return s_.value(QLatin1String(key)); }

  // Integers accept decimals and round them, as the window's store does.
  template <typename T> void integer(const char *key, T &field) {
    if (!has(key))
      return;
    bool ok = false;
    const double v = text(key).trimmed().toDouble(&ok);
    if (ok && std::isfinite(v) && std::abs(v) < 2147483647.0)
      field = static_cast<T>(std::llround(v));
    else
      bad_ << QLatin1String(key);
  }
  void decimal(const char *key, double &field) {
    if (!has(key))
      return;
    bool ok = false;
    const double v = text(key).trimmed().toDouble(&ok);
    if (ok && std::isfinite(v))
      field = v;
    else
      bad_ << QLatin1String(key);
  }
  void flag(const char *key, bool &field) {
    int v = field ? 1 : 0;
    integer(key, v);
    field = v != 0;
  }
  // "True" / "False" booleans of the text style.
  void truth(const char *key, bool &field) {
    if (!has(key))
      return;
    const QString v = text(key).trimmed();
    if (v.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || v == QLatin1String("1"))
      field = true;
    else if (v.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || v == QLatin1String("0"))
      field = false;
    else
      bad_ << QLatin1String(key);
  }
  // A whole number in lo..hi; anything else leaves the field as it was.
  void ranged(const char *key, int &field, int lo, int hi) {
    if (!has(key))
      return;
    int v = field;
    integer(key, v);
    if (v >= lo && v <= hi)
      field = v;
    else
      bad_ << QLatin1String(key);
  }
  void string(const char *key, QString &field) {
    if (has(key))
      field = text(key);
  }

private:
  const KeyValues &s_;
  QStringList &bad_;
};

} // namespace

const QStringList &storeKeyNames() {
  static const QStringList names{"iuSYAlpha", "iuSize",      "sText",    "iSize",     "sFont",     "lColor",
                                 "sBold",     "sUnderline",  "sItalic",  "iuTSyX",    "iuTSyY",    "suISyF",
                                 "iuISyX",    "iuISyY",      "iJPGQ",    "bPicJQ",    "bAutoODir", "bAutoURL",
                                 "bShowURL",  "bShowURLPic", "bSaveErr", "iXCutMode", "iYCutMode", "bChkResizeOpt",
                                 "sPDF1",     "sPDF2",       "sPDF3",    "iTextAlpha", "iTileAngle", "iTileSpacing"};
  return names;
}

QStringList applyStoreKeys(ProcessingSettings &job, const KeyValues &settings) {
  QStringList bad;
  KeyReader r(settings, bad);

  int alpha = -1;
  r.integer("iuSYAlpha", alpha);
  if (alpha >= 0 && r.has("iuSYAlpha"))
    job.watermarkMatrix[3 * 5 + 3] = alpha / 100.0f;
  r.integer("iuSize", job.sizeMode);

  r.string("sText", job.text);
  r.integer("iSize", job.fontSize);
  r.string("sFont", job.fontName);
  qint64 color = job.textColor;
  r.integer("lColor", color);
  job.textColor = static_cast<quint32>(color);
  r.truth("sBold", job.bold);
  r.truth("sUnderline", job.underline);
  r.truth("sItalic", job.italic);
  // A stored text turns the text watermark on at its free position.
  if (!job.text.isEmpty()) {
    job.textWatermarkOn = true;
    job.textAnchor = AnchorFree;
    r.decimal("iuTSyX", job.textX);
    r.decimal("iuTSyY", job.textY);
  }
  r.string("suISyF", job.pictureWatermarkFile);
  if (!job.pictureWatermarkFile.isEmpty()) {
    job.pictureWatermarkOn = true;
    job.pictureWatermarkAnchor = AnchorFree;
    r.decimal("iuISyX", job.pictureWatermarkX);
    r.decimal("iuISyY", job.pictureWatermarkY);
  }

  r.integer("iJPGQ", job.jpegQuality);
  r.flag("bPicJQ", job.cropToFit);
  r.flag("bAutoODir", job.openOutputFolder);
  r.flag("bAutoURL", job.openLinkPage);
  r.flag("bShowURL", job.linkPageShowUrl);
  r.flag("bShowURLPic", job.linkPageShowPicture);
  r.flag("bSaveErr", job.saveErrorLog);
  r.integer("iXCutMode", job.cropAnchorX);
  r.integer("iYCutMode", job.cropAnchorY);
  r.flag("bChkResizeOpt", job.keepSmall);
  r.string("sPDF1", job.pdfTitle);
  r.string("sPDF2", job.pdfSignature);
  r.string("sPDF3", job.pdfDate);
  r.ranged("iTextAlpha", job.textOpacity, 0, 100);
  r.ranged("iTileAngle", job.tileAngle, TileAngleMin, TileAngleMax);
  r.ranged("iTileSpacing", job.tileSpacing, 0, TileSpacingMax);
  return bad;
}

} // namespace kuvo
