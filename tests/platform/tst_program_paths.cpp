// Where the data and the zp/user folders are found for each way the program
// can be laid out on disk.
#include "platform/program_paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace kuvo;

class TestProgramPaths : public QObject {
  Q_OBJECT
  QTemporaryDir root_;
  QString perUser() const { return root_.path() + QStringLiteral("/home/.local/share/kuvo"); }
  void touch(const QString &path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
  }

private slots:
  void portableFolderKeepsEverythingBeside() {
    const QString dir = root_.path() + QStringLiteral("/portable");
    touch(dir + QStringLiteral("/size.ini"));
    // A share/kuvo above does not win over the data beside the executable.
    QDir().mkpath(root_.path() + QStringLiteral("/share/kuvo"));
    const ProgramFolders f = programFoldersFor(dir, perUser());
    QCOMPARE(f.data, dir);
    QCOMPARE(f.writable, dir);
  }

  void installedLayoutWritesPerUserEvenWhenBinIsWritable() {
    const QString prefix = root_.path() + QStringLiteral("/usr");
    QDir().mkpath(prefix + QStringLiteral("/bin"));
    touch(prefix + QStringLiteral("/share/kuvo/size.ini"));
    const ProgramFolders f = programFoldersFor(prefix + QStringLiteral("/bin"), perUser());
    QCOMPARE(f.data, prefix + QStringLiteral("/share/kuvo"));
    QVERIFY(QFileInfo(prefix + QStringLiteral("/bin")).isWritable()); // as for root in /usr/bin
    QCOMPARE(f.writable, perUser());
  }

  void readOnlyPortableFolderWritesPerUser() {
    if (geteuid() == 0)
      QSKIP("root may write into any folder");
    const QString dir = root_.path() + QStringLiteral("/readonly");
    touch(dir + QStringLiteral("/bk/frame.png"));
    QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
    const ProgramFolders f = programFoldersFor(dir, perUser());
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(f.data, dir);
    QCOMPARE(f.writable, perUser());
  }
};

QTEST_GUILESS_MAIN(TestProgramPaths)
#include "tst_program_paths.moc"
