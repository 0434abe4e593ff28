#include "platform/desktop_tool.h"

#include <QProcess>
#include <QStandardPaths>

namespace kuvo {

QString ToolRun::errorLine() const {
  const QList<QByteArray> lines = err.split('\n');
  for (const QByteArray &line : lines) {
    const QString text = QString::fromLocal8Bit(line).trimmed();
    if (!text.isEmpty())
      return text.left(160);
  }
  return QString();
}

QString ToolRun::failure(const QString &program) const {
  if (!found)
    return QStringLiteral("找不到程序 %1").arg(program);
  if (!finished)
    return QStringLiteral("%1 在 10 秒内没有结束").arg(program);
  if (exitCode != 0) {
    const QString why = errorLine();
    return why.isEmpty() ? QStringLiteral("%1 执行失败（退出码 %2）").arg(program).arg(exitCode)
                         : QStringLiteral("%1 执行失败：%2").arg(program, why);
  }
  return QString();
}

bool toolExists(const QString &program) {
  return !QStandardPaths::findExecutable(program).isEmpty();
}

ToolRun runTool(const QString &program, const QStringList &args, int timeoutMs) {
  ToolRun run;
  const QString exe = QStandardPaths::findExecutable(program);
  if (exe.isEmpty())
    return run;
  run.found = true;
  QProcess p;
  p.start(exe, args);
  if (!p.waitForStarted(timeoutMs)) {
    run.err = p.errorString().toLocal8Bit();
    run.finished = true;
    return run;
  }
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished(1000);
    return run;
  }
  run.finished = true;
  run.out = p.readAllStandardOutput();
  run.err = p.readAllStandardError();
  run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return run;
}

} // namespace kuvo
