#include "engine/batch_run.h"

#include "engine/decode_memory_budget.h"
#include "engine/decoder.h"
#include "engine/ordered_lookahead.h"
#include "engine/savers.h"
#include "engine/source_file.h"
#include "engine/write_guard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QSaveFile>
#include <QThread>
#include <QUrl>

namespace kuvo {

StartProblem checkJob(const ProcessingSettings &s, const QString &uploadServer, const QString &webUrlPrefix) {
  if (s.files.isEmpty())
    return StartProblem::EmptyList;
  if (s.isCustomSize() && (s.heightText == QLatin1String("0") || s.widthText == QLatin1String("0")))
    return StartProblem::ZeroSize;
  if (s.outputFolder.isEmpty())
    return StartProblem::NoOutputFolder;
  if (s.upload && (uploadServer.isEmpty() || uploadServer == QLatin1String("ftp://")))
    return StartProblem::NoUploadServer;
  // "http://" alone would publish addresses like http:///x.jpg.
  if (s.upload && !webPrefixHasHost(webUrlPrefix))
    return StartProblem::NoWebPrefix;
  return StartProblem::None;
}

QString startProblemMessage(StartProblem problem) {
  switch (problem) {
  case StartProblem::EmptyList:
    return QStringLiteral("没有添加要处理的图片！");
  case StartProblem::ZeroSize:
    return QStringLiteral("图片尺寸不能为0！");
  case StartProblem::NoOutputFolder:
    return QStringLiteral("请设置图片输出文件夹！");
  case StartProblem::NoUploadServer:
    return QStringLiteral("网络参数还没设置或设置错误！");
  case StartProblem::NoWebPrefix:
    return QStringLiteral("图片网址前缀还没设置或设置错误！");
  case StartProblem::None:
    break;
  }
  return QString();
}

bool webPrefixHasHost(const QString &prefix) {
  const QUrl url(prefix.trimmed(), QUrl::TolerantMode);
  return url.isValid() && !url.scheme().isEmpty() && !url.host().isEmpty();
}

QStringList RunSummary::pictureFiles() const {
  QStringList files = outputPaths;
  for (qsizetype i = 0; i < files.size() && i < keptPaths.size(); ++i)
    if (files[i].isEmpty())
      files[i] = keptPaths[i];
  return files;
}

bool asksToMinimise(const ProcessingSettings &s) { return s.files.size() > 100 || s.upload; }

// What a worker hands back for one picture: the composed picture's report
// and its encoded file, not yet written.
struct PictureWork {
  bool composed = true; // false: left out because its file is there and will not be written
  QString errorText;
  OverlayPlacement placement;
  EncodedPicture encoded;
  ProcessingSettings settings; // the snapshot the picture was made with
};

namespace {
// A picture whose planned file already exists is not made when the rule is
// to skip it or the file is its own source; the commit decides for good.
bool needsNoPicture(const ProcessingSettings &settings, int index) {
  const QString planned = planOutput(settings, index).path;
  if (!QFileInfo::exists(planned))
    return false;
  return settings.existingFiles == ExistingFiles::Skip ||
         (settings.existingFiles == ExistingFiles::Overwrite && isSameFile(planned, settings.files.value(index)));
}

PictureWork makePicture(ProcessingSettings settings, int index, bool force) {
  PictureWork work;
  if (!force && needsNoPicture(settings, index)) {
    work.composed = false;
    work.encoded = planOutput(settings, index);
    work.settings = std::move(settings);
    return work;
  }
  PipelineResult result = funImgDone(settings, index);
  work.errorText = std::move(result.errorText);
  work.placement = result.placement;
  work.encoded = encodePicture(settings, index, result.canvas, result.sourceData, result.upright, result.failure);
  work.settings = std::move(settings);
  return work;
}
} // namespace

BatchRun::BatchRun(const ProcessingSettings &settings) : settings_(settings) {
  setJobs(QThread::idealThreadCount());
}

void BatchRun::setJobs(int jobs) { jobs_ = std::clamp(jobs, 1, 64); }

void BatchRun::updateSettings(const ProcessingSettings &settings) {
  std::lock_guard lock(settingsMutex_);
  settings_ = settings;
}

ProcessingSettings BatchRun::currentSettings() const {
  std::lock_guard lock(settingsMutex_);
  return settings_;
}

PictureOutcome BatchRun::commit(int index, const QString &source, const PictureWork &made, RunSummary &summary) {
  PictureOutcome outcome;
  outcome.index = index;
  outcome.sourcePath = source;
  const OutputDecision decision = claims_.decide(made.encoded.path, source, made.settings.existingFiles);
  // Left out in advance, but the file has gone since: make it now.
  const PictureWork work =
      !made.composed && decision.kind == OutputDecision::Write ? makePicture(made.settings, index, true) : made;
  outcome.placement = work.placement;
  QString entries = work.errorText;
  const QString fileName = QFileInfo(decision.path).fileName();
  bool written = false;
  if (decision.kind == OutputDecision::IsSource) {
    entries +=
        saveErrorEntry(source, QStringLiteral("输出文件就是原图片本身,原图片未被覆盖(请换一个输出文件夹或使用改名)"));
  } else if (decision.kind == OutputDecision::Skip) {
    outcome.kind = PictureOutcome::Skipped;
    // A file from before the run stays this picture's output; one that an
    // earlier picture of this run wrote is that picture's.
    if (decision.replacesIndex < 0) {
      outcome.keptPath = decision.path;
      summary.keptPaths[index] = decision.path;
    }
    outcome.note = QStringLiteral("已跳过:文件已存在 ") + QDir::toNativeSeparators(decision.path);
    ++summary.skipped;
  } else {
    // A picture that a step already reported (too large, say) gets no second
    // entry from the save it never reached.
    QString saveEntry;
    // A picture's own folder below the output folder is made when needed;
    // the output folder itself is not remade once it has gone.
    const QString sub = work.settings.outputSubfolder(index);
    if (!sub.isEmpty() && QFileInfo(work.settings.outputFolder).isDir())
      QDir(work.settings.outputFolder).mkpath(sub);
    written = writeEncodedPicture(work.encoded, source, saveEntry, decision.path);
    if (written) {
      outcome.outputPath = decision.path;
      summary.outputPaths[index] = decision.path;
      entries += work.encoded.warning;
      if (decision.replacesIndex >= 0) {
        // The earlier picture's file is gone: it is no longer its output.
        summary.outputPaths[decision.replacesIndex].clear();
        ++summary.replaced;
        outcome.kind = PictureOutcome::Replaced;
        outcome.note = QStringLiteral("%1 的输出替换了 %2 的输出 %3")
                           .arg(QDir::toNativeSeparators(source),
                                QDir::toNativeSeparators(work.settings.files.value(decision.replacesIndex)),
                                QDir::toNativeSeparators(decision.path));
        summary.collisions << outcome.note;
      } else {
        ++summary.saved;
        outcome.kind = PictureOutcome::Saved;
      }
      claims_.claim(decision.path, index);
      if (work.settings.keepFileDate) {
        QFile file(decision.path);
        if (file.open(QIODevice::ReadWrite))
          file.setFileTime(QFileInfo(source).lastModified(), QFileDevice::FileModificationTime);
      }
    } else if (!(work.encoded.noCanvas && !work.errorText.isEmpty())) {
      entries += saveEntry;
    }
  }
  // Only the file this run wrote is sent: after a failed save the output
  // folder may still hold an older picture of that name, and a file left
  // alone (the source, an existing file) is never published.
  if (written && work.settings.upload && upload_) {
    const QString url = upload_->upload(decision.path, fileName, entries);
    if (!url.isEmpty())
      summary.uploadedUrls << url;
    outcome.uploadUrl = url;
  }
  if (!entries.isEmpty()) {
    summary.errorFlag = true;
    summary.errorText += entries;
  }
  outcome.errorEntries = entries;
  if (observer_ && !work.placement.statusText.isEmpty())
    observer_->status(work.placement.statusText);

  // Anchored placements are written back in list order, as a one-by-one run would.
  {
    std::lock_guard lock(settingsMutex_);
    storePlacement(settings_, work.placement);
  }
  return outcome;
}

RunSummary BatchRun::run() {
  QElapsedTimer timer;
  timer.start();
  stopRequested_ = false;
  claims_ = OutputClaims();
  const QStringList files = currentSettings().files;
  RunSummary summary;
  summary.total = shard_.share(static_cast<int>(files.size()));
  summary.errorText = ErrorTextHeader;
  summary.outputPaths = QStringList(files.size(), QString());
  summary.keptPaths = summary.outputPaths;

  // Pictures start ahead of the one being committed, so a large picture at
  // the head of the list does not leave the other workers idle.
  using Lookahead = OrderedLookahead<PictureWork>;
  Lookahead::Limits limits;
  limits.workers = jobs_;
  // A progressive JPEG holds the decode budget; one that does not fit beside
  // the running ones is passed over for the next pictures instead of
  // leaving its worker waiting.
  limits.sharedBytes = DecodeMemoryBudget::process().limit();
  // The lookahead counts the shard's own entries; a shard's k-th entry is
  // list entry K + k N, and everything downstream uses the list index.
  const auto listIndex = [this](int k) { return shard_.active() ? shard_.index + k * shard_.count : k; };
  Lookahead lookahead(
      summary.total, limits,
      [&](int k) -> Lookahead::Work {
        const int index = listIndex(k);
        ProcessingSettings snapshot = currentSettings();
        snapshot.files = files; // the list as it stood when the run started
        if (observer_)
          observer_->status(QStringLiteral("【提示】正在处理 ") + files[index]);
        return [snapshot = std::move(snapshot), index]() mutable { return makePicture(std::move(snapshot), index, false); };
      },
      [this] { return !stopRequested_; },
      [](const PictureWork &work) { return static_cast<std::int64_t>(work.encoded.bytes.size()); },
      [&](int k) {
        const SourceGlance glance = glanceAtSource(files[listIndex(k)], FrameHeaderSearchBytes);
        return Lookahead::Demand{progressiveDecodeBytes(glance.head), glance.size};
      });
  while (auto next = lookahead.takeNext()) {
    const auto &[k, work] = *next;
    const int index = listIndex(k);
    const PictureOutcome outcome = commit(index, files[index], work, summary);
    ++summary.processed;
    if (observer_)
      observer_->pictureCommitted(outcome, summary.processed, summary.total);
  }
  summary.stopped = stopRequested_.exchange(false) && summary.processed < summary.total;
  if (!shard_.active())
    finish(summary, currentSettings());
  summary.seconds = timer.elapsed() / 1000.0;
  if (observer_)
    observer_->finished(summary);
  return summary;
}

void BatchRun::finishMerged(RunSummary &summary) {
  finish(summary, currentSettings());
  if (observer_)
    observer_->finished(summary);
}

void BatchRun::finish(RunSummary &summary, const ProcessingSettings &settings) {
  summary.closingText = settings.upload ? QStringLiteral("【提示】处理完毕！图片已保存到输出文件夹并上传到网络。")
                                        : QStringLiteral("【提示】处理完毕！图片已保存到输出文件夹。");
  if (summary.skipped > 0)
    summary.closingText += QStringLiteral("已跳过%1个已存在的文件。").arg(summary.skipped);
  // The PDF and the link page may add to the closing text and the errors.
  if (afterLoop_)
    afterLoop_(settings, summary);
  if (summary.errorFlag && settings.saveErrorLog) {
    QString path;
    if (writeErrorLog(settings.outputFolder, summary.errorText, &path))
      summary.errorLogPath = path;
  }
  // Also without the log: a run with errors never closes as a plain success.
  if (summary.errorFlag)
    summary.closingText += QStringLiteral("请注意,在图片处理或上传过程中发生错误。");
}

bool writeErrorLog(const QString &folder, const QString &errorText, QString *path) {
  const QString logPath = QDir(folder).filePath(QStringLiteral("ErrorLog.txt"));
  const WriteInProgress guard;
  QSaveFile file(logPath);
  if (!file.open(QIODevice::WriteOnly))
    return false;
  file.write((errorText + QStringLiteral("\r\n")).toUtf8());
  if (!file.commit())
    return false;
  if (path)
    *path = logPath;
  return true;
}

} // namespace kuvo
