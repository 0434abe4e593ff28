#include "app/chinese_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace kuvo {

bool installChineseQtTexts(QCoreApplication &app) {
  // The interface is Chinese whatever the system's language, so the
  // catalogue is chosen by name, not by the user's locale.
  const QString name = QStringLiteral("qtbase_zh_CN");
  const QStringList folders{QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
  auto *translator = new QTranslator(&app);
  for (const QString &folder : folders) {
    if (translator->load(name, folder) && QCoreApplication::installTranslator(translator))
      return true;
  }
  delete translator;
  return false;
}

} // namespace kuvo
