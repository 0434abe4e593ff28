#include "publish/link_page.h"

#include "platform/program_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kuvo {

QString linkPageHeader() {
  return QStringLiteral(
      "<font color=red>【Kuvo网络图片使用指南】<br>下面这些图片已经传输到了网络空间。复制您需要的图片,"
      "直接粘贴到网站的编辑框里即可使用。<br>如果网站不支持直接粘贴,请选择插入图片,选择对应的图片地址即可。"
      "</font><br><hr><br>");
}

QString linkPageText(const ProcessingSettings &settings, const QStringList &urlsByIndex) {
  const QString crlf = QStringLiteral("\r\n");
  QString text = linkPageHeader() + crlf;
  for (int i = 0; i < urlsByIndex.size(); ++i) {
    const QString &url = urlsByIndex[i];
    if (url.isEmpty())
      continue;
    // Addresses carry no spaces, quotes or angle brackets (they are
    // percent-encoded); "&" still becomes "&amp;" in HTML.
    const QString u = url.toHtmlEscaped();
    if (settings.linkPageShowPicture)
      text += QStringLiteral("<br><img src=") + u + QStringLiteral("></img><br>") + crlf;
    if (settings.linkPageShowUrl)
      text += QStringLiteral("【图片地址】 <font color=blue>") + u + QStringLiteral("</font><br>") + crlf;
    const QString caption = settings.description(i);
    if (!caption.isEmpty())
      text += QStringLiteral("<font color=black>") + caption.toHtmlEscaped() + QStringLiteral("</font><br><br>") + crlf;
  }
  return text;
}

bool funCreateHtm(const ProcessingSettings &settings, const QStringList &urlsByIndex, const QString &historyPath,
                  QString *pagePath, QString *error) {
  const QString path = QDir(settings.outputFolder).filePath(LinkPageName);
  QSaveFile page(path);
  if (page.open(QIODevice::WriteOnly)) {
    page.write("\xEF\xBB\xBF");
    page.write(linkPageText(settings, urlsByIndex).toUtf8());
  }
  if (!page.isOpen() || !page.commit()) {
    if (error)
      *error = QStringLiteral("无法写入文件(%1)").arg(page.errorString());
    return false;
  }
  if (pagePath)
    *pagePath = path;

  QString history;
  for (const QString &url : urlsByIndex)
    if (!url.isEmpty())
      history += url + QStringLiteral("\r\n");
  if (!history.isEmpty()) {
    QDir().mkpath(QFileInfo(historyPath).absolutePath());
    QFile file(historyPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
      file.write(history.toUtf8());
  }
  return true;
}

QString defaultUploadHistoryPath() {
  return QDir(scratchFolder()).filePath(UploadHistoryName);
}

} // namespace kuvo
