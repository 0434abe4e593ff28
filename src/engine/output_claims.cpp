#include "engine/output_claims.h"

#include <QFileInfo>
#include <filesystem>
#include <optional>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace kuvo {

namespace {

// A key that two paths share exactly when they name one file.
std::optional<QString> fileIdentity(const QString &path) {
#ifdef Q_OS_WIN
  std::error_code error;
  const auto canonical = std::filesystem::canonical(std::filesystem::path(path.toStdWString()), error);
  if (error)
    return std::nullopt;
  return QString::fromStdWString(canonical.wstring()).toLower();
#else
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0)
    return std::nullopt;
  return QStringLiteral("%1:%2").arg(quint64(info.st_dev)).arg(quint64(info.st_ino));
#endif
}

} // namespace

bool existingFilesFromName(const QString &name, ExistingFiles &rule) {
  for (ExistingFiles r : {ExistingFiles::Overwrite, ExistingFiles::Skip, ExistingFiles::Rename})
    if (name == existingFilesName(r)) {
      rule = r;
      return true;
    }
  return false;
}

QString existingFilesName(ExistingFiles rule) {
  switch (rule) {
  case ExistingFiles::Skip:
    return QStringLiteral("skip");
  case ExistingFiles::Rename:
    return QStringLiteral("rename");
  case ExistingFiles::Overwrite:
    break;
  }
  return QStringLiteral("overwrite");
}

bool isSameFile(const QString &a, const QString &b) {
  const auto ia = fileIdentity(a);
  return ia && ia == fileIdentity(b);
}

QString freeNumberedPath(const QString &path) {
  const QFileInfo info(path);
  const QString stem = info.path() + QLatin1Char('/') + info.completeBaseName();
  const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
  for (int n = 2;; ++n) {
    const QString candidate = stem + QLatin1Char('_') + QString::number(n) + suffix;
    if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink())
      return candidate;
  }
}

OutputDecision OutputClaims::decide(const QString &planned, const QString &source, ExistingFiles rule) const {
  OutputDecision decision;
  decision.path = planned;
  const auto identity = fileIdentity(planned);
  if (!identity)
    return decision; // nothing there yet
  if (rule == ExistingFiles::Rename) {
    decision.path = freeNumberedPath(planned);
    return decision;
  }
  // The source itself is never an output, whatever the rule.
  if (identity == fileIdentity(source)) {
    decision.kind = OutputDecision::IsSource;
    return decision;
  }
  decision.replacesIndex = written_.value(*identity, -1);
  if (rule == ExistingFiles::Skip)
    decision.kind = OutputDecision::Skip;
  return decision;
}

void OutputClaims::claim(const QString &path, int index) {
  if (const auto identity = fileIdentity(path))
    written_.insert(*identity, index);
}

} // namespace kuvo
