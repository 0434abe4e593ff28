#pragma once
// The headless controller of a run, shared by the window and kuvo-batch.
// It processes up to `jobs` pictures at once, each with the settings snapshot
// taken when that picture starts, starts pictures ahead of the one being
// committed while their finished results fit a memory bound, and commits
// results strictly in list order
// (files, error text, outputPaths, uploads, progress), so a parallel run
// writes exactly what a sequential run writes.
#include "engine/output_claims.h"
#include "engine/pipeline.h"
#include "engine/processing_settings.h"
#include "engine/shard.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <mutex>

namespace kuvo {

inline const QString ErrorTextHeader = QStringLiteral("在本次操作过程中产生下列错误,敬请检查相关图片:\r\n");

// Why a job cannot start, in the order the start command checks.
enum class StartProblem { None, EmptyList, ZeroSize, NoOutputFolder, NoUploadServer, NoWebPrefix };

// uploadServer is the FTP server setting ("" or "ftp://" mean unset);
// webUrlPrefix the public address prefix, which must name a host.
StartProblem checkJob(const ProcessingSettings &settings, const QString &uploadServer = QString(),
                      const QString &webUrlPrefix = QString());
QString startProblemMessage(StartProblem problem);
// Whether a web address prefix names a host ("http://" alone does not):
// without one every published address would be broken.
bool webPrefixHasHost(const QString &prefix);
// A long run asks whether to minimise the window first.
bool asksToMinimise(const ProcessingSettings &settings);
inline const QString MinimiseQuestion =
    QStringLiteral("处理这些图片可能需要较长时间。为不干扰您的工作,软件将在最小化状态下运行。\r\n确认最小化吗？");

struct PictureOutcome {
  enum Kind {
    Saved,
    Replaced, // saved over the file an earlier picture of this run wrote
    Skipped,  // a file was already there and the rule is to leave it
    Failed
  };
  int index = 0;
  Kind kind = Failed;
  QString sourcePath;
  QString outputPath; // empty when nothing was written
  QString keptPath;   // Skipped: the file already there, left as it was
  QString errorEntries;
  QString note; // what happened beyond the entries: a replaced or skipped file
  QString uploadUrl; // public address, when uploaded
  OverlayPlacement placement;
};

struct RunSummary {
  int total = 0;     // list entries
  int processed = 0; // entries handled before the end or the stop
  int saved = 0;     // files written; one file written twice counts once
  int replaced = 0;  // pictures saved over an earlier picture's file of this run
  int skipped = 0;   // pictures whose file already existed (rule "skip")
  QStringList collisions; // one line per picture whose output was another's file of this run
  bool stopped = false;
  bool errorFlag = false;
  QString errorText;       // header line followed by the entries
  QStringList outputPaths; // per list index; empty where nothing was written
  QStringList keptPaths;   // per list index: a file from before the run left as the picture's output
  QStringList uploadedUrls;
  QString closingText;
  QString errorLogPath; // set when ErrorLog.txt was written
  double seconds = 0;
  int failed() const { return processed - saved - replaced - skipped; }
  // Each picture's output file: written by this run or, under "skip", left
  // from before it. A PDF of a resumed run holds every picture of the list.
  QStringList pictureFiles() const;
};

struct PictureWork;

class BatchObserver {
public:
  virtual ~BatchObserver() = default;
  // Called from the thread that runs BatchRun::run, in list order.
  virtual void status(const QString &text) {}
  virtual void pictureCommitted(const PictureOutcome &outcome, int done, int total) {}
  virtual void finished(const RunSummary &summary) {}
};

// Publishing plugs in here. upload() is called in list order after every save
// attempt of an upload run; it appends its own error entries and returns the
// public address (empty when the upload failed).
class UploadStep {
public:
  virtual ~UploadStep() = default;
  virtual QString upload(const QString &localPath, const QString &remoteName, QString &errorText) = 0;
};

class BatchRun {
public:
  explicit BatchRun(const ProcessingSettings &settings);

  void setObserver(BatchObserver *observer) { observer_ = observer; }
  void setUploadStep(UploadStep *step) { upload_ = step; }
  // Called after the loop with the run's outcome, before the error log:
  // the PDF and the link page plug in here.
  void setAfterLoop(std::function<void(const ProcessingSettings &, RunSummary &)> hook) { afterLoop_ = std::move(hook); }
  void setJobs(int jobs);
  int jobs() const { return jobs_; }
  // A sharded run handles only its shard's entries and leaves the end of the
  // run (PDF, link page, error log) to finishMerged() over all shards.
  void setShard(const Shard &shard) { shard_ = shard; }

  // Thread-safe: pictures that start after the call use these settings.
  void updateSettings(const ProcessingSettings &settings);
  ProcessingSettings currentSettings() const;

  // Thread-safe: no new picture starts; those already started finish and are saved.
  void requestStop() { stopRequested_ = true; }

  // Runs the whole list and returns its outcome. Blocking: the window calls it
  // from a worker thread.
  RunSummary run();

  // The end of a run for the merged outcome of all shards: the same PDF,
  // link page, error log and closing text one run over the list ends with.
  void finishMerged(RunSummary &summary);

private:
  PictureOutcome commit(int index, const QString &source, const PictureWork &work, RunSummary &summary);
  void finish(RunSummary &summary, const ProcessingSettings &settings);

  mutable std::mutex settingsMutex_;
  ProcessingSettings settings_;
  BatchObserver *observer_ = nullptr;
  UploadStep *upload_ = nullptr;
  std::function<void(const ProcessingSettings &, RunSummary &)> afterLoop_;
  int jobs_ = 1;
  Shard shard_;
  std::atomic<bool> stopRequested_{false};
  OutputClaims claims_; // files written by this run, used on the committing thread only
};

// Writes ErrorLog.txt (the error text and a closing CR LF) into folder.
bool writeErrorLog(const QString &folder, const QString &errorText, QString *path = nullptr);

} // namespace kuvo
