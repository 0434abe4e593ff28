#include "cli/job_option_parser.h"

#include <QFile>

namespace kuvo::cli {

bool JobOptionParser::publishOption(const QString &opt, const QString &v) {
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

} // namespace kuvo::cli
