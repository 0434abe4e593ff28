#pragma once
// kuvo-batch run to its end from a test: its exit status and what it printed.
#include <QProcess>
#include <QString>
#include <QStringList>

struct BatchResult {
  int exitCode = -1; // -1: not finished within two minutes; -2: crashed
  QString out, err;
};

struct BatchCall {
  QString program = QStringLiteral(KUVO_BIN_DIR "/kuvo-batch");
  QStringList env;  // NAME=value pairs added to the environment
  QByteArray input; // standard input
  QString workDir;
};

inline BatchResult runBatchProcess(const QStringList &args, const BatchCall &call = {}) {
  QProcess p;
  if (!call.env.isEmpty()) {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString &kv : call.env)
      e.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(e);
  }
  if (!call.workDir.isEmpty())
    p.setWorkingDirectory(call.workDir);
  p.start(call.program, args);
  p.write(call.input);
  p.closeWriteChannel();
  BatchResult r;
  if (!p.waitForFinished(120000))
    return r;
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}
