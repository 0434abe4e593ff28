#include "platform/wallpaper_backends.h"

#include "platform/desktop_tool.h"
#include "platform/wallpaper.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace kuvo::wallpaper {

namespace {

const QString Gsettings = QStringLiteral("gsettings");

// gsettings prints a string value as GVariant text: 'value', or "value"
// when it holds a single quote, with backslash escapes.
QString unquoteGVariant(QString text) {
  text = text.trimmed();
  if (text.size() >= 2 && (text.front() == QLatin1Char('\'') || text.front() == QLatin1Char('"')) &&
      text.back() == text.front()) {
    const QString inner = text.mid(1, text.size() - 2);
    QString out;
    for (qsizetype i = 0; i < inner.size(); ++i) {
      if (inner[i] == QLatin1Char('\\') && i + 1 < inner.size())
        ++i;
      out += inner[i];
    }
    return out;
  }
  return text;
}

struct GsettingsKeys {
  QString schema;
  QString pictureKey; // takes a file URI, or a plain path when pictureIsPath
  bool pictureIsPath = false;
  QString optionKey;
  QString darkKey; // optional: GNOME 42's picture for the dark style
};

QString setThroughGsettings(const GsettingsKeys &keys, const QString &path, int style) {
  if (!toolExists(Gsettings))
    return QStringLiteral("找不到程序 gsettings（软件包 libglib2.0-bin）");
  const QString picture = keys.pictureIsPath ? path : QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
  const QString option = gnomePictureOption(style);
  const QList<QPair<QString, QString>> values = {{keys.optionKey, option}, {keys.pictureKey, picture}};
  QString warning;
  for (const auto &[key, value] : values) {
    const ToolRun run = runTool(Gsettings, {QStringLiteral("set"), keys.schema, key, value});
    if (!run.ok()) {
      if (QString::fromLocal8Bit(run.err).contains(QStringLiteral("No such schema")))
        return QStringLiteral("桌面的设置模式 %1 没有安装").arg(keys.schema);
      return run.failure(Gsettings);
    }
    // Under dconf without a session bus gsettings says "failed to commit"
    // and still exits 0: kept to explain a read-back that did not change.
    if (warning.isEmpty())
      warning = run.errorLine();
  }
  if (!keys.darkKey.isEmpty())
    runTool(Gsettings, {QStringLiteral("set"), keys.schema, keys.darkKey, picture}); // older schemas lack it
  for (const auto &[key, value] : values) {
    const ToolRun run = runTool(Gsettings, {QStringLiteral("get"), keys.schema, key});
    const QString now = unquoteGVariant(QString::fromUtf8(run.out));
    if (!run.ok() || now != value) {
      QString reason = QStringLiteral("gsettings 没有报错，但读回的 %1 %2 不是新值").arg(keys.schema, key);
      if (!warning.isEmpty())
        reason += QStringLiteral("（%1）").arg(warning);
      return reason;
    }
  }
  return QString();
}

} // namespace

QString setGnome(const QString &path, int style) {
  return setThroughGsettings({QStringLiteral("org.gnome.desktop.background"), QStringLiteral("picture-uri"), false,
                              QStringLiteral("picture-options"), QStringLiteral("picture-uri-dark")},
                             path, style);
}

QString setMate(const QString &path, int style) {
  return setThroughGsettings({QStringLiteral("org.mate.background"), QStringLiteral("picture-filename"), true,
                              QStringLiteral("picture-options"), QString()},
                             path, style);
}

QString setCinnamon(const QString &path, int style) {
  return setThroughGsettings({QStringLiteral("org.cinnamon.desktop.background"), QStringLiteral("picture-uri"),
                              false, QStringLiteral("picture-options"), QString()},
                             path, style);
}

// Xfce keeps one picture per monitor and workspace: every last-image property
// gets the file and its image-style sibling the style (1 centred, 2 tiled,
// 3 stretched). A desktop that never had a picture gets the first monitor's.
QString setXfce(const QString &path, int style) {
  const QString tool = QStringLiteral("xfconf-query");
  const QString channel = QStringLiteral("xfce4-desktop");
  const ToolRun listing = runTool(tool, {QStringLiteral("-c"), channel, QStringLiteral("-l")});
  if (!listing.ok())
    return listing.failure(tool);
  QStringList props;
  const QStringList lines = QString::fromUtf8(listing.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  for (const QString &line : lines)
    if (line.trimmed().endsWith(QStringLiteral("/last-image")))
      props.append(line.trimmed());
  const bool fresh = props.isEmpty();
  if (fresh)
    props.append(QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image"));
  const QString xfStyle = QString::number(style == 0 ? 2 : style == 2 ? 1 : 3);
  for (const QString &prop : props) {
    const QString base = prop.left(prop.size() - qsizetype(qstrlen("/last-image")));
    QStringList setImage = {QStringLiteral("-c"), channel, QStringLiteral("-p"), prop};
    QStringList setStyle = {QStringLiteral("-c"), channel, QStringLiteral("-p"), base + QStringLiteral("/image-style")};
    if (fresh) {
      setImage << QStringLiteral("-n") << QStringLiteral("-t") << QStringLiteral("string");
      setStyle << QStringLiteral("-n") << QStringLiteral("-t") << QStringLiteral("int");
    }
    const ToolRun run = runTool(tool, setImage << QStringLiteral("-s") << path);
    if (!run.ok())
      return run.failure(tool);
    runTool(tool, setStyle << QStringLiteral("-s") << xfStyle);
    const ToolRun back = runTool(tool, {QStringLiteral("-c"), channel, QStringLiteral("-p"), prop});
    if (!back.ok() || QString::fromUtf8(back.out).trimmed() != path)
      return QStringLiteral("xfconf-query 没有报错，但读回的 %1 不是新图片").arg(prop);
  }
  return QString();
}

// Plasma's wallpaper plug-in: FillMode 0 stretches, 3 tiles, 6 centres. The
// same scripting call reads every desktop's Image back.
QString setKde(const QString &path, int style) {
  const QString url = QUrl::fromLocalFile(path).toString();
  QString quoted = url;
  quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
  const int fill = style == 0 ? 3 : style == 2 ? 6 : 0;
  const QString group = QStringLiteral(" d.currentConfigGroup = Array(\"Wallpaper\", \"org.kde.image\", \"General\");");
  const QString write = QStringLiteral("var ds = desktops(); for (var i = 0; i < ds.length; i++) { var d = ds[i];"
                                       " d.wallpaperPlugin = \"org.kde.image\";") +
                        group +
                        QStringLiteral(" d.writeConfig(\"Image\", \"%1\"); d.writeConfig(\"FillMode\", %2); }")
                            .arg(quoted)
                            .arg(fill);
  const QString read = QStringLiteral("var ds = desktops(); for (var i = 0; i < ds.length; i++) { var d = ds[i];") +
                       group + QStringLiteral(" print(d.readConfig(\"Image\") + \"\\n\"); }");
  const QString tool = QStringLiteral("dbus-send");
  auto evaluate = [&](const QString &script) {
    return runTool(tool, {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                          QStringLiteral("--dest=org.kde.plasmashell"), QStringLiteral("--type=method_call"),
                          QStringLiteral("/PlasmaShell"), QStringLiteral("org.kde.PlasmaShell.evaluateScript"),
                          QStringLiteral("string:") + script});
  };
  const ToolRun run = evaluate(write);
  if (run.ok()) {
    const ToolRun back = evaluate(read);
    if (back.ok() && QString::fromUtf8(back.out).contains(url))
      return QString();
    return QStringLiteral("Plasma 桌面接受了壁纸，但读回的图片不是新图片");
  }
  const QString apply = QStringLiteral("plasma-apply-wallpaperimage");
  if (toolExists(apply)) {
    const ToolRun applied = runTool(apply, {path});
    return applied.ok() ? QString() : applied.failure(apply);
  }
  return QStringLiteral("无法通过 D-Bus 联系 Plasma 桌面（%1）").arg(run.failure(tool));
}

// pcmanfm-qt keeps the desktop's picture in its profile's settings file; an
// LXQt session runs the "lxqt" profile, a bare pcmanfm-qt "default".
QString setLxqt(const QString &path, int style) {
  const QString tool = QStringLiteral("pcmanfm-qt");
  const QString mode = style == 0 ? QStringLiteral("tile") : style == 2 ? QStringLiteral("center")
                                                                        : QStringLiteral("stretch");
  const ToolRun run = runTool(tool, {QStringLiteral("--set-wallpaper=") + path, QStringLiteral("--wallpaper-mode=") + mode});
  if (!run.ok())
    return run.failure(tool);
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  for (const QString &profile : {QStringLiteral("lxqt"), QStringLiteral("default")}) {
    const QString file = config + QStringLiteral("/pcmanfm-qt/") + profile + QStringLiteral("/settings.conf");
    if (QSettings(file, QSettings::IniFormat).value(QStringLiteral("Desktop/Wallpaper")).toString() == path)
      return QString();
  }
  return QStringLiteral("pcmanfm-qt 没有报错，但它的设置文件里没有新图片");
}

// feh records what it drew in ~/.fehbg, which is read back; xwallpaper keeps
// nothing, so its exit status is all there is.
QString setRootWindow(const QString &path, int style) {
  if (toolExists(QStringLiteral("feh"))) {
    const QString option = style == 0 ? QStringLiteral("--bg-tile") : style == 2 ? QStringLiteral("--bg-center")
                                                                                 : QStringLiteral("--bg-scale");
    const ToolRun run = runTool(QStringLiteral("feh"), {option, path});
    if (!run.ok())
      return run.failure(QStringLiteral("feh"));
    QFile fehbg(QDir::homePath() + QStringLiteral("/.fehbg"));
    if (fehbg.open(QIODevice::ReadOnly) && QString::fromLocal8Bit(fehbg.readAll()).contains(path))
      return QString();
    return QStringLiteral("feh 没有报错，但 ~/.fehbg 里没有新图片");
  }
  if (toolExists(QStringLiteral("xwallpaper"))) {
    const QString option = style == 0 ? QStringLiteral("--tile") : style == 2 ? QStringLiteral("--center")
                                                                              : QStringLiteral("--stretch");
    const ToolRun run = runTool(QStringLiteral("xwallpaper"), {option, path});
    return run.ok() ? QString() : run.failure(QStringLiteral("xwallpaper"));
  }
  return QStringLiteral("没有识别出桌面环境，也没有找到 feh 或 xwallpaper");
}

} // namespace kuvo::wallpaper
