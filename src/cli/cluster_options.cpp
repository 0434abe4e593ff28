#include "cli/cluster_options.h"

#include "cli/cli_options.h"
#include "engine/native_names.h"

#include <QDir>
#include <QFile>
#include <cstdio>

namespace kuvo::cli {

namespace {

bool wholeNumber(const QString &text, int &out) {
  bool ok = false;
  out = text.trimmed().toInt(&ok);
  return ok && out >= 0;
}

} // namespace

bool parseShard(const QString &text, const EnvLookup &env, Shard &shard, QString &error) {
  int k = -1, n = 0;
  if (text == QLatin1String("slurm")) {
    const QString id = env("SLURM_ARRAY_TASK_ID"), count = env("SLURM_ARRAY_TASK_COUNT");
    const QString min = env("SLURM_ARRAY_TASK_MIN");
    int first = 0;
    if (!wholeNumber(id, k) || !wholeNumber(count, n) || (!min.isEmpty() && !wholeNumber(min, first))) {
      error = QStringLiteral("--shard slurm 需要在 Slurm 任务数组中运行(没有有效的 SLURM_ARRAY_TASK_ID 和 "
                             "SLURM_ARRAY_TASK_COUNT)。");
      return false;
    }
    k -= first;
  } else if (text.startsWith(QLatin1String("k8s/"))) {
    if (!wholeNumber(text.mid(4), n) || !wholeNumber(env("JOB_COMPLETION_INDEX"), k)) {
      error = QStringLiteral("--shard k8s/N 需要分片数 N 和环境变量 JOB_COMPLETION_INDEX(Kubernetes 的 Indexed Job)。");
      return false;
    }
  } else {
    const QStringList parts = text.split(QLatin1Char('/'));
    if (parts.size() != 2 || !wholeNumber(parts[0], k) || !wholeNumber(parts[1], n)) {
      error = QStringLiteral("--shard 需要 K/N、slurm 或 k8s/N，而不是“%1”。").arg(text);
      return false;
    }
  }
  if (n < 1 || k < 0 || k >= n) {
    error = QStringLiteral("分片序号 %1 不在 0 到 %2 之间(共 %3 份)。").arg(k).arg(n - 1).arg(n);
    return false;
  }
  shard = Shard{k, n};
  return true;
}

bool readListFile(const QString &path, bool nulSeparated, QStringList &entries, QString &error) {
  QFile file;
  const bool standardInput = path == QLatin1String("-");
  const bool opened =
      standardInput ? file.open(stdin, QIODevice::ReadOnly) : openForReading(file, path);
  if (!opened) {
    error = QStringLiteral("无法读取图片列表“%1”：%2").arg(path, file.errorString());
    return false;
  }
  const QByteArray data = file.readAll();
  for (QByteArray entry : data.split(nulSeparated ? '\0' : '\n')) {
    if (!nulSeparated && entry.endsWith('\r'))
      entry.chop(1);
    if (!entry.isEmpty())
      entries << nameFromNativeBytes(entry); // a GBK name is found again by its bytes
  }
  return true;
}

int clusterOption(const QString &opt, const QString &value, CliJob &job, QString &error) {
  if (opt == QLatin1String("--files-from")) {
    job.filesFrom = value;
  } else if (opt == QLatin1String("--shard")) {
    const auto env = [](const char *name) { return qEnvironmentVariable(name); };
    if (!parseShard(value, env, job.shard, error))
      return 0;
  } else if (opt == QLatin1String("--finish")) {
    job.finishFolder = QDir::cleanPath(QDir::current().absoluteFilePath(value));
  } else {
    return -1;
  }
  return 1;
}

bool isRunOnlyOption(const QString &opt) {
  static const QStringList options{
      QStringLiteral("--finish"),     QStringLiteral("--shard"),    QStringLiteral("-j"),
      QStringLiteral("--jobs"),       QStringLiteral("--quiet"),    QStringLiteral("-v"),
      QStringLiteral("--verbose"),    QStringLiteral("--existing"), QStringLiteral("-0"),
      QStringLiteral("--files-from"), QStringLiteral("-r"),         QStringLiteral("--recursive"),
      QStringLiteral("-o"),           QStringLiteral("--output")};
  return options.contains(opt);
}

} // namespace kuvo::cli
