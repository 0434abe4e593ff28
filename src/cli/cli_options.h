#pragma once
// kuvo-batch's command line: options to a job.
#include "engine/processing_settings.h"
#include "publish/upload_settings.h"

#include <QString>
#include <QStringList>

namespace kuvo::cli {

struct CliJob {
  ProcessingSettings settings;
  QStringList inputs; // files and folders as given
  bool recursive = false;
  bool quiet = false;
  int jobs = 0; // 0: one per core
  bool showHelp = false;
  UploadSettings upload; // --upload and the --ftp-* options
};

// Parses arguments (without the program name). On a usage error returns false
// with a message in error.
bool parseCommandLine(const QStringList &args, CliJob &job, QString &error);

QString helpText();

} // namespace kuvo::cli
