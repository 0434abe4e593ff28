#include "cli/cli_options.h"

#include "cli/cluster_options.h"

#include "engine/size_presets.h"
#include "engine/job_file.h"
#include "platform/program_paths.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <cmath>
#include <functional>
#include <limits>

namespace kuvo::cli {

namespace {

// "inf", "nan" and numbers past the float range parse as doubles, but would
// reach the drawing code as infinities.
bool usableNumber(double v) {
  return std::isfinite(v) && std::abs(v) <= double(std::numeric_limits<float>::max());
}

bool parseNumbers(const QString &text, int count, QVector<double> &out) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != count)
    return false;
  out.clear();
  for (const QString &p : parts) {
    bool ok = false;
    const double v = p.trimmed().toDouble(&ok);
    if (!ok || !usableNumber(v))
      return false;
    out << v;
  }
  return true;
}

int anchorIndex(const QString &v) {
  static const QHash<QString, int> names{{QStringLiteral("br"), 0},     {QStringLiteral("bl"), 1},
                                         {QStringLiteral("tl"), 2},     {QStringLiteral("tr"), 3},
                                         {QStringLiteral("center"), 4}, {QStringLiteral("free"), 5}};
  if (names.contains(v))
    return names[v];
  bool ok = false;
  const int n = v.toInt(&ok);
  return ok && n >= 0 && n <= 5 ? n : -1;
}

int rotateIndex(const QString &v) {
  static const QHash<QString, int> names{
      {QStringLiteral("none"), RotateNone},         {QStringLiteral("auto"), RotateSmart},
      {QStringLiteral("smart"), RotateSmart},       {QStringLiteral("cw"), RotateClockwise90},
      {QStringLiteral("ccw"), RotateCounterClockwise90}, {QStringLiteral("180"), Rotate180},
      {QStringLiteral("flip-rows"), MirrorHorizontal},   {QStringLiteral("flip-columns"), MirrorVertical}};
  return names.value(v, -1);
}

int effectIndex(const QString &v) {
  static const QStringList names{QStringLiteral("beautify"), QStringLiteral("sharpen"), QStringLiteral("warm"),
                                 QStringLiteral("purple"),   QStringLiteral("sepia"),   QStringLiteral("night"),
                                 QStringLiteral("old"),      QStringLiteral("scanlines"), QStringLiteral("emboss"),
                                 QStringLiteral("grey"),     QStringLiteral("mono"),    QStringLiteral("negative")};
  if (v == QLatin1String("none"))
    return NoEffect;
  if (names.contains(v))
    return static_cast<int>(names.indexOf(v));
  bool ok = false;
  const int n = v.toInt(&ok);
  return ok && n >= 0 && n <= 11 ? n : -2;
}

bool parseColor(const QString &v, quint32 &windowsRgb) {
  if (!v.startsWith(QLatin1Char('#')) || v.size() != 7)
    return false;
  bool ok = false;
  const uint rgb = v.mid(1).toUInt(&ok, 16);
  if (!ok)
    return false;
  // Stored as a Windows RGB value: red in the low byte.
  windowsRgb = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
  return true;
}

// A preset by its number (1 = first line of size.ini), its exact name, or the
// start of one name ("1280" past the numbers is the start of "1280 × 720"). -1: none; -2: the start of several names.
int findPreset(const QVector<SizePreset> &presets, const QString &key) {
  bool isNumber = false;
  const int number = key.toInt(&isNumber);
  if (isNumber && number >= 1 && number <= presets.size())
    return number - 1;
  int found = -1;
  for (int i = 0; i < presets.size(); ++i) {
    if (presets[i].name == key)
      return i;
    if (presets[i].name.startsWith(key, Qt::CaseInsensitive))
      found = found == -1 ? i : -2;
  }
  return found;
}

struct Parser {
  CliJob &job;
  QString &error;
  QString sizeName;
  bool widthGiven = false, heightGiven = false;

  bool fail(const QString &message) {
    error = message;
    return false;
  }
  bool number(const QString &opt, const QString &v, double &out) {
    bool ok = false;
    out = v.trimmed().toDouble(&ok);
    return (ok && usableNumber(out)) || fail(QStringLiteral("选项 %1 需要一个数字，而不是“%2”。").arg(opt, v));
  }
  bool integer(const QString &opt, const QString &v, int lo, int hi, int &out) {
    bool ok = false;
    out = v.trimmed().toInt(&ok);
    return (ok && out >= lo && out <= hi) ||
           fail(QStringLiteral("选项 %1 需要 %2 到 %3 之间的整数，而不是“%4”。").arg(opt).arg(lo).arg(hi).arg(v));
  }
  bool pair(const QString &opt, const QString &v, double &a, double &b) {
    QVector<double> n;
    if (!parseNumbers(v, 2, n))
      return fail(QStringLiteral("选项 %1 需要 X,Y 两个数字，而不是“%2”。").arg(opt, v));
    a = n[0];
    b = n[1];
    return true;
  }

  bool option(const QString &opt, const QString &v) {
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
        return fail(QStringLiteral("%1 只接受 br、bl、tl、tr、center、free 或 0-5。").arg(opt));
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

  // The PDF and upload options. Returns false when opt is not one of them;
  // a bad value leaves its message in error.
  bool publishOption(const QString &opt, const QString &v) {
    ProcessingSettings &s = job.settings;
    if (opt == QLatin1String("--pdf-title")) {
      s.pdfTitle = v;
    } else if (opt == QLatin1String("--pdf-signature")) {
      s.pdfSignature = v;
    } else if (opt == QLatin1String("--pdf-date")) {
      s.pdfDate = v;
    } else if (opt == QLatin1String("--upload")) {
      const FtpEndpoint endpoint = parseFtpServer(v);
      if (!endpoint.valid)
        return !fail(QStringLiteral("--upload 需要服务器地址：主机名、主机名:端口，或 ftp://、ftps://、sftp:// 开头的地址，而不是“%1”。").arg(v));
      // Like --ftp-password: other users can read the command line.
      if (!endpoint.password.isEmpty())
        return !fail(QStringLiteral("密码不能写在 --upload 的地址里(其他用户可以看到)，请用 --ftp-user "
                                    "给出用户名，把密码写在文件里并用 --ftp-password-file 给出。"));
      s.upload = true;
      job.upload.ftpServer = v.trimmed();
    } else if (opt == QLatin1String("--ftp-password")) {
      return !fail(QStringLiteral("密码不能写在命令行上(其他用户可以看到)，请把密码写在文件里并用 --ftp-password-file 给出。"));
    } else if (opt == QLatin1String("--ftp-user")) {
      job.upload.ftpUser = v;
    } else if (opt == QLatin1String("--ftp-password-file")) {
      // The password never appears on the command line, where other users
      // could read it: it is the first line of a file.
      QFile file(v);
      if (!file.open(QIODevice::ReadOnly))
        return !fail(QStringLiteral("无法读取密码文件“%1”。").arg(v));
      QByteArray line = file.readLine(4096);
      while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
      job.upload.ftpPassword = QString::fromUtf8(line);
    } else if (opt == QLatin1String("--ftp-root")) {
      job.upload.ftpRootFolder = v;
    } else if (opt == QLatin1String("--web-prefix")) {
      job.upload.webUrlPrefix = v;
    } else {
      return false;
    }
    return true;
  }

  bool applySize() {
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
};

const QStringList flagOptions{QStringLiteral("--strip-metadata"),
                              QStringLiteral("--strip-gps"),
                              QStringLiteral("--keep-gps"),
                              QStringLiteral("--keep-date"),
                              QStringLiteral("-r"),
                              QStringLiteral("--recursive"),
                              QStringLiteral("--flat"),
                              QStringLiteral("--keep-small"),
                              QStringLiteral("--error-log"),
                              QStringLiteral("--quiet"),
                              QStringLiteral("-v"),
                              QStringLiteral("--verbose"),
                              QStringLiteral("--bold"),
                              QStringLiteral("--italic"),
                              QStringLiteral("--underline"),
                              QStringLiteral("-h"),
                              QStringLiteral("--help"),
                              QStringLiteral("--version"),
                              QStringLiteral("--list-presets"),
                              QStringLiteral("--pdf"),
                              QStringLiteral("-0")};

// Options that take a value; anything else starting with "-" is unknown.
const QStringList valueOptions{QStringLiteral("-o"),
                               QStringLiteral("--output"),
                               QStringLiteral("--format"),
                               QStringLiteral("--max-kb"),
                               QStringLiteral("--quality"),
                               QStringLiteral("--size"),
                               QStringLiteral("--width"),
                               QStringLiteral("--height"),
                               QStringLiteral("--fit"),
                               QStringLiteral("--crop-x"),
                               QStringLiteral("--crop-y"),
                               QStringLiteral("--origin"),
                               QStringLiteral("--channels"),
                               QStringLiteral("--matrix"),
                               QStringLiteral("--border"),
                               QStringLiteral("--existing"),
                               QStringLiteral("--rename"),
                               QStringLiteral("--digits"),
                               QStringLiteral("-j"),
                               QStringLiteral("--jobs"),
                               QStringLiteral("--rotate"),
                               QStringLiteral("--effect"),
                               QStringLiteral("--brightness"),
                               QStringLiteral("--watermark"),
                               QStringLiteral("--watermark-anchor"),
                               QStringLiteral("--text-anchor"),
                               QStringLiteral("--watermark-pos"),
                               QStringLiteral("--watermark-scale"),
                               QStringLiteral("--opacity"),
                               QStringLiteral("--text"),
                               QStringLiteral("--text-pos"),
                               QStringLiteral("--font"),
                               QStringLiteral("--font-size"),
                               QStringLiteral("--color"),
                               QStringLiteral("--pdf-title"),
                               QStringLiteral("--pdf-signature"),
                               QStringLiteral("--pdf-date"),
                               QStringLiteral("--upload"),
                               QStringLiteral("--ftp-password"),
                               QStringLiteral("--ftp-user"),
                               QStringLiteral("--ftp-password-file"),
                               QStringLiteral("--ftp-root"),
                               QStringLiteral("--web-prefix"),
                               QStringLiteral("--job"),
                               QStringLiteral("--files-from"),
                               QStringLiteral("--shard"),
                               QStringLiteral("--finish")};

} // namespace

bool parseCommandLine(const QStringList &args, CliJob &job, QString &error) {
  job.settings.outputFolder = defaultOutputFolder();
  Parser parser{job, error, QString(), false, false};

  // A job file goes first so that every command-line option overrides it.
  // Both "--job FILE" and "--job=FILE".
  for (int i = 0; i < args.size() && args[i] != QLatin1String("--"); ++i) {
    QString jobPath;
    if (args[i] == QLatin1String("--job") && i + 1 < args.size())
      jobPath = args[++i];
    else if (args[i].startsWith(QLatin1String("--job=")))
      jobPath = args[i].mid(6);
    else
      continue;
    bool readable = false;
    QStringList unknown;
    QString problem;
    const QStringList bad = loadJobFile(jobPath, job.settings, &readable, &unknown, &problem);
    if (!readable)
      return parser.fail(QStringLiteral("%1：“%2”。").arg(problem, jobPath));
    if (!unknown.isEmpty())
      job.warnings
          << QStringLiteral("任务文件“%1”中有未知的键，已忽略：%2").arg(jobPath, unknown.join(QLatin1Char(' ')));
    if (!bad.isEmpty())
      job.warnings
          << QStringLiteral("任务文件“%1”中这些键的值无法识别，已跳过：%2").arg(jobPath, bad.join(QLatin1Char(' ')));
  }

  bool optionsEnded = false;
  for (int i = 0; i < args.size(); ++i) {
    QString arg = args[i];
    if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
      job.inputs << arg;
      continue;
    }
    if (arg == QLatin1String("--")) {
      optionsEnded = true;
      continue;
    }
    QString value;
    bool hasValue = false;
    const int eq = arg.indexOf(QLatin1Char('='));
    if (arg.startsWith(QLatin1String("--")) && eq > 0) {
      value = arg.mid(eq + 1);
      arg = arg.left(eq);
      hasValue = true;
    } else if ((arg.startsWith(QLatin1String("-j")) || arg.startsWith(QLatin1String("-o"))) && arg.size() > 2) {
      value = arg.mid(2); // -j2, -oOUT
      arg = arg.left(2);
      hasValue = true;
    }
    if (!isRunOnlyOption(arg))
      job.jobOptionsGiven = true;
    if (flagOptions.contains(arg)) {
      if (arg == QLatin1String("-0"))
        job.nulSeparated = true;
      else if (arg == QLatin1String("-r") || arg == QLatin1String("--recursive"))
        job.recursive = true;
      else if (arg == QLatin1String("--strip-metadata"))
        job.settings.keepMetadata = false;
      else if (arg == QLatin1String("--strip-gps"))
        job.settings.stripGps = true;
      else if (arg == QLatin1String("--keep-gps"))
        job.settings.keepGps = true;
      else if (arg == QLatin1String("--flat"))
        job.flat = true;
      else if (arg == QLatin1String("-v") || arg == QLatin1String("--verbose"))
        job.verbose = true;
      else if (arg == QLatin1String("--version"))
        job.showVersion = true;
      else if (arg == QLatin1String("--list-presets"))
        job.listPresets = true;
      else if (arg == QLatin1String("--keep-date"))
        job.settings.keepFileDate = true;
      else if (arg == QLatin1String("--keep-small"))
        job.settings.keepSmall = true;
      else if (arg == QLatin1String("--error-log"))
        job.settings.saveErrorLog = true;
      else if (arg == QLatin1String("--quiet"))
        job.quiet = true;
      else if (arg == QLatin1String("--bold"))
        job.settings.bold = true;
      else if (arg == QLatin1String("--italic"))
        job.settings.italic = true;
      else if (arg == QLatin1String("--underline"))
        job.settings.underline = true;
      else if (arg == QLatin1String("--pdf"))
        job.settings.makePdf = true;
      else
        job.showHelp = true;
      continue;
    }
    if (!valueOptions.contains(arg))
      return parser.fail(QStringLiteral("未知的选项“%1”。用 --help 查看全部选项。").arg(arg));
    if (!hasValue) {
      if (i + 1 >= args.size())
        return parser.fail(QStringLiteral("选项 %1 缺少参数。").arg(arg));
      value = args[++i];
    }
    if (arg == QLatin1String("--job"))
      continue; // read above
    if (!parser.option(arg, value))
      return false;
  }
  if (job.showHelp || job.showVersion || job.listPresets)
    return true;
  if (!parser.applySize())
    return false;
  if (!job.filesFrom.isEmpty() && !readListFile(job.filesFrom, job.nulSeparated, job.inputs, error))
    return false;
  if (job.inputs.isEmpty() && job.finishFolder.isEmpty())
    return parser.fail(QStringLiteral("没有指定要处理的图片或文件夹。"));
  if (!job.finishFolder.isEmpty() && job.shard.active())
    return parser.fail(QStringLiteral("--finish 在所有分片结束后单独运行，不能和 --shard 一起使用。"));
  return true;
}

QString presetListText() {
  const QVector<SizePreset> presets = loadSizePresets(programDataDir() + QStringLiteral("/size.ini"));
  if (presets.isEmpty())
    return QStringLiteral("size.ini 中没有尺寸预设。\n");
  QString text;
  for (int i = 0; i < presets.size(); ++i)
    text += QStringLiteral("%1\t%2 × %3\t%4\n").arg(i + 1).arg(presets[i].width, presets[i].height, presets[i].name);
  return text;
}

QString helpText() {
  return QStringLiteral(R"(用法: kuvo-batch [选项] 图片或文件夹...

把图片按同一任务批量处理：缩放、裁剪、旋转、特效、边框、水印、改名并保存。

输入:
  图片或文件夹          图片文件(jpg/bmp/gif/png/tiff/webp)；文件夹中的图片按名称顺序处理
  Word文档              .docx/.doc 文档中的图片按文档顺序处理(.doc 需要安装 LibreOffice)
  -r, --recursive       同时处理子文件夹中的图片，输出文件夹中保留同样的子文件夹结构
  --flat                与 -r 同用：所有输出都直接放进输出文件夹(同名的会互相覆盖)
  --job 文件            从任务文件(INI，[Options] 段，键名同设置)读取设置；命令行选项优先

尺寸:
  --size 方式           width(限制宽度) | border(适应边框) | original(原始尺寸)
                        | custom(自定义尺寸) | size.ini 中预设的编号或名称(名称的开头即可)
                        默认 width
  --list-presets        列出 size.ini 中的预设及其编号
  --width N             宽度(像素)，默认 800
  --height N            高度(像素)；不指定 --size 时表示自定义尺寸，默认 600
  --fit crop|pad        比例不同时裁剪(crop，默认)或扩展画布(pad)
  --crop-x left|center|right    横向裁剪保留的部分，默认 center
  --crop-y top|center|bottom    纵向裁剪保留的部分，默认 top
  --keep-small          小图片不放大(保持原有尺寸)
  --origin X,Y          图片在画布上的起点(像素)
  --channels R,G,B      红、绿、蓝通道系数，默认 1,1,1
  --matrix 25个数字     5×5 颜色矩阵，按行排列，逗号分隔

旋转和特效:
  --rotate 方式         none | auto(按照片方向自动旋转) | cw(顺转90度) | ccw(逆转90度)
                        | 180 | flip-rows(水平镜像) | flip-columns(垂直镜像)
  --effect 特效         none | beautify(一键美容) | sharpen(棱角分明) | warm(暖黄记忆)
                        | purple(华贵绛紫) | sepia(棕褐怀旧) | night(夜色朦胧) | old(陈旧往事)
                        | scanlines(扫描线) | emboss(浮雕) | grey(灰度) | mono(黑白)
                        | negative(底片)，或编号 0-11
  --brightness N        调整亮度，-75 到 75

边框和水印:
  --border 文件         边框图片(PNG，透明部分显示原图)
  --watermark 文件      图片水印
  --watermark-anchor A  br(右下，默认) | bl(左下) | tl(左上) | tr(右上) | center(居中)
                        | free(自定义) 或 0-5
  --watermark-pos X,Y   自定义位置：水印中心占图片宽、高的比例
  --watermark-scale F   水印缩放倍数，默认 1
  --opacity PCT         水印不透明度 0-100，默认 80
  --text 文字           文字水印；可用 #当前日期# #当前时间# #JPG照片拍摄时间# #图片原文件名#
  --text-anchor A       文字位置，取值同 --watermark-anchor
  --text-pos X,Y        自定义位置：文字左上角占图片宽、高的比例
  --font 名称           字体，默认 宋体
  --font-size PT        字号(磅)，默认 9
  --color #RRGGBB       文字颜色，默认 #000000
  --bold  --italic  --underline   粗体、斜体、下划线

输出:
  -o, --output 文件夹   输出文件夹(不存在时自动创建)，默认为程序目录下的 zp
  --format 格式         original(原格式) | jpg | png | tiff | bmp | webp，默认 jpg
  --quality N           JPG(和 WebP)质量 0-100，默认 100
  --max-kb N            限制 JPG 文件大小(KB)：自动选取放得下的最高质量；0 为不限制
  --strip-metadata      不保留照片信息(EXIF、XMP、IPTC、颜色配置文件)
  --strip-gps           保留照片信息，但去除 GPS 位置信息
  --keep-gps            上传时保留 GPS 位置信息(上传的图片是公开的，默认去除其 GPS 位置)
  --keep-date           输出文件的修改时间与原图片相同
  --existing 方式       输出文件已存在时：overwrite(覆盖，默认) | skip(跳过) | rename(自动改名为 名称_2.扩展名 …)
                        无论哪种方式，原图片本身都不会被覆盖
  --rename 前缀         改名：前缀 + 顺序号(从 0 开始)
  --digits N            顺序号位数，默认 4
  --error-log           有错误时在输出文件夹写入 ErrorLog.txt

PDF 图片集:
  --pdf                 把保存的图片制作成 PDF 图片集(输出文件夹中的“标题.pdf”)
  --pdf-title 文字      标题，默认 Kuvo图片集
  --pdf-signature 文字  签名，默认 本图片集由Kuvo图片批处理软件制作
  --pdf-date 文字       日期，默认为当天(yyyy年mm月dd日)

上传:
  --upload 服务器       上传每张保存的图片：主机名(端口 21)、主机名:端口，
                        或 ftp://、ftps://、sftp:// 开头的地址；输出文件夹中写入 PicURL.htm
  --ftp-user 用户名     FTP 用户名
  --ftp-password-file 文件   从文件第一行读取 FTP 密码(密码不在命令行上给出)
  --ftp-root 文件夹     服务器上的目标文件夹
  --web-prefix 地址     上传的图片在网上的地址前缀，如 http://example.org/pics

集群(每个进程处理列表的一部分，最后合并):
  --files-from 文件     从文件读取图片和文件夹列表，每行一个；- 为标准输入
  -0                    列表以 NUL 字符分隔(配合 find -print0)
  --shard K/N           只处理序号 i 满足 i mod N = K 的图片，在输出文件夹写入
                        kuvo-results-K-of-N.jsonl；slurm：取 Slurm 任务数组的序号和数量；
                        k8s/N：取 Kubernetes 的 JOB_COMPLETION_INDEX
  --finish 文件夹       所有分片结束后合并结果：写入 ErrorLog.txt、PDF 和 PicURL.htm，
                        与一次处理全部图片的结果相同

运行:
  -j, --jobs N          同时处理的图片数，默认为处理器核心数
  --quiet               不显示进度和汇总
  -v, --verbose         每处理完一张图片输出一行：原图片 → 输出文件，或错误原因
  -h, --help            显示本帮助
  --version             显示版本

按 Ctrl-C 停止：不再开始新的图片，正在处理的图片保存完毕后结束(PDF、链接页、错误记录照常生成)；
再按一次 Ctrl-C 立即退出，不会留下写了一半的文件。

退出码: 0 全部成功；1 有错误(图片处理、保存、水印、边框、上传、PDF 或链接页，错误写到标准错误输出)；
        2 命令行用法错误，或 --finish 无法合并分片结果；130 被 Ctrl-C 停止。
)");
}

} // namespace kuvo::cli
