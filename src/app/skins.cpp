#include "app/skins.h"

#include "platform/program_paths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kuvo {

namespace {
struct Skin {
  const char *caption;
  const char *file;
};
const Skin Skins[SkinCount] = {{"浅蓝(默认)", "浅蓝(默认).she"},
                               {"清新绿", "清新绿.she"},
                               {"Aero皮肤", "Aero皮肤.she"},
                               {"经典黑皮肤", "经典黑皮肤.she"}};
} // namespace

QString skinCaption(int index) {
  return index >= 0 && index < SkinCount ? QString::fromUtf8(Skins[index].caption) : QStringLiteral("其他皮肤...");
}

QString skinFileName(int index) {
  return index >= 0 && index < SkinCount ? QString::fromUtf8(Skins[index].file) : QString();
}

QString skinFolder() {
  return programDataDir() + QStringLiteral("/skin");
}

QString shippedSkinPath(int index) {
  return skinFolder() + QLatin1Char('/') + skinFileName(index);
}

QString defaultSkinPath() {
  return shippedSkinPath(0);
}

int skinIndexOf(const QString &path) {
  const QFileInfo info(path);
  if (QDir::cleanPath(info.absolutePath()) != QDir::cleanPath(skinFolder()))
    return -1;
  for (int i = 0; i < SkinCount; ++i)
    if (info.fileName() == skinFileName(i))
      return i;
  return -1;
}

bool applySkin(const QString &path) {
  auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
  if (!app)
    return false;
  QFile file(path);
  if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
    app->setStyleSheet(QString());
    return false;
  }
  // Images of a skin are named relative to its own folder.
  QString sheet = QString::fromUtf8(file.readAll());
  sheet.replace(QLatin1String("%SKINDIR%"), QFileInfo(path).absolutePath());
  app->setStyleSheet(sheet);
  return true;
}

} // namespace kuvo
