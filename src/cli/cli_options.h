#pragma once
// kuvo-batch's command line: options to a job.
#include "engine/processing_settings.h"
#include "engine/shard.h"
#include "publish/upload_settings.h"

#include <QString>
#include <QStringList>

namespace kuvo::cli {

struct CliJob {
  ProcessingSettings settings;
  QStringList inputs; // files and folders as given
  bool recursive = false;
  bool flat = false; // with recursive: every output straight into the output folder
  bool quiet = false;
  bool verbose = false; // one line per picture as it is committed
  int jobs = 0; // 0: one per core
  bool showHelp = false;
  bool showVersion = false;
  bool listPresets = false;
  UploadSettings upload; // --upload and the --ftp-* options
  QStringList warnings;  // told once on stderr before the run
  // Cluster runs (cli/cluster_options.h)
  QString filesFrom;          // list of inputs, "-" for standard input
  bool nulSeparated = false;  // -0: the list is NUL-separated
  Shard shard;                // --shard: handle only this part of the list
  QString finishFolder;       // --finish: merge the shards' results there
  bool jobOptionsGiven = false; // an option or --job that shapes what the job writes
};

// Parses arguments (without the program name). On a usage error returns false
// with a message in error.
bool parseCommandLine(const QStringList &args, CliJob &job, QString &error);

QString helpText();

// The presets of size.ini, one a line with the number --size takes.
QString presetListText();

} // namespace kuvo::cli
