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

// local path + "在传输文件时发生错误:(错误代码:N)" + reason + "(" + detail
// + ")" + "。" + CR LF; reason and detail are left out when empty.
QString uploadErrorEntry(const QString &localPath, int code, const QString &reason = QString(),
                         const QString &detail = QString());

// After this many pictures in a row could not reach the server, a run stops
// trying: a dead or stalling server would otherwise cost the full timeout
// for every picture.
inline constexpr int UploadGiveUpAfter = 3;

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
  QString reason; // why it failed, in Chinese
  QString detail; // libcurl's own description of a failure
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
  // returns the public address (empty on failure). After UploadGiveUpAfter
  // connection failures in a row nothing more is sent: the first picture
  // left out gets one entry that says so.
  QString upload(const QString &localPath, const QString &fileName, QString &errorText) override;

  void setOptions(const UploadOptions &options) { timeouts_ = options; }
  // The clock that stamps remote names; outputTime() by default.
  void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

  struct Record {
    QString localPath;
    QString url; // empty when the upload failed
  };
  QVector<Record> records() const;
  void clear();

  // Pictures offered for upload that arrived, and those that did not
  // (failed or left out after the server was given up).
  int uploadedCount() const;
  int failedCount() const;

  // The addresses of a finished run per list index (empty where nothing was
  // uploaded), so that each address meets the caption of its own picture.
  QStringList urlsByIndex(const RunSummary &summary) const;

private:
  UploadSettings settings_;
  UploadOptions timeouts_;
  std::function<QDateTime()> clock_;
  mutable std::mutex mutex_;
  QVector<Record> records_;
  int connectionFailuresInRow_ = 0;
};

} // namespace kuvo

namespace kuvo {

// Connects, logs in and enters the remote root folder (creating nothing):
// UploadOk, UploadNoSession, UploadNoConnection, or UploadTransferFailed when
// the folder cannot be entered. For the "test" button of the settings window.
UploadOutcome testFtpConnection(const UploadSettings &settings, const UploadOptions &timeouts = {});

} // namespace kuvo
