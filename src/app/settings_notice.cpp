#include "app/settings_notice.h"

#include "app/window_rules.h"

#include <QDir>
#include <QMessageBox>

namespace kuvo {

bool tellBrokenSettings(QWidget *parent, const QString &keptAs) {
  static bool told = false;
  if (told || keptAs.isEmpty())
    return false;
  told = true;
  QMessageBox::warning(parent, AppTitle,
                       QStringLiteral("设置文件无法读取,已改名保存为:\n%1\n\n本次使用默认设置启动,关闭软件时将写入新的设置文件。")
                           .arg(QDir::toNativeSeparators(keptAs)));
  return true;
}

} // namespace kuvo
