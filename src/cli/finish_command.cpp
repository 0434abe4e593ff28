#include "cli/finish_command.h"

#include "cli/cluster_job.h"
#include "engine/batch_run.h"
#include "engine/run_results.h"
#include "publish/run_publisher.h"

#include <QDir>
#include <cstdio>

namespace kuvo::cli {

namespace {

void say(const QString &text) {
  const QByteArray bytes = (text + QLatin1Char('\n')).toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

QString plainLines(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

int runFinish(CliJob &job) {
  const QString folder = job.finishFolder;
  MergedRun merged;
  QString error;
  if (!mergeShardResults(folder, merged, error)) {
    say(QStringLiteral("kuvo-batch: ") + error);
    return 2;
  }
  // Options given again must be the shards' own; without them the job is
  // rebuilt from what the shards recorded.
  job.settings.outputFolder = folder;
  if (job.jobOptionsGiven && jobHash(job) != merged.first.jobHash) {
    say(QStringLiteral("kuvo-batch: 给出的设置与分片运行时的设置不同，无法合并。不给设置选项时使用分片记录的设置。"));
    return 2;
  }
  if (!job.settings.files.isEmpty() && listHash(job.settings.files) != merged.first.listHash) {
    say(QStringLiteral("kuvo-batch: 给出的图片列表与分片运行时的列表不同，无法合并。"));
    return 2;
  }
  if (!job.jobOptionsGiven && !restoreJob(merged.first.job, job)) {
    say(QStringLiteral("kuvo-batch: 无法从结果文件恢复任务设置。"));
    return 2;
  }

  BatchRun run(job.settings);
  RunPublisher publisher(job.upload);
  publisher.attach(run);
  publisher.useUploadedUrls(merged.urlsByIndex);
  RunSummary &summary = merged.summary;
  run.finishMerged(summary);
  const PublishOutcome &published = publisher.outcome();

  if (summary.errorFlag)
    say(plainLines(summary.errorText).trimmed());
  if (!job.quiet)
    say(QStringLiteral("合并了 %1 个分片：已保存 %2 张，失败 %3 张。输出文件夹：%4")
            .arg(merged.first.count)
            .arg(summary.saved)
            .arg(summary.failed())
            .arg(QDir::toNativeSeparators(folder)));
  bool publishFailed = false;
  if (published.pdfTried) {
    if (!published.pdf.ok) {
      publishFailed = true;
      say(QStringLiteral("kuvo-batch: ") + published.pdf.errorMessage);
    } else if (!job.quiet) {
      say(RunPublisher::pdfClosingNote(published.pdf.path));
    }
  }
  if (published.linkPageTried) {
    if (published.linkPagePath.isEmpty()) {
      publishFailed = true;
      say(QStringLiteral("kuvo-batch: 无法写入 PicURL.htm。"));
    } else if (!job.quiet) {
      say(QStringLiteral("上传的图片地址已写入 %1").arg(QDir::toNativeSeparators(published.linkPagePath)));
    }
    QStringList unsent;
    for (int i = 0; i < summary.outputPaths.size(); ++i)
      if (!summary.outputPaths[i].isEmpty() && published.urlsByIndex.value(i).isEmpty())
        unsent << QDir::toNativeSeparators(summary.outputPaths[i]);
    // Pictures a killed shard saved and a re-run left alone have no address
    // when the killed shard never wrote its results.
    if (!unsent.isEmpty()) {
      publishFailed = true;
      say(QStringLiteral("kuvo-batch: %1 张图片已保存但没有上传地址，链接页中没有它们：%2")
              .arg(unsent.size())
              .arg(unsent.mid(0, 10).join(QStringLiteral("、")) + (unsent.size() > 10 ? QStringLiteral(" 等") : QString())));
    }
  }
  return summary.failed() == 0 && !summary.errorFlag && !publishFailed ? 0 : 1;
}

} // namespace kuvo::cli
