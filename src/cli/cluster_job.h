#pragma once
// What the shards of one job share and record: the hashes that tell whether
// two processes ran the same job, the settings the finish step rebuilds, and
// each shard's results file.
#include "cli/cli_options.h"
#include "engine/run_results.h"

#include <QHash>
#include <QJsonObject>
#include <QString>

namespace kuvo::cli {

// SHA-256 of every setting that shapes what the job writes (not the output
// folder, the list or how this process runs), and of the list in order.
QString jobHash(const CliJob &job);
QString listHash(const QStringList &files);

// The settings as the results file keeps them (never the FTP password), and
// back: the finish step's settings when it is given no job options.
QJsonObject jobRecord(const CliJob &job);
bool restoreJob(const QJsonObject &record, CliJob &job);

// A re-submitted shard whose results file is already there for this job,
// complete and without failures, and whose outputs all still exist.
bool shardAlreadyDone(const CliJob &job);

// What earlier attempts of this shard recorded for the same job, by list
// index: its results file and the journal a killed attempt left.
QHash<int, ResultRecord> earlierRecords(const CliJob &job);
// Before the shard runs: the recorder gets the earlier records (so pictures
// left alone keep their upload addresses) and starts the shard's journal.
void startShardRecords(const CliJob &job, ResultsRecorder &recorder);

// Writes kuvo-results-K-of-N.jsonl for the shard's run and removes the journal.
bool saveShardResults(const CliJob &job, const QVector<ResultRecord> &records, QString &error);

} // namespace kuvo::cli
