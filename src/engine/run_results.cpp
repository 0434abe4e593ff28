#include "engine/run_results.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <map>

namespace kuvo {

QString resultsFileName(int shard, int count) {
  return QStringLiteral("kuvo-results-%1-of-%2.jsonl").arg(shard).arg(count);
}

bool ShardResults::complete() const {
  const Shard part{shard, count};
  if (records.size() != part.share(total))
    return false;
  for (qsizetype k = 0; k < records.size(); ++k)
    if (records[k].index != shard + k * count)
      return false;
  return true;
}

int ShardResults::failures() const {
  int n = 0;
  for (const ResultRecord &r : records)
    n += (r.output.isEmpty() && !r.kept) || !r.errorEntries.isEmpty();
  return n;
}

namespace {

QByteArray jsonLine(const QJsonObject &object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray headerLine(const ShardResults &results) {
  return jsonLine({{QStringLiteral("shard"), results.shard},
                   {QStringLiteral("count"), results.count},
                   {QStringLiteral("total"), results.total},
                   {QStringLiteral("jobHash"), results.jobHash},
                   {QStringLiteral("listHash"), results.listHash},
                   {QStringLiteral("job"), results.job}});
}

QByteArray recordLine(const ResultRecord &r) {
  return jsonLine({{QStringLiteral("index"), r.index},
                   {QStringLiteral("source"), r.source},
                   {QStringLiteral("output"), r.output},
                   {QStringLiteral("errors"), r.errorEntries},
                   {QStringLiteral("url"), r.uploadUrl},
                   {QStringLiteral("kept"), r.kept}});
}

} // namespace

QString journalFileName(int shard, int count) {
  return resultsFileName(shard, count) + QStringLiteral(".partial");
}

bool writeShardResults(const QString &folder, const ShardResults &results, QString &error) {
  const QString path = QDir(folder).filePath(resultsFileName(results.shard, results.count));
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    error = QStringLiteral("无法写入结果文件“%1”：%2").arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
  }
  file.write(headerLine(results));
  for (const ResultRecord &r : results.records)
    file.write(recordLine(r));
  if (!file.commit()) {
    error = QStringLiteral("无法写入结果文件“%1”：%2").arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
  }
  // The journal of this attempt is no longer needed.
  QFile::remove(QDir(folder).filePath(journalFileName(results.shard, results.count)));
  return true;
}

bool readShardResults(const QString &path, ShardResults &results, QString &error) {
  const QString shown = QDir::toNativeSeparators(path);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("无法读取结果文件“%1”：%2").arg(shown, file.errorString());
    return false;
  }
  results = ShardResults();
  int lineNo = 0;
  while (!file.atEnd()) {
    const QByteArray line = file.readLine().trimmed();
    ++lineNo;
    if (line.isEmpty())
      continue;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    const QJsonObject o = doc.object();
    auto bad = [&](const QString &why) {
      error = QStringLiteral("结果文件“%1”第 %2 行有误：%3").arg(shown).arg(lineNo).arg(why);
      return false;
    };
    if (!doc.isObject())
      return bad(parseError.errorString());
    if (lineNo == 1) {
      results.shard = o.value(QStringLiteral("shard")).toInt(-1);
      results.count = o.value(QStringLiteral("count")).toInt(0);
      results.total = o.value(QStringLiteral("total")).toInt(-1);
      results.jobHash = o.value(QStringLiteral("jobHash")).toString();
      results.listHash = o.value(QStringLiteral("listHash")).toString();
      results.job = o.value(QStringLiteral("job")).toObject();
      if (results.count < 1 || results.shard < 0 || results.shard >= results.count || results.total < 0 ||
          results.jobHash.isEmpty())
        return bad(QStringLiteral("不是有效的分片结果文件头。"));
      continue;
    }
    ResultRecord r;
    r.index = o.value(QStringLiteral("index")).toInt(-1);
    r.source = o.value(QStringLiteral("source")).toString();
    r.output = o.value(QStringLiteral("output")).toString();
    r.errorEntries = o.value(QStringLiteral("errors")).toString();
    r.uploadUrl = o.value(QStringLiteral("url")).toString();
    r.kept = o.value(QStringLiteral("kept")).toBool();
    const int previous = results.records.isEmpty() ? -1 : results.records.last().index;
    if (r.index < 0 || r.index >= results.total || r.index % results.count != results.shard || r.index <= previous)
      return bad(QStringLiteral("图片序号 %1 不属于这个分片或顺序不对。").arg(r.index));
    results.records << r;
  }
  if (lineNo == 0) {
    error = QStringLiteral("结果文件“%1”是空的。").arg(shown);
    return false;
  }
  return true;
}

void ResultsRecorder::status(const QString &text) {
  if (inner_)
    inner_->status(text);
}

bool ResultsRecorder::startJournal(const QString &path, const ShardResults &header) {
  journal_.setFileName(path);
  if (!journal_.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return false;
  journal_.write(headerLine(header));
  return journal_.flush();
}

void ResultsRecorder::pictureCommitted(const PictureOutcome &outcome, int done, int total) {
  // A file skipped because it is already there is the picture's output all
  // the same: a resumed shard skips what an earlier attempt wrote, and the
  // merge must still find it, at the address that attempt uploaded it to.
  const bool kept = outcome.kind == PictureOutcome::Skipped;
  ResultRecord record{outcome.index,       outcome.sourcePath, kept ? outcome.keptPath : outcome.outputPath,
                      outcome.errorEntries, outcome.uploadUrl, kept};
  const auto earlier = earlier_.constFind(record.index);
  if (kept && !record.output.isEmpty() && record.uploadUrl.isEmpty() && earlier != earlier_.cend() &&
      earlier->output == record.output)
    record.uploadUrl = earlier->uploadUrl;
  // One line at a time, so a shard killed later leaves what it did so far.
  if (journal_.isOpen()) {
    journal_.write(recordLine(record));
    journal_.flush();
  }
  records_ << record;
  if (inner_)
    inner_->pictureCommitted(outcome, done, total);
}

void ResultsRecorder::finished(const RunSummary &summary) {
  if (inner_)
    inner_->finished(summary);
}

bool mergeShardResults(const QString &folder, MergedRun &merged, QString &error) {
  const QDir dir(folder);
  const QStringList names = dir.entryList({QStringLiteral("kuvo-results-*-of-*.jsonl")}, QDir::Files, QDir::Name);
  if (names.isEmpty()) {
    error = QStringLiteral("输出文件夹“%1”中没有分片结果文件(kuvo-results-K-of-N.jsonl)。")
                .arg(QDir::toNativeSeparators(folder));
    return false;
  }
  std::map<int, ShardResults> shards;
  int count = 0;
  for (const QString &name : names) {
    ShardResults r;
    if (!readShardResults(dir.filePath(name), r, error))
      return false;
    if (name != resultsFileName(r.shard, r.count)) {
      error = QStringLiteral("结果文件“%1”的内容属于分片 %2/%3，与文件名不符。").arg(name).arg(r.shard).arg(r.count);
      return false;
    }
    if (count != 0 && r.count != count) {
      error = QStringLiteral("输出文件夹中有分成 %1 份和 %2 份的两次任务的结果文件；请删除旧的结果文件后再合并。")
                  .arg(count)
                  .arg(r.count);
      return false;
    }
    count = r.count;
    shards[r.shard] = std::move(r);
  }
  QStringList missing;
  for (int k = 0; k < count; ++k)
    if (!shards.count(k))
      missing << QString::number(k);
  if (!missing.isEmpty()) {
    error = QStringLiteral("缺少分片 %1 (共 %2 份) 的结果文件，无法合并。")
                .arg(missing.join(QStringLiteral("、")))
                .arg(count);
    return false;
  }
  const ShardResults &first = shards.at(0);
  for (const auto &[k, r] : shards) {
    if (r.jobHash != first.jobHash || r.listHash != first.listHash || r.total != first.total) {
      error = QStringLiteral("分片 %1 与分片 0 使用了不同的设置或图片列表，无法合并。").arg(k);
      return false;
    }
    if (!r.complete()) {
      error = QStringLiteral("分片 %1 没有处理完(%2/%3 张)，无法合并；请重新运行这个分片。")
                  .arg(k)
                  .arg(r.records.size())
                  .arg(Shard{k, count}.share(r.total));
      return false;
    }
  }

  merged = MergedRun();
  merged.first = first;
  merged.first.records.clear();
  RunSummary &s = merged.summary;
  s.total = first.total;
  s.errorText = ErrorTextHeader;
  s.outputPaths = QStringList(first.total, QString());
  merged.urlsByIndex = QStringList(first.total, QString());
  // Round-robin over the shards gives the records in list order.
  for (int i = 0; i < first.total; ++i) {
    const ShardResults &r = shards.at(i % count);
    const ResultRecord &rec = r.records[i / count];
    ++s.processed;
    if (!rec.output.isEmpty()) {
      s.outputPaths[i] = rec.output;
      ++s.saved;
    } else if (rec.kept) {
      ++s.skipped; // the file an earlier picture of its shard wrote
    }
    if (!rec.uploadUrl.isEmpty()) {
      s.uploadedUrls << rec.uploadUrl;
      merged.urlsByIndex[i] = rec.uploadUrl;
    }
    if (!rec.errorEntries.isEmpty()) {
      s.errorFlag = true;
      s.errorText += rec.errorEntries;
    }
  }
  return true;
}

} // namespace kuvo
