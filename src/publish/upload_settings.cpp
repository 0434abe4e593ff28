#include "publish/upload_settings.h"

#include <QRegularExpression>
#include <QSettings>
#include <QUrl>

namespace kuvo {

bool UploadSettings::serverSet() const {
  const QString s = ftpServer.trimmed();
  return !s.isEmpty() && s.compare(QLatin1String("ftp://"), Qt::CaseInsensitive) != 0;
}

QString FtpEndpoint::baseUrl() const {
  const QString h = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
  return (explicitTls() ? QStringLiteral("ftp") : scheme) + QStringLiteral("://") + h + QLatin1Char(':') +
         QString::number(port) + QLatin1Char('/');
}

namespace {

int defaultPort(const QString &scheme) {
  if (scheme == QLatin1String("sftp"))
    return 22;
  return 21;
}

// Host names and addresses only: letters, digits, "-", "." and "_", or an
// IPv6 address. Anything else (spaces, "@", "/") is a typing error that would
// otherwise end up inside the transfer URL.
bool plausibleHost(const QString &host) {
  static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9._-]+$"));
  static const QRegularExpression v6(QStringLiteral("^[0-9A-Fa-f:.]+$"));
  return !host.isEmpty() &&
         (name.match(host).hasMatch() || (host.contains(QLatin1Char(':')) && v6.match(host).hasMatch()));
}

} // namespace

FtpEndpoint parseFtpServer(const QString &server) {
  FtpEndpoint e;
  QString text = server.trimmed();
  if (text.isEmpty())
    return e;
  const int sep = text.indexOf(QStringLiteral("://"));
  if (sep < 0) {
    // Plain "host", "host:port" or "[v6]:port".
    e.scheme = QStringLiteral("ftp");
    QString host = text;
    QString port;
    if (host.startsWith(QLatin1Char('['))) {
      const int close = host.indexOf(QLatin1Char(']'));
      if (close < 0)
        return e;
      const QString rest = host.mid(close + 1);
      host = host.mid(1, close - 1);
      if (!rest.isEmpty()) {
        if (!rest.startsWith(QLatin1Char(':')))
          return e;
        port = rest.mid(1);
      }
    } else if (host.count(QLatin1Char(':')) == 1) {
      port = host.section(QLatin1Char(':'), 1);
      host = host.section(QLatin1Char(':'), 0, 0);
    }
    if (host.endsWith(QLatin1Char('/')))
      host.chop(1);
    e.host = host;
    e.port = 21;
    if (!port.isEmpty()) {
      bool ok = false;
      e.port = port.toInt(&ok);
      if (!ok)
        return e;
    }
  } else {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
      return e;
    e.scheme = url.scheme().toLower();
    if (e.scheme != QLatin1String("ftp") && e.scheme != QLatin1String("ftps") && e.scheme != QLatin1String("sftp"))
      return e;
    e.host = url.host();
    e.port = url.port(defaultPort(e.scheme));
    e.user = url.userName();
    e.password = url.password();
    e.path = url.path();
    while (e.path.startsWith(QLatin1Char('/')))
      e.path.remove(0, 1);
    while (e.path.endsWith(QLatin1Char('/')))
      e.path.chop(1);
  }
  e.valid = plausibleHost(e.host) && e.port > 0 && e.port < 65536;
  return e;
}

bool moveServerCredentials(UploadSettings &s) {
  const QString text = s.ftpServer.trimmed();
  const int sep = text.indexOf(QStringLiteral("://"));
  // Only a URL carries credentials; "user@host" without a scheme is no
  // server text the upload accepts.
  if (sep < 0)
    return false;
  QUrl url(text, QUrl::StrictMode);
  if (!url.isValid() || (url.userName().isEmpty() && url.password().isEmpty()))
    return false;
  if (s.ftpUser.isEmpty())
    s.ftpUser = url.userName();
  if (s.ftpPassword.isEmpty())
    s.ftpPassword = url.password();
  url.setUserInfo(QString());
  s.ftpServer = url.toString();
  return true;
}

void loadUploadSettings(QSettings &store, UploadSettings &s) {
  s.ftpServer = store.value(UploadServerKey, s.ftpServer).toString();
  s.ftpUser = store.value(UploadUserKey, s.ftpUser).toString();
  s.ftpRootFolder = store.value(UploadRootKey, s.ftpRootFolder).toString();
  s.webUrlPrefix = store.value(UploadWebPrefixKey, s.webUrlPrefix).toString();
  if (moveServerCredentials(s)) {
    store.setValue(UploadServerKey, s.ftpServer);
    store.setValue(UploadUserKey, s.ftpUser);
  }
}

void saveUploadSettings(QSettings &store, const UploadSettings &settings) {
  UploadSettings s = settings;
  moveServerCredentials(s);
  store.setValue(UploadServerKey, s.ftpServer);
  store.setValue(UploadUserKey, s.ftpUser);
  store.setValue(UploadRootKey, s.ftpRootFolder);
  store.setValue(UploadWebPrefixKey, s.webUrlPrefix);
}

} // namespace kuvo
