#include "cli/cluster_job.h"

#include "engine/job_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QTemporaryDir>

namespace kuvo::cli {

namespace {

// The job file text of the settings, the same for every process of the job.
// The existing-file rule is left out: it does not change what a picture
// becomes, and a stopped job is resumed with --existing skip.
QByteArray settingsText(ProcessingSettings settings) {
  settings.outputFolder.clear();
  settings.files.clear();
  settings.existingFiles = ExistingFiles::Overwrite;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("job.ini"));
  if (!dir.isValid() || !saveJobFile(path, settings))
    return QByteArray();
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QJsonObject jobRecord(const CliJob &job) {
  const ProcessingSettings &s = job.settings;
  return {{QStringLiteral("settings"), QString::fromUtf8(settingsText(s))},
          {QStringLiteral("presetCount"), s.presetCount},
          {QStringLiteral("makePdf"), s.makePdf},
          {QStringLiteral("upload"), s.upload},
          {QStringLiteral("ftpServer"), job.upload.ftpServer},
          {QStringLiteral("ftpUser"), job.upload.ftpUser},
          {QStringLiteral("ftpRoot"), job.upload.ftpRootFolder},
          {QStringLiteral("webPrefix"), job.upload.webUrlPrefix}};
}

QString jobHash(const CliJob &job) {
  const QByteArray record = QJsonDocument(jobRecord(job)).toJson(QJsonDocument::Compact);
  return QString::fromLatin1(QCryptographicHash::hash(record, QCryptographicHash::Sha256).toHex());
}

QString listHash(const QStringList &files) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  for (const QString &file : files) {
    hash.addData(file.toUtf8());
    hash.addData(QByteArrayView("\0", 1));
  }
  return QString::fromLatin1(hash.result().toHex());
}

bool restoreJob(const QJsonObject &record, CliJob &job) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("job.ini"));
  QFile file(path);
  if (!dir.isValid() || !file.open(QIODevice::WriteOnly))
    return false;
  file.write(record.value(QStringLiteral("settings")).toString().toUtf8());
  file.close();
  ProcessingSettings &s = job.settings;
  const QString folder = s.outputFolder;
  s = ProcessingSettings();
  s.presetCount = record.value(QStringLiteral("presetCount")).toInt();
  bool ok = false;
  loadJobFile(path, s, &ok);
  s.outputFolder = folder;
  s.makePdf = record.value(QStringLiteral("makePdf")).toBool();
  s.upload = record.value(QStringLiteral("upload")).toBool();
  job.upload.ftpServer = record.value(QStringLiteral("ftpServer")).toString();
  job.upload.ftpUser = record.value(QStringLiteral("ftpUser")).toString();
  job.upload.ftpRootFolder = record.value(QStringLiteral("ftpRoot")).toString();
  job.upload.webUrlPrefix = record.value(QStringLiteral("webPrefix")).toString();
  return ok;
}

bool shardAlreadyDone(const CliJob &job) {
  ShardResults done;
  QString error;
  const QString path = QDir(job.settings.outputFolder).filePath(resultsFileName(job.shard.index, job.shard.count));
  if (!QFileInfo::exists(path) || !readShardResults(path, done, error))
    return false;
  if (done.jobHash != jobHash(job) || done.listHash != listHash(job.settings.files) ||
      done.total != job.settings.files.size() || !done.complete() || done.failures() > 0)
    return false;
  for (const ResultRecord &r : done.records)
    if (!r.output.isEmpty() && !QFileInfo::exists(r.output))
      return false;
  return true;
}

namespace {

QString shardFile(const CliJob &job, const QString &name) { return QDir(job.settings.outputFolder).filePath(name); }

ShardResults shardHeader(const CliJob &job) {
  ShardResults results;
  results.shard = job.shard.index;
  results.count = job.shard.count;
  results.total = static_cast<int>(job.settings.files.size());
  results.jobHash = jobHash(job);
  results.listHash = listHash(job.settings.files);
  results.job = jobRecord(job);
  return results;
}

} // namespace

QHash<int, ResultRecord> earlierRecords(const CliJob &job) {
  QHash<int, ResultRecord> byIndex;
  // The results file of a finished attempt, then the journal of a killed
  // one, which is the later of the two when both are there.
  for (const QString &name : {resultsFileName(job.shard.index, job.shard.count),
                              journalFileName(job.shard.index, job.shard.count)}) {
    ShardResults earlier;
    QString ignored;
    const QString path = shardFile(job, name);
    if (!QFileInfo::exists(path))
      continue;
    readShardResults(path, earlier, ignored); // a killed attempt may have cut its last line
    if (earlier.jobHash != jobHash(job) || earlier.listHash != listHash(job.settings.files))
      continue;
    for (const ResultRecord &r : earlier.records)
      byIndex.insert(r.index, r);
  }
  return byIndex;
}

void startShardRecords(const CliJob &job, ResultsRecorder &recorder) {
  recorder.setEarlierRecords(earlierRecords(job));
  recorder.startJournal(shardFile(job, journalFileName(job.shard.index, job.shard.count)), shardHeader(job));
}

bool saveShardResults(const CliJob &job, const QVector<ResultRecord> &records, QString &error) {
  ShardResults results = shardHeader(job);
  results.records = records;
  return writeShardResults(job.settings.outputFolder, results, error);
}

} // namespace kuvo::cli
