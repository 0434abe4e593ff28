#pragma once
// What a batch run does with its saved pictures beyond the output folder:
// uploads each one as it is saved, then builds the PDF album and writes the
// link page. The window and kuvo-batch both attach one RunPublisher to their
// BatchRun.
#include "engine/batch_run.h"
#include "publish/ftp_upload.h"
#include "publish/pdf_export.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace kuvo {

struct PublishOutcome {
  bool pdfTried = false;
  PdfResult pdf;
  bool linkPageTried = false;
  QString linkPagePath;    // empty when the page could not be written
  QStringList urlsByIndex; // public address per list index, empty where none
};

class RunPublisher {
public:
  explicit RunPublisher(const UploadSettings &upload = UploadSettings());

  // Where the addresses of every upload run are appended; picUpload.dat in
  // the scratch folder by default.
  void setHistoryPath(const QString &path) { historyPath_ = path; }
  FtpUploader &uploader() { return *uploader_; }

  // Gives the run its upload step and its after-loop hook. The publisher
  // must outlive the run.
  void attach(BatchRun &run);

  // For the merged end of a sharded job: the link page lists these addresses
  // (per list index) instead of the uploads this process made.
  void useUploadedUrls(const QStringList &urlsByIndex) { mergedUrls_ = urlsByIndex; }

  // The after-loop hook: PDF when makePdf is on, then the link page when
  // upload is on. Failures become error entries of the run; a failed PDF
  // leaves the saved pictures as they are and the run finishes normally.
  void afterLoop(const ProcessingSettings &settings, RunSummary &summary);

  // Valid once the run has returned.
  const PublishOutcome &outcome() const { return outcome_; }

  // The closing text of an upload run: the plain one when every picture
  // went up, else the counts of uploaded and failed pictures.
  static QString uploadClosingText(int uploaded, int failed);

  // The sentence the closing text gets when a PDF was written.
  static QString pdfClosingNote(const QString &pdfPath);

private:
  std::unique_ptr<FtpUploader> uploader_;
  QString historyPath_;
  PublishOutcome outcome_;
  std::optional<QStringList> mergedUrls_;
};

} // namespace kuvo
