#pragma once
// The options that let kuvo-batch run as one worker of a cluster job:
// --files-from (with -0), --shard and --finish.
#include "engine/shard.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace kuvo::cli {

struct CliJob;

// Handles opt when it is one of these options: 1 when its value was taken,
// 0 when the value is wrong (message in error), -1 when opt is another option.
int clusterOption(const QString &opt, const QString &value, CliJob &job, QString &error);

// Options that change how this process runs, where it writes or what it
// reads, but not what the job makes of each picture: --finish may be given
// them without their being compared with the shards' settings.
bool isRunOnlyOption(const QString &opt);

// "K/N", "slurm" (SLURM_ARRAY_TASK_ID less SLURM_ARRAY_TASK_MIN, of
// SLURM_ARRAY_TASK_COUNT) or "k8s/N" (JOB_COMPLETION_INDEX of N).
using EnvLookup = std::function<QString(const char *name)>;
bool parseShard(const QString &text, const EnvLookup &env, Shard &shard, QString &error);

// The entries of a list file ("-": standard input), one a line or
// NUL-separated; empty entries are skipped, a line's CR LF end is dropped.
bool readListFile(const QString &path, bool nulSeparated, QStringList &entries, QString &error);

} // namespace kuvo::cli
