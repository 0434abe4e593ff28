#include "app/web_links.h"

#include <QDesktopServices>

namespace kuvo {

namespace {
QUrl &newsOverride() {
  static QUrl url;
  return url;
}
} // namespace

QUrl newsPageUrl() {
  return newsOverride().isEmpty() ? QUrl(NewsPageAddress) : newsOverride();
}

void setNewsPageUrl(const QUrl &url) {
  newsOverride() = url;
}

void OpenPage(const QString &address) {
  QDesktopServices::openUrl(QUrl(address));
}

} // namespace kuvo
