#include "cli/cli_options.h"

#include "cli/cluster_options.h"
#include "cli/job_option_parser.h"
#include "cli/option_table.h"

#include "engine/job_file.h"
#include "platform/program_paths.h"

namespace kuvo::cli {

bool parseCommandLine(const QStringList &args, CliJob &job, QString &error) {
  job.settings.outputFolder = defaultOutputFolder();
  JobOptionParser parser{job, error, QString(), false, false};

  // A job file goes first so that every command-line option overrides it.
  // Both "--job FILE" and "--job=FILE".
  for (int i = 0; i < args.size() && args[i] != QLatin1String("--"); ++i) {
    QString jobPath;
    if (args[i] == QLatin1String("--job") && i + 1 < args.size())
      jobPath = args[++i];
    else if (args[i].startsWith(QLatin1String("--job=")))
      jobPath = args[i].mid(6);
    else
      continue;
    bool readable = false;
    QStringList unknown;
    QString problem;
    const QStringList bad = loadJobFile(jobPath, job.settings, &readable, &unknown, &problem);
    if (!readable)
      return parser.fail(QStringLiteral("%1：“%2”。").arg(problem, jobPath));
    if (!unknown.isEmpty())
      job.warnings
          << QStringLiteral("任务文件“%1”中有未知的键，已忽略：%2").arg(jobPath, unknown.join(QLatin1Char(' ')));
    if (!bad.isEmpty())
      job.warnings
          << QStringLiteral("任务文件“%1”中这些键的值无法识别，已跳过：%2").arg(jobPath, bad.join(QLatin1Char(' ')));
  }

  bool optionsEnded = false;
  for (int i = 0; i < args.size(); ++i) {
    QString arg = args[i];
    if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
      job.inputs << arg;
      continue;
    }
    if (arg == QLatin1String("--")) {
      optionsEnded = true;
      continue;
    }
    QString value;
    bool hasValue = false;
    const int eq = arg.indexOf(QLatin1Char('='));
    if (arg.startsWith(QLatin1String("--")) && eq > 0) {
      value = arg.mid(eq + 1);
      arg = arg.left(eq);
      hasValue = true;
    } else if ((arg.startsWith(QLatin1String("-j")) || arg.startsWith(QLatin1String("-o"))) && arg.size() > 2) {
      value = arg.mid(2); // -j2, -oOUT
      arg = arg.left(2);
      hasValue = true;
    }
    if (!isRunOnlyOption(arg))
      job.jobOptionsGiven = true;
    if (isFlagOption(arg)) {
      if (arg == QLatin1String("-0"))
        job.nulSeparated = true;
      else if (arg == QLatin1String("-r") || arg == QLatin1String("--recursive"))
        job.recursive = true;
      else if (arg == QLatin1String("--strip-metadata"))
        job.settings.keepMetadata = false;
      else if (arg == QLatin1String("--strip-gps"))
        job.settings.stripGps = true;
      else if (arg == QLatin1String("--keep-gps"))
        job.settings.keepGps = true;
      else if (arg == QLatin1String("--flat"))
        job.flat = true;
      else if (arg == QLatin1String("-v") || arg == QLatin1String("--verbose"))
        job.verbose = true;
      else if (arg == QLatin1String("--version"))
        job.showVersion = true;
      else if (arg == QLatin1String("--list-presets"))
        job.listPresets = true;
      else if (arg == QLatin1String("--keep-date"))
        job.settings.keepFileDate = true;
      else if (arg == QLatin1String("--keep-small"))
        job.settings.keepSmall = true;
      else if (arg == QLatin1String("--error-log"))
        job.settings.saveErrorLog = true;
      else if (arg == QLatin1String("--quiet"))
        job.quiet = true;
      else if (arg == QLatin1String("--bold"))
        job.settings.bold = true;
      else if (arg == QLatin1String("--italic"))
        job.settings.italic = true;
      else if (arg == QLatin1String("--underline"))
        job.settings.underline = true;
      else if (arg == QLatin1String("--pdf"))
        job.settings.makePdf = true;
      else
        job.showHelp = true;
      continue;
    }
    if (!isValueOption(arg))
      return parser.fail(QStringLiteral("未知的选项“%1”。用 --help 查看全部选项。").arg(arg));
    if (!hasValue) {
      if (i + 1 >= args.size())
        return parser.fail(QStringLiteral("选项 %1 缺少参数。").arg(arg));
      value = args[++i];
    }
    if (arg == QLatin1String("--job"))
      continue; // read above
    if (!parser.option(arg, value))
      return false;
  }
  if (job.showHelp || job.showVersion || job.listPresets)
    return true;
  if (!parser.applySize())
    return false;
  if (!job.filesFrom.isEmpty() && !readListFile(job.filesFrom, job.nulSeparated, job.inputs, error))
    return false;
  if (job.inputs.isEmpty() && job.finishFolder.isEmpty())
    return parser.fail(QStringLiteral("没有指定要处理的图片或文件夹。"));
  if (!job.finishFolder.isEmpty() && job.shard.active())
    return parser.fail(QStringLiteral("--finish 在所有分片结束后单独运行，不能和 --shard 一起使用。"));
  return true;
}

} // namespace kuvo::cli
