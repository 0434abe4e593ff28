// kuvo-batch: the batch engine without a window.
#include "cli/cli_options.h"
#include "cli/stop_signals.h"
#include "cli/cluster_job.h"
#include "cli/finish_command.h"
#include "engine/batch_run.h"
#include "engine/font_substitution.h"
#include "engine/native_names.h"
#include "engine/picture_files.h"
#include "platform/memory_tuning.h"
#include "platform/program_paths.h"
#include "publish/run_publisher.h"
#include "publish/word_pictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>
#include <unistd.h>

namespace {

void print(FILE *stream, const QString &text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
  std::fflush(stream);
}

QString plainLines(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// A one-line progress bar with count and time left, on a terminal only; with
// verbose, one line per picture instead. Outputs of this run that replace
// each other are always told.
class ProgressPrinter : public kuvo::BatchObserver {
public:
  ProgressPrinter(bool bar, bool verbose) : show_(bar && !verbose), verbose_(verbose) { timer_.start(); }
  void pictureCommitted(const kuvo::PictureOutcome &outcome, int done, int total) override {
    if (outcome.kind == kuvo::PictureOutcome::Replaced)
      print(stderr, QStringLiteral("kuvo-batch: 注意: ") + outcome.note + QStringLiteral("\n"));
    if (verbose_)
      printLine(outcome);
    if (!show_)
      return;
    const double elapsed = timer_.elapsed() / 1000.0;
    const double left = done > 0 ? elapsed / done * (total - done) : 0;
    constexpr int barWidth = 30;
    const int filled = total > 0 ? barWidth * done / total : barWidth;
    print(stderr, QStringLiteral("\r[%1%2] %3/%4  剩余约 %5 秒 ")
                      .arg(QString(filled, QLatin1Char('#')), QString(barWidth - filled, QLatin1Char('-')))
                      .arg(done)
                      .arg(total)
                      .arg(left, 0, 'f', 0));
    if (done == total)
      print(stderr, QStringLiteral("\n"));
  }

private:
  static void printLine(const kuvo::PictureOutcome &outcome) {
    const QString source = QDir::toNativeSeparators(outcome.sourcePath);
    if (!outcome.outputPath.isEmpty())
      print(stdout,
            source + QStringLiteral(" → ") + QDir::toNativeSeparators(outcome.outputPath) + QStringLiteral("\n"));
    else if (outcome.kind == kuvo::PictureOutcome::Skipped)
      print(stdout, source + QStringLiteral(" → ") + outcome.note + QStringLiteral("\n"));
    if (!outcome.errorEntries.isEmpty())
      print(stdout, plainLines(outcome.errorEntries));
  }

  bool show_;
  bool verbose_;
  QElapsedTimer timer_;
};

} // namespace

int main(int argc, char **argv) {
  kuvo::tuneAllocatorForPictures();
  // Text watermarks need fonts, so a GUI application without a window;
  // offscreen unless the caller chose a platform.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // Without a desktop session Qt would warn about the runtime folder on every
  // run; make the same private folder it falls back to, quietly.
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QByteArray runtime = QDir::tempPath().toLocal8Bit() + "/runtime-" + QByteArray::number(getuid());
    if (QDir().mkpath(QString::fromLocal8Bit(runtime)) &&
        QFile::setPermissions(QString::fromLocal8Bit(runtime), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
      qputenv("XDG_RUNTIME_DIR", runtime);
  }
  QGuiApplication app(argc, argv);

  kuvo::cli::CliJob job;
  QString error;
  if (!kuvo::cli::parseCommandLine(kuvo::commandLineArguments(argc, argv), job, error)) {
    print(stderr, QStringLiteral("kuvo-batch: ") + error + QStringLiteral("\n"));
    return 2;
  }
  for (const QString &warning : job.warnings)
    print(stderr, QStringLiteral("kuvo-batch: ") + warning + QStringLiteral("\n"));
  if (job.showHelp) {
    print(stdout, kuvo::cli::helpText());
    return 0;
  }
  if (job.showVersion) {
    print(stdout, QStringLiteral("kuvo-batch " KUVO_VERSION "\n"));
    return 0;
  }
  if (job.listPresets) {
    print(stdout, kuvo::cli::presetListText());
    return 0;
  }

  QStringList files, subfolders;
  for (const QString &input : job.inputs) {
    const QFileInfo info(input);
    if (info.isDir() || kuvo::nativeFileFacts(info.absoluteFilePath()).isDir) { // a GBK-named folder too
      const QDir top(info.absoluteFilePath());
      for (const QString &file : kuvo::listPictures(top.path(), job.recursive)) {
        files << file;
        // Below each input folder the tree is kept, so a/x.jpg and b/x.jpg stay two files.
        subfolders << (job.flat ? QString() : kuvo::outputSubfolderBelow(top.path(), file));
      }
      continue;
    }
    if (info.exists() && kuvo::isWordDocument(input)) {
      // The pictures inside a Word document join the list in document order.
      const kuvo::WordImportResult word = kuvo::ImportWordPictures(info.absoluteFilePath(), kuvo::scratchFolder());
      const QString note = word.message + kuvo::linkedPicturesNote(word.linked);
      if (!note.isEmpty())
        print(stderr, QStringLiteral("kuvo-batch: %1：%2\n").arg(input, note));
      files << word.files;
    } else {
      // A missing file becomes that picture's error entry; the rest runs.
      files << info.absoluteFilePath();
    }
    while (subfolders.size() < files.size())
      subfolders << QString();
  }
  job.settings.files = files;
  job.settings.outputSubfolders = subfolders;
  if (!job.finishFolder.isEmpty())
    return kuvo::cli::runFinish(job);
  if (!QDir().mkpath(job.settings.outputFolder)) {
    print(stderr, QStringLiteral("kuvo-batch: 无法创建输出文件夹“%1”。\n").arg(job.settings.outputFolder));
    return 2;
  }
  const kuvo::StartProblem problem = kuvo::checkJob(job.settings, job.upload.ftpServer, job.upload.webUrlPrefix);
  if (problem != kuvo::StartProblem::None) {
    QString message = kuvo::startProblemMessage(problem);
    if (problem == kuvo::StartProblem::NoWebPrefix)
      message += QStringLiteral("请用 --web-prefix 给出上传后图片在网上的地址前缀，如 http://example.org/pics。");
    print(stderr, QStringLiteral("kuvo-batch: ") + message + QStringLiteral("\n"));
    return 2;
  }

  if (job.shard.active() && kuvo::cli::shardAlreadyDone(job)) {
    if (!job.quiet)
      print(stderr,
            QStringLiteral("分片 %1/%2 已经完成，没有需要处理的图片。\n").arg(job.shard.index).arg(job.shard.count));
    return 0;
  }
  // Reading the installed fonts takes a while; only a text watermark needs
  // them, and then on this thread before the workers start.
  if (job.settings.drawsText())
    kuvo::installFontSubstitutions();
  kuvo::BatchRun run(job.settings);
  run.setShard(job.shard);
  if (job.jobs > 0)
    run.setJobs(job.jobs);
  ProgressPrinter progress(!job.quiet && isatty(STDERR_FILENO), job.verbose);
  kuvo::ResultsRecorder recorder(&progress);
  if (job.shard.active())
    kuvo::cli::startShardRecords(job, recorder);
  run.setObserver(&recorder);
  kuvo::cli::installStopSignals(run);
  kuvo::RunPublisher publisher(job.upload);
  publisher.attach(run);
  const kuvo::RunSummary summary = run.run();
  const kuvo::PublishOutcome &published = publisher.outcome();

  if (summary.errorFlag)
    print(stderr, plainLines(summary.errorText));
  if (!job.quiet) {
    QString line = summary.stopped
                       ? QStringLiteral("已停止：处理了 %1/%2 张。").arg(summary.processed).arg(summary.total)
                       : QString();
    line += QStringLiteral("已保存 %1 张，失败 %2 张").arg(summary.saved).arg(summary.failed());
    if (summary.skipped > 0)
      line += QStringLiteral("，跳过 %1 张(输出文件已存在)").arg(summary.skipped);
    if (summary.replaced > 0)
      line += QStringLiteral("，%1 张的输出与同一次运行中的其他输出同名而替换了它").arg(summary.replaced);
    line += QStringLiteral("，用时 %1 秒，每秒 %2 张。输出文件夹：%3\n")
                .arg(summary.seconds, 0, 'f', 2)
                .arg(summary.seconds > 0 ? summary.processed / summary.seconds : 0.0, 0, 'f', 1)
                .arg(QDir::toNativeSeparators(job.settings.outputFolder));
    print(stderr, line);
  }
  bool publishFailed = false;
  if (published.pdfTried) {
    if (published.pdf.ok) {
      if (!job.quiet)
        print(stderr, kuvo::RunPublisher::pdfClosingNote(published.pdf.path) + QStringLiteral("\n"));
    } else {
      publishFailed = true;
      print(stderr, QStringLiteral("kuvo-batch: ") + published.pdf.errorMessage + QStringLiteral("\n"));
    }
  }
  if (job.settings.upload && !job.quiet)
    print(stderr, QStringLiteral("上传 %1 张，上传失败 %2 张。\n")
                      .arg(publisher.uploader().uploadedCount())
                      .arg(publisher.uploader().failedCount()));
  if (published.linkPageTried) {
    if (published.linkPagePath.isEmpty()) {
      publishFailed = true;
      print(stderr, QStringLiteral("kuvo-batch: 无法写入 PicURL.htm。\n"));
    } else if (!job.quiet) {
      print(stderr, QStringLiteral("上传的图片地址已写入 %1\n").arg(QDir::toNativeSeparators(published.linkPagePath)));
    }
    for (int i = 0; i < summary.outputPaths.size(); ++i)
      if (!summary.outputPaths[i].isEmpty() && published.urlsByIndex.value(i).isEmpty())
        publishFailed = true;
  }
  if (job.shard.active() && !kuvo::cli::saveShardResults(job, recorder.records(), error)) {
    print(stderr, QStringLiteral("kuvo-batch: ") + error + QStringLiteral("\n"));
    return 1;
  }
  if (summary.stopped)
    return kuvo::cli::StoppedExitStatus;
  return summary.errorFlag || publishFailed ? 1 : 0;
}
