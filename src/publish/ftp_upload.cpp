#include "publish/ftp_upload.h"

#include "publish/output_time.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>
#include <curl/curl.h>

namespace kuvo {

QString uploadErrorEntry(const QString &localPath, int code, const QString &reason, const QString &detail) {
  QString text = localPath + QStringLiteral("在传输文件时发生错误:(错误代码:%1)").arg(code) + reason;
  QString curlText = detail.trimmed();
  while (curlText.endsWith(QLatin1Char('.')))
    curlText.chop(1);
  if (!curlText.isEmpty())
    text += QLatin1Char('(') + curlText + QLatin1Char(')');
  return text + QStringLiteral("。\r\n");
}

QString remoteNameStamp(const QDateTime &when) {
  return when.toString(QStringLiteral("yyMMddHHmmss_"));
}

QString publicUrl(const QString &webUrlPrefix, const QString &remoteName) {
  QString prefix = webUrlPrefix.trimmed();
  while (prefix.endsWith(QLatin1Char('/')) && !prefix.endsWith(QLatin1String("://")))
    prefix.chop(1);
  // Keep what the user typed, but encode spaces, quotes and non-ASCII so the
  // address can stand unquoted in the link page.
  const QUrl url(prefix, QUrl::TolerantMode);
  const QString encodedPrefix = url.isValid() && !url.host().isEmpty() ? QString::fromLatin1(url.toEncoded()) : prefix;
  return encodedPrefix + QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(remoteName));
}

namespace {

void initCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlHandle {
  CURL *curl = curl_easy_init();
  curl_slist *quote = nullptr;
  ~CurlHandle() {
    if (quote)
      curl_slist_free_all(quote);
    if (curl)
      curl_easy_cleanup(curl);
  }
  void addQuote(const QString &command) { quote = curl_slist_append(quote, command.toUtf8().constData()); }
};

size_t readFromFile(char *buffer, size_t size, size_t count, void *userData) {
  auto *file = static_cast<QFile *>(userData);
  const qint64 n = file->read(buffer, static_cast<qint64>(size * count));
  return n < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(n);
}

QStringList splitFolder(const QString &folder) {
  QStringList parts;
  for (const QString &p : folder.split(QRegularExpression(QStringLiteral("[/\\\\]")), Qt::SkipEmptyParts))
    if (p != QLatin1String("."))
      parts << p;
  return parts;
}

// The folder path below the login folder, as URL path segments and as a
// plain path for the rename commands.
struct RemotePlace {
  QString urlPath;   // "a/b/" percent-encoded, or empty
  QString plainPath; // "a/b/", or empty
};

RemotePlace remotePlace(const FtpEndpoint &endpoint, const QString &rootFolder) {
  RemotePlace place;
  const QStringList parts = splitFolder(endpoint.path) + splitFolder(rootFolder);
  for (const QString &p : parts) {
    place.urlPath += QString::fromLatin1(QUrl::toPercentEncoding(p)) + QLatin1Char('/');
    place.plainPath += p + QLatin1Char('/');
  }
  return place;
}

bool failsBeforeLogin(CURLcode rc) {
  switch (rc) {
  case CURLE_COULDNT_RESOLVE_PROXY:
  case CURLE_COULDNT_RESOLVE_HOST:
  case CURLE_COULDNT_CONNECT:
  case CURLE_WEIRD_SERVER_REPLY:
  case CURLE_LOGIN_DENIED:
  case CURLE_OPERATION_TIMEDOUT:
  case CURLE_SSL_CONNECT_ERROR:
  case CURLE_USE_SSL_FAILED:
  case CURLE_PEER_FAILED_VERIFICATION:
  case CURLE_SSL_CACERT_BADFILE:
  case CURLE_SSH:
  case CURLE_GOT_NOTHING:
  case CURLE_RECV_ERROR:
  case CURLE_SEND_ERROR:
  case CURLE_AUTH_ERROR:
    return true;
  default:
    return false;
  }
}

// What went wrong, in the user's words; libcurl's own text follows it in the
// error entry.
QString failureReason(CURLcode rc, bool connected) {
  switch (rc) {
  case CURLE_COULDNT_RESOLVE_HOST:
    return QStringLiteral("找不到服务器");
  case CURLE_COULDNT_RESOLVE_PROXY:
    return QStringLiteral("找不到代理服务器");
  case CURLE_COULDNT_CONNECT:
    return QStringLiteral("无法连接服务器");
  case CURLE_LOGIN_DENIED:
  case CURLE_AUTH_ERROR:
    return QStringLiteral("服务器拒绝登录(用户名或密码错误)");
  case CURLE_OPERATION_TIMEDOUT:
    return connected ? QStringLiteral("传输超时") : QStringLiteral("连接服务器超时");
  case CURLE_REMOTE_ACCESS_DENIED:
  case CURLE_UPLOAD_FAILED:
  case CURLE_QUOTE_ERROR:
  case CURLE_FTP_COULDNT_USE_REST:
    return QStringLiteral("服务器上的文件夹无法写入");
  case CURLE_REMOTE_DISK_FULL:
    return QStringLiteral("服务器空间已满");
  case CURLE_SSL_CONNECT_ERROR:
  case CURLE_USE_SSL_FAILED:
  case CURLE_PEER_FAILED_VERIFICATION:
  case CURLE_SSL_CACERT_BADFILE:
  case CURLE_SSH:
    return QStringLiteral("无法建立安全连接");
  case CURLE_WEIRD_SERVER_REPLY:
  case CURLE_FTP_WEIRD_PASV_REPLY:
  case CURLE_FTP_WEIRD_227_FORMAT:
    return QStringLiteral("服务器的回答无法识别");
  case CURLE_FTP_CANT_GET_HOST:
  case CURLE_FTP_ACCEPT_FAILED:
  case CURLE_FTP_ACCEPT_TIMEOUT:
    return QStringLiteral("无法建立数据连接");
  case CURLE_SEND_ERROR:
  case CURLE_RECV_ERROR:
  case CURLE_GOT_NOTHING:
  case CURLE_PARTIAL_FILE:
  case CURLE_ABORTED_BY_CALLBACK:
    return QStringLiteral("连接中断");
  case CURLE_READ_ERROR:
    return QStringLiteral("无法读取本地文件");
  case CURLE_UNSUPPORTED_PROTOCOL:
  case CURLE_URL_MALFORMAT:
  case CURLE_NOT_BUILT_IN:
    return QStringLiteral("服务器地址无法使用");
  default:
    return QStringLiteral("传输失败");
  }
}

void commonOptions(CURL *curl, const UploadSettings &settings, const FtpEndpoint &endpoint,
                   const UploadOptions &timeouts, char *errorBuffer) {
  const QString user = settings.ftpUser.isEmpty() ? endpoint.user : settings.ftpUser;
  const QString password = settings.ftpPassword.isEmpty() ? endpoint.password : settings.ftpPassword;
  if (!user.isEmpty()) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, user.toUtf8().constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.toUtf8().constData());
  }
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeouts.connectSeconds));
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(timeouts.connectSeconds));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeouts.stallSeconds));
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp,ftps,sftp");
  if (endpoint.explicitTls())
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
  if (!timeouts.caFile.isEmpty())
    curl_easy_setopt(curl, CURLOPT_CAINFO, QFile::encodeName(timeouts.caFile).constData());
}

QString sftpQuoted(const QString &path) {
  QString p = path;
  p.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
  return QLatin1Char('"') + p + QLatin1Char('"');
}

// After a failed transfer: remove the temporary file if the server still
// answers. Failures here change nothing.
void removeTemporary(const UploadSettings &settings, const FtpEndpoint &endpoint, const RemotePlace &place,
                     const QString &tempName, const UploadOptions &timeouts) {
  CurlHandle h;
  if (!h.curl)
    return;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  UploadOptions shortTimeouts = timeouts;
  shortTimeouts.connectSeconds = std::min(timeouts.connectSeconds, 5);
  shortTimeouts.stallSeconds = std::min(timeouts.stallSeconds, 5);
  commonOptions(h.curl, settings, endpoint, shortTimeouts, errorBuffer);
  const bool sftp = endpoint.scheme == QLatin1String("sftp");
  const QString url = endpoint.baseUrl() + (sftp ? QStringLiteral("~/") : QString()) + place.urlPath;
  curl_easy_setopt(h.curl, CURLOPT_URL, url.toUtf8().constData());
  curl_easy_setopt(h.curl, CURLOPT_NOBODY, 1L);
  if (sftp)
    h.addQuote(QStringLiteral("*rm ") + sftpQuoted(QStringLiteral("/~/") + place.plainPath + tempName));
  else
    h.addQuote(QStringLiteral("*DELE ") + tempName);
  curl_easy_setopt(h.curl, CURLOPT_QUOTE, h.quote);
  curl_easy_perform(h.curl);
}

} // namespace

UploadOutcome uploadFile(const UploadSettings &settings, const QString &localPath, const QString &remoteName,
                         const UploadOptions &timeouts) {
  UploadOutcome out;
  initCurlOnce();
  const FtpEndpoint endpoint = parseFtpServer(settings.ftpServer);
  if (!endpoint.valid || !settings.serverSet()) {
    out.code = UploadNoSession;
    out.reason = QStringLiteral("服务器地址无法使用");
    out.detail = settings.ftpServer;
    return out;
  }
  CurlHandle h;
  if (!h.curl) {
    out.code = UploadNoSession;
    out.reason = QStringLiteral("无法开始网络传输");
    return out;
  }
  // A file that is gone has nothing to send: that is a failed transfer,
  // not an address to publish.
  QFile file(localPath);
  if (localPath.isEmpty() || !QFileInfo(localPath).isFile() || !file.open(QIODevice::ReadOnly)) {
    out.code = UploadTransferFailed;
    out.reason = QStringLiteral("无法读取本地文件");
    out.detail = file.errorString();
    return out;
  }

  const RemotePlace place = remotePlace(endpoint, settings.ftpRootFolder);
  const QString tempName = QLatin1Char('.') + remoteName + QStringLiteral(".part");
  const bool sftp = endpoint.scheme == QLatin1String("sftp");
  // FTP paths are relative to the login folder; "/~/" says the same for SFTP.
  const QString url = endpoint.baseUrl() + (sftp ? QStringLiteral("~/") : QString()) + place.urlPath +
                      QString::fromLatin1(QUrl::toPercentEncoding(tempName));

  char errorBuffer[CURL_ERROR_SIZE] = {};
  commonOptions(h.curl, settings, endpoint, timeouts, errorBuffer);
  curl_easy_setopt(h.curl, CURLOPT_URL, url.toUtf8().constData());
  curl_easy_setopt(h.curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(h.curl, CURLOPT_READFUNCTION, readFromFile);
  curl_easy_setopt(h.curl, CURLOPT_READDATA, &file);
  curl_easy_setopt(h.curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(file.size()));
  curl_easy_setopt(h.curl, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
  curl_easy_setopt(h.curl, CURLOPT_TRANSFERTEXT, 0L);
  // Once the whole file is there it takes its real name; an older file of
  // that name is removed first (ignoring "not found"), as not every server
  // lets a rename replace a file.
  if (sftp) {
    const QString dir = QStringLiteral("/~/") + place.plainPath;
    h.addQuote(QStringLiteral("*rm ") + sftpQuoted(dir + remoteName));
    h.addQuote(QStringLiteral("rename ") + sftpQuoted(dir + tempName) + QLatin1Char(' ') +
               sftpQuoted(dir + remoteName));
  } else {
    h.addQuote(QStringLiteral("*DELE ") + remoteName);
    h.addQuote(QStringLiteral("RNFR ") + tempName);
    h.addQuote(QStringLiteral("RNTO ") + remoteName);
  }
  curl_easy_setopt(h.curl, CURLOPT_POSTQUOTE, h.quote);

  const CURLcode rc = curl_easy_perform(h.curl);
  if (rc == CURLE_OK) {
    out.url = publicUrl(settings.webUrlPrefix, remoteName);
    return out;
  }
  out.detail = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc));
  curl_off_t pretransfer = 0;
  curl_easy_getinfo(h.curl, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
  if (rc == CURLE_UNSUPPORTED_PROTOCOL || rc == CURLE_URL_MALFORMAT || rc == CURLE_NOT_BUILT_IN ||
      rc == CURLE_FAILED_INIT || rc == CURLE_OUT_OF_MEMORY) {
    out.code = UploadNoSession;
  } else if (pretransfer == 0 && failsBeforeLogin(rc)) {
    out.code = UploadNoConnection;
  } else {
    out.code = UploadTransferFailed;
    removeTemporary(settings, endpoint, place, tempName, timeouts);
  }
  out.reason = failureReason(rc, out.code == UploadTransferFailed);
  return out;
}

UploadOutcome testFtpConnection(const UploadSettings &settings, const UploadOptions &timeouts) {
  UploadOutcome out;
  initCurlOnce();
  const FtpEndpoint endpoint = parseFtpServer(settings.ftpServer);
  CurlHandle h;
  if (!endpoint.valid || !settings.serverSet() || !h.curl) {
    out.code = UploadNoSession;
    return out;
  }
  const RemotePlace place = remotePlace(endpoint, settings.ftpRootFolder);
  const bool sftp = endpoint.scheme == QLatin1String("sftp");
  const QString url = endpoint.baseUrl() + (sftp ? QStringLiteral("~/") : QString()) + place.urlPath;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  commonOptions(h.curl, settings, endpoint, timeouts, errorBuffer);
  curl_easy_setopt(h.curl, CURLOPT_URL, url.toUtf8().constData());
  curl_easy_setopt(h.curl, CURLOPT_NOBODY, 1L);
  const CURLcode rc = curl_easy_perform(h.curl);
  if (rc == CURLE_OK) {
    out.url = publicUrl(settings.webUrlPrefix, QString());
    return out;
  }
  out.detail = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc));
  curl_off_t pretransfer = 0;
  curl_easy_getinfo(h.curl, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
  if (rc == CURLE_UNSUPPORTED_PROTOCOL || rc == CURLE_URL_MALFORMAT || rc == CURLE_NOT_BUILT_IN)
    out.code = UploadNoSession;
  else if (pretransfer == 0 && failsBeforeLogin(rc))
    out.code = UploadNoConnection;
  else
    out.code = UploadTransferFailed;
  out.reason = failureReason(rc, out.code == UploadTransferFailed);
  return out;
}

FtpUploader::FtpUploader(const UploadSettings &settings)
    : settings_(settings), clock_(outputTime) {}

QString FtpUploader::upload(const QString &localPath, const QString &fileName, QString &errorText) {
  // A line break in a name would end the FTP command that renames the file.
  QString safeName = fileName;
  safeName.replace(QLatin1Char('\r'), QLatin1Char('_')).replace(QLatin1Char('\n'), QLatin1Char('_'));
  const QString remoteName = remoteNameStamp(clock_()) + safeName;
  {
    std::lock_guard lock(mutex_);
    if (connectionFailuresInRow_ >= UploadGiveUpAfter) {
      if (connectionFailuresInRow_++ == UploadGiveUpAfter)
        errorText += localPath + QStringLiteral("没有上传:已连续%1次无法连接服务器,这张及以后的图片只保存不上传。\r\n")
                                     .arg(UploadGiveUpAfter);
      records_.push_back({localPath, QString()});
      return QString();
    }
  }
  const UploadOutcome outcome = uploadFile(settings_, localPath, remoteName, timeouts_);
  if (outcome.code != UploadOk)
    errorText += uploadErrorEntry(localPath, outcome.code, outcome.reason, outcome.detail);
  std::lock_guard lock(mutex_);
  const bool unreachable = outcome.code == UploadNoSession || outcome.code == UploadNoConnection;
  connectionFailuresInRow_ = unreachable ? connectionFailuresInRow_ + 1 : 0;
  records_.push_back({localPath, outcome.url});
  return outcome.url;
}

int FtpUploader::uploadedCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(
      std::count_if(records_.cbegin(), records_.cend(), [](const Record &r) { return !r.url.isEmpty(); }));
}

int FtpUploader::failedCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(
      std::count_if(records_.cbegin(), records_.cend(), [](const Record &r) { return r.url.isEmpty(); }));
}

QVector<FtpUploader::Record> FtpUploader::records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

void FtpUploader::clear() {
  std::lock_guard lock(mutex_);
  records_.clear();
  connectionFailuresInRow_ = 0;
}

QStringList FtpUploader::urlsByIndex(const RunSummary &summary) const {
  const QVector<Record> recs = records();
  const qsizetype count = summary.outputPaths.size();
  QStringList urls(count, QString());
  // Only files this run wrote are offered, in list order: pair each call with
  // the next index that wrote that file (two pictures of one output name
  // each upload what they wrote). Indexes that were not offered (a failed
  // save, the switch turned off during the run) keep no address.
  qsizetype next = 0;
  for (const Record &r : recs) {
    qsizetype i = next;
    while (i < count && summary.outputPaths[i] != r.localPath)
      ++i;
    if (i == count)
      continue; // not a file of this run: no address, and no index used up
    urls[i] = r.url;
    next = i + 1;
  }
  return urls;
}

} // namespace kuvo
