#pragma once
// The results file of one shard, kuvo-results-K-of-N.jsonl in the output
// folder: a header line (shard, shard count, list length, the job's hashes
// and its settings) and one line per handled picture. The finish step merges
// the files of all shards into the outcome one run over the list ends with.
#include "engine/batch_run.h"

#include <QFile>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

namespace kuvo {

QString resultsFileName(int shard, int count);
// The same name + ".partial": the lines of an attempt still running (or
// killed), one per committed picture; removed when the results file is written.
QString journalFileName(int shard, int count);

struct ResultRecord {
  int index = 0;
  QString source;
  QString output; // the picture's file; empty when there is none
  QString errorEntries;
  QString uploadUrl;
  // The planned file was already there and was left alone: output names it
  // when it came from before the run (an earlier attempt), and is empty when
  // an earlier picture of this run wrote it.
  bool kept = false;
};

struct ShardResults {
  int shard = 0;
  int count = 1;
  int total = 0;                 // entries of the whole list
  QString jobHash;               // the settings that shape the outputs
  QString listHash;              // the list, in order
  QJsonObject job;               // what the finish step needs to rebuild the settings
  QVector<ResultRecord> records; // in list order

  bool complete() const; // every entry of the shard was handled
  int failures() const;  // records with an error entry, or with no output that was not skipped
};

// Writes the file atomically: a half-written file never replaces a good one.
// Then removes the shard's journal.
bool writeShardResults(const QString &folder, const ShardResults &results, QString &error);
// Reads one file (or journal); error names the file and line that is wrong,
// and results keeps the lines before it.
bool readShardResults(const QString &path, ShardResults &results, QString &error);

// Collects what the results file needs from the committed pictures and
// passes every event on to the observer it wraps.
class ResultsRecorder : public BatchObserver {
public:
  explicit ResultsRecorder(BatchObserver *inner = nullptr) : inner_(inner) {}
  // Also appends every record to a journal, flushed line by line.
  bool startJournal(const QString &path, const ShardResults &header);
  // Records of an earlier attempt of the shard, by list index: a picture
  // this attempt leaves alone keeps the address it was uploaded to then.
  void setEarlierRecords(QHash<int, ResultRecord> records) { earlier_ = std::move(records); }
  void status(const QString &text) override;
  void pictureCommitted(const PictureOutcome &outcome, int done, int total) override;
  void finished(const RunSummary &summary) override;
  const QVector<ResultRecord> &records() const { return records_; }

private:
  BatchObserver *inner_;
  QVector<ResultRecord> records_;
  QHash<int, ResultRecord> earlier_;
  QFile journal_;
};

struct MergedRun {
  ShardResults first;      // header of shard 0: the job every shard ran
  RunSummary summary;      // as one run's loop leaves it
  QStringList urlsByIndex; // public address per list index
};

// Reads every results file in folder and merges them in list order. Refuses
// (false, with the reason) when a shard is missing or incomplete, when the
// shards ran different jobs or lists, or when files of another split are there.
bool mergeShardResults(const QString &folder, MergedRun &merged, QString &error);

} // namespace kuvo
