#pragma once
// Where a run's output really goes: the rule for files that already exist,
// the protection of the source file, and the outputs of this run that land
// on the same file. BatchRun asks in list order, so the answers do not
// depend on how many pictures are made at once.
#include "engine/processing_settings.h"

#include <QHash>
#include <QString>

namespace kuvo {

// "overwrite", "skip", "rename"; nullopt-like false for anything else.
bool existingFilesFromName(const QString &name, ExistingFiles &rule);
QString existingFilesName(ExistingFiles rule);

// True when both paths name one existing file: after resolving links, and
// where the file system folds letter case, whatever the case.
bool isSameFile(const QString &a, const QString &b);

// name_2.ext, name_3.ext, ... : the first of these that names no file.
QString freeNumberedPath(const QString &path);

struct OutputDecision {
  enum Kind { Write, Skip, IsSource } kind = Write;
  QString path;           // where to write (Write), or the file left alone
  int replacesIndex = -1; // an earlier picture of this run whose file this one replaces (or skips)
};

class OutputClaims {
public:
  // Decides for the picture at index, made from source, planned for path.
  OutputDecision decide(const QString &planned, const QString &source, ExistingFiles rule) const;
  // Records that index's picture now is the file at path.
  void claim(const QString &path, int index);

private:
  QHash<QString, int> written_; // file identity -> list index
};

} // namespace kuvo
