#include "engine/font_substitution.h"

#include <QFontDatabase>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace kuvo {

namespace {

const QString songFont = QStringLiteral("AR PL UMing CN");
const QString heiFont = QStringLiteral("WenQuanYi Zen Hei");

struct StandIn {
  QStringList names;    // Windows names, Chinese and English spellings
  QStringList families; // installed families to use instead, best first
};

// Song, Fang Song, Kai and Li styles all have serifs and brush strokes; the
// Ming face is the nearest installed match. Hei and Yuan are sans faces.
const QList<StandIn> &standIns() {
  static const QList<StandIn> table = {
      {{"宋体",    "新宋体",   "仿宋",        "仿宋_GB2312",     "楷体",     "楷体_GB2312",
        "隶书",    "华文宋体", "华文中宋",    "华文仿宋",        "华文楷体", "华文隶书",
        "SimSun",  "NSimSun",  "FangSong",    "FangSong_GB2312", "KaiTi",    "KaiTi_GB2312",
        "LiSu",    "STSong",   "STZhongsong", "STFangsong",      "STKaiti",  "STLiti",
        "MingLiU", "PMingLiU", "新細明體",    "細明體",          "标楷体",   "DFKai-SB"},
       {songFont, heiFont}},
      {{"黑体",
        "微软雅黑",
        "幼圆",
        "华文细黑",
        "华文黑体",
        "华文彩云",
        "华文琥珀",
        "华文新魏",
        "华文行楷",
        "方正舒体",
        "方正姚体",
        "SimHei",
        "Microsoft YaHei",
        "Microsoft YaHei UI",
        "YouYuan",
        "STXihei",
        "STHeiti",
        "STCaiyun",
        "STHupo",
        "STXinwei",
        "STXingkai",
        "FZShuTi",
        "FZYaoti",
        "Microsoft JhengHei",
        "微軟正黑體"},
       {heiFont, songFont}},
      {{"Arial", "Arial Black", "Tahoma", "Verdana", "Segoe UI", "Microsoft Sans Serif", "MS Sans Serif", "Calibri",
        "Trebuchet MS", "Impact", "Comic Sans MS"},
       {"Liberation Sans", "DejaVu Sans", heiFont}},
      {{"Times New Roman", "Georgia", "Cambria", "Book Antiqua", "Palatino Linotype", "Garamond", "MS Serif"},
       {"Liberation Serif", "DejaVu Serif", songFont}},
      {{"Courier New", "Courier", "Consolas", "Lucida Console", "Fixedsys"},
       {"Liberation Mono", "DejaVu Sans Mono", "WenQuanYi Zen Hei Mono", heiFont}},
  };
  return table;
}

struct FontTables {
  QSet<QString> installed;            // lower-case family names
  QHash<QString, QStringList> byName; // lower-case Windows name -> stand-ins
};

std::once_flag tablesOnce;
FontTables *tables = nullptr;

// Built once; read-only afterwards, so any thread may look names up.
const FontTables &fontTables() {
  std::call_once(tablesOnce, [] {
    auto *t = new FontTables;
    for (const QString &family : QFontDatabase::families())
      t->installed.insert(family.toLower());
    for (const StandIn &s : standIns())
      for (const QString &name : s.names)
        t->byName.insert(name.toLower(), s.families);
    tables = t;
  });
  return *tables;
}

bool looksSans(const QString &name) {
  static const char *const hints[] = {"hei", "黑", "gothic", "sans", "yahei", "yuan", "圆", "arial", "helvetica"};
  const QString lower = name.toLower();
  return std::any_of(std::begin(hints), std::end(hints),
                     [&](const char *h) { return lower.contains(QString::fromUtf8(h)); });
}

std::once_flag substitutionsOnce;

} // namespace

void installFontSubstitutions() {
  std::call_once(substitutionsOnce, [] {
    for (const StandIn &s : standIns())
      for (const QString &name : s.names)
        QFont::insertSubstitutions(name, s.families);
  });
  // Reading the installed families here, on the caller's (usually the main)
  // thread, keeps the font database's first scan off the worker threads.
  fontTables();
}

QStringList fontFamiliesFor(const QString &name) {
  const FontTables &t = fontTables();
  const QString key = name.trimmed().toLower();
  QStringList families;
  if (!key.isEmpty())
    families << name.trimmed();
  const auto known = t.byName.constFind(key);
  if (known != t.byName.constEnd()) {
    families << *known;
  } else if (key.isEmpty() || !t.installed.contains(key)) {
    // Not installed: a CJK face of the nearest style, so that both Chinese and
    // Latin text print.
    families << (looksSans(name) ? QStringList{heiFont, songFont} : QStringList{songFont, heiFont});
  } else {
    // An installed (usually Latin) font: Chinese characters it lacks come from
    // a CJK face of its style rather than from whatever the system picks.
    families << (looksSans(name) ? QStringList{heiFont, songFont} : QStringList{songFont, heiFont});
  }
  families.removeDuplicates();
  return families;
}

int pointsToPixels(int points) {
  const long px = std::lround(points * 96.0 / 72.0);
  return static_cast<int>(std::clamp<long>(px, 1, 10000));
}

QFont watermarkFont(const QString &name, int points, bool bold, bool italic, bool underline) {
  QFont font;
  const QStringList families = fontFamiliesFor(name);
  font.setFamilies(families);
  font.setPixelSize(pointsToPixels(points));
  font.setBold(bold);
  font.setItalic(italic);
  font.setUnderline(underline);
  return font;
}

} // namespace kuvo
