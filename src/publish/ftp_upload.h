#pragma once
// Sending saved pictures to the FTP server with libcurl, one connection per
// picture, and collecting their public addresses.
#include "engine/batch_run.h"
#include "publish/upload_settings.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <mutex>

namespace kuvo {

// The error codes of the upload entries.
enum UploadErrorCode {
  UploadOk = 0,
  UploadNoSession = 1,     // no transfer handle, or the server text is unusable
  UploadNoConnection = 2,  // host unreachable, login refused, TLS/SSH handshake failed
  UploadTransferFailed = 3 // connected, but the file did not arrive complete
};

// local path + "在传输文件时发生错误:(错误代码:N)。" + CR LF
QString uploadErrorEntry(const QString &localPath, int code);

// The moment of upload formatted "YYMMDDHHMMSS_": two-digit year, month, day,
// hour 00-23, minute, second, then "_".
QString remoteNameStamp(const QDateTime &when);

// webUrlPrefix + "/" + remoteName, the name percent-encoded for a URL and the
// prefix's trailing "/" not doubled.
QString publicUrl(const QString &webUrlPrefix, const QString &remoteName);

struct UploadOptions {
  int connectSeconds = 20; // connecting and logging in
  int stallSeconds = 30;   // a transfer that moves no byte for this long is given up
  QString caFile;          // certificates to trust for FTPS besides the system's; empty: the system's only
};

struct UploadOutcome {
  int code = UploadOk;
  QString url;    // public address, set on success only
  QString detail; // libcurl's description of a failure, for logs
};

// Sends localPath to the server as remoteName (already stamped) in the remote
// root folder. The file travels under a temporary name and is renamed when
// complete, so a dropped transfer never leaves a partial file under the real
// name; a same-named file already there is replaced.
UploadOutcome uploadFile(const UploadSettings &settings, const QString &localPath, const QString &remoteName,
                         const UploadOptions &timeouts = {});

// The batch run's upload step. Thread-safe; the run calls it in list order.
class FtpUploader : public UploadStep {
public:
  explicit FtpUploader(const UploadSettings &settings);

  // Stamps fileName, sends the file, appends an error entry on failure and
  // returns the public address (empty on failure).
  QString upload(const QString &localPath, const QString &fileName, QString &errorText) override;

  void setOptions(const UploadOptions &options) { timeouts_ = options; }
  // The clock that stamps remote names; the current local time by default.
  void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

  struct Record {
    QString localPath;
    QString url; // empty when the upload failed
  };
  QVector<Record> records() const;
  void clear();

  // The addresses of a finished run per list index (empty where nothing was
  // uploaded), so that each address meets the caption of its own picture.
  QStringList urlsByIndex(const RunSummary &summary) const;

private:
  UploadSettings settings_;
  UploadOptions timeouts_;
  std::function<QDateTime()> clock_;
  mutable std::mutex mutex_;
  QVector<Record> records_;
};

} // namespace kuvo

namespace kuvo {

// Connects, logs in and enters the remote root folder (creating nothing):
// UploadOk, UploadNoSession, UploadNoConnection, or UploadTransferFailed when
// the folder cannot be entered. For the "test" button of the settings window.
UploadOutcome testFtpConnection(const UploadSettings &settings, const UploadOptions &timeouts = {});

} // namespace kuvo
