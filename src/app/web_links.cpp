#include "app/web_links.h"

#include "platform/program_paths.h"

#include <QDesktopServices>
#include <QSettings>

namespace kuvo {

namespace {
QUrl &newsOverride() {
  static QUrl url;
  return url;
}

struct Links {
  QString address[4];
};

Links readLinks(const QString &path) {
  Links links;
  QSettings file(path, QSettings::IniFormat);
  file.beginGroup(QStringLiteral("Links"));
  const char *keys[] = {"HomePage", "Forum", "Download", "NewsPage"};
  for (int i = 0; i < 4; ++i)
    links.address[i] = file.value(QLatin1String(keys[i])).toString().trimmed();
  return links;
}

Links &links() {
  static Links loaded = readLinks(programDataDir() + QStringLiteral("/links.ini"));
  return loaded;
}
} // namespace

QString linkAddress(WebLink link) {
  return links().address[int(link)];
}

void reloadLinks(const QString &path) {
  links() = readLinks(path.isEmpty() ? programDataDir() + QStringLiteral("/links.ini") : path);
}

QUrl newsPageUrl() {
  if (!newsOverride().isEmpty())
    return newsOverride();
  const QString address = linkAddress(WebLink::NewsPage);
  return address.isEmpty() ? QUrl() : QUrl(address);
}

void setNewsPageUrl(const QUrl &url) {
  newsOverride() = url;
}

bool OpenPage(const QString &address) {
  const QUrl url(address);
  return !address.isEmpty() && url.isValid() && QDesktopServices::openUrl(url);
}

QString openPageFailedText(const QString &address) {
  if (address.isEmpty())
    return QStringLiteral("【操作错误】未设置该网页的地址(links.ini)。");
  return QStringLiteral("【操作错误】无法打开网页:") + address + QStringLiteral(",请检查是否已安装网页浏览器。");
}

} // namespace kuvo
