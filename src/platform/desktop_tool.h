#pragma once
// Running a desktop's command-line tool and keeping what it said, so that a
// failure can be reported with the tool's own words.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kuvo {

struct ToolRun {
  bool found = false;    // the program is on PATH
  bool finished = false; // it ended within the time limit
  int exitCode = -1;
  QByteArray out, err;

  bool ok() const { return found && finished && exitCode == 0; }
  // The first line of the tool's error output, trimmed; empty when silent.
  QString errorLine() const;
  // Why the run failed, in Chinese, naming the program ("找不到程序 …",
  // "… 执行失败：…"); empty when it succeeded.
  QString failure(const QString &program) const;
};

bool toolExists(const QString &program);

// Runs program with args and waits at most timeoutMs.
ToolRun runTool(const QString &program, const QStringList &args, int timeoutMs = 10000);

} // namespace kuvo
