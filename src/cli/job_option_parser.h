#pragma once
// The options of kuvo-batch that shape the job: what is made of each picture,
// where it goes and whether it is published.
#include "cli/cli_options.h"

#include <QString>

namespace kuvo::cli {

struct JobOptionParser {
  CliJob &job;
  QString &error;
  QString sizeName; // --size, applied once every option is read
  bool widthGiven = false, heightGiven = false;

  // Leaves message in error; returns false.
  bool fail(const QString &message);
  bool number(const QString &opt, const QString &v, double &out);
  bool integer(const QString &opt, const QString &v, int lo, int hi, int &out);
  bool pair(const QString &opt, const QString &v, double &a, double &b);

  // One option that takes a value; false with a message in error when the
  // option or its value is wrong.
  bool option(const QString &opt, const QString &v);
  // The PDF and upload options. Returns false when opt is not one of them;
  // a bad value leaves its message in error.
  bool publishOption(const QString &opt, const QString &v);
  // --size, --width and --height together, against size.ini's presets.
  bool applySize();
};

} // namespace kuvo::cli
