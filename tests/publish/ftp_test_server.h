#pragma once
// Starts tests/publish/ftp_server.py (pyftpdlib) on 127.0.0.1 and a free port
// for one test, and stops it when it goes out of scope.
#include <QDir>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class FtpTestServer {
public:
  // mode: empty, "drop" (cuts uploads after 64 KiB) or "readonly".
  explicit FtpTestServer(const QString &user = QStringLiteral("kuvo"),
                         const QString &password = QStringLiteral("secret"), const QString &mode = QString()) {
    root_ = dir_.filePath(QStringLiteral("root"));
    QDir().mkpath(root_);
    QStringList args{QStringLiteral(KUVO_SOURCE_DIR "/tests/publish/ftp_server.py"), root_, user, password};
    if (!mode.isEmpty())
      args << mode;
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(QStringLiteral("/usr/bin/python3"), args);
    if (!process_.waitForStarted(10000))
      return;
    // The script prints "PORT n" once it listens.
    QByteArray line;
    while (!line.contains('\n') && process_.waitForReadyRead(10000))
      line += process_.readAllStandardOutput();
    if (line.startsWith("PORT "))
      port_ = line.mid(5).trimmed().toInt();
  }
  ~FtpTestServer() { stop(); }
  void stop() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  bool running() const { return port_ > 0; }
  int port() const { return port_; }
  QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
  QString root() const { return root_; }

private:
  QTemporaryDir dir_;
  QProcess process_;
  QString root_;
  int port_ = 0;
};
