// A damaged settings file: the program starts with its defaults and the file
// is kept beside under a time-stamped name. The configuration folder is a
// temporary one, set before the first QSettings, so the user's real settings
// are never touched.
#include "platform/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace kuvo;

namespace {

QTemporaryDir *home = nullptr;

bool writeFile(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// "<file>.broken-yyyyMMdd-HHmmss", with "-N" when that name was taken.
bool isKeptName(const QString &kept, const QString &file) {
  static const QRegularExpression stamp(QStringLiteral("^\\.broken-\\d{8}-\\d{6}(-\\d+)?$"));
  return kept.startsWith(file) && stamp.match(kept.mid(file.size())).hasMatch();
}

} // namespace

class TestSettingsStoreRecovery : public QObject {
  Q_OBJECT
private slots:
  void firstOpenSetsBrokenFileAside();
  void files_data();
  void files();
  void folderInPlaceOfTheFile();
  void twoInOneSecondKeepBoth();
};

// Runs first: nothing has opened the store yet in this process.
void TestSettingsStoreRecovery::firstOpenSetsBrokenFileAside() {
  const QString file = settingsFilePath();
  QVERIFY2(file.startsWith(home->path()), qPrintable(file));
  const QByteArray broken("[Options]\nsText=\xff\xfe\xfd\nlColor=255\n");
  QVERIFY(writeFile(file, broken));

  QCOMPARE(readSetting(QStringLiteral("lColor"), QStringLiteral("default")), QStringLiteral("default"));
  const QString kept = brokenSettingsKeptAs();
  QVERIFY2(isKeptName(kept, file), qPrintable(kept));
  QCOMPARE(readFile(kept), broken);
  QVERIFY(!QFileInfo::exists(file));

  // The store works again: a new file with only what was saved since.
  QVERIFY(saveSetting(QStringLiteral("iSize"), QStringLiteral("12")));
  QCOMPARE(readSetting(QStringLiteral("iSize")), QStringLiteral("12"));
  QVERIFY(!hasSetting(QStringLiteral("lColor")));
  QCOMPARE(readFile(kept), broken);
  // Only the first open checks.
  QCOMPARE(brokenSettingsKeptAs(), kept);
  QVERIFY(QFile::remove(file));
  QVERIFY(QFile::remove(kept));
}

void TestSettingsStoreRecovery::files_data() {
  QTest::addColumn<QByteArray>("content");
  QTest::addColumn<bool>("broken");
  QTest::addColumn<QString>("fontValue"); // what the store reads afterwards

  QTest::newRow("sound") << QByteArray("[Options]\nsFont=黑体\n") << false << QStringLiteral("黑体");
  QTest::newRow("sound with BOM and CRLF") << QByteArray("\xEF\xBB\xBF[Options]\r\nsFont=楷体\r\n") << false
                                           << QStringLiteral("楷体");
  QTest::newRow("empty") << QByteArray() << false << QStringLiteral("default");
  QTest::newRow("latin-1 text") << QByteArray("[Options]\nsFont=Caf\xE9\n") << true << QStringLiteral("default");
  QTest::newRow("UTF-16") << QByteArray("\xFF\xFE[\0O\0]\0", 8) << true << QStringLiteral("default");
  QTest::newRow("NUL bytes") << QByteArray("[Options]\nsFont=a\0b\n", 19) << true << QStringLiteral("default");
  QTest::newRow("truncated section") << QByteArray("[Options\nsFont=x\n") << true << QStringLiteral("default");
  QTest::newRow("line without key") << QByteArray("[Options]\nsFont=x\njust words\n") << true
                                    << QStringLiteral("default");
  QTest::newRow("random bytes") << QByteArray::fromHex("8950e8a1c3ff00104000deadbeef7f80") << true
                                << QStringLiteral("default");
}

void TestSettingsStoreRecovery::files() {
  QFETCH(QByteArray, content);
  QFETCH(bool, broken);
  QFETCH(QString, fontValue);
  const QString file = settingsFilePath();
  QVERIFY(writeFile(file, content));

  const QString kept = setAsideBrokenSettings();
  if (broken) {
    QVERIFY2(isKeptName(kept, file), qPrintable(kept));
    QCOMPARE(readFile(kept), content);
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(QFile::remove(kept));
  } else {
    QCOMPARE(kept, QString());
    QCOMPARE(readFile(file), content);
  }
  QCOMPARE(readSetting(QStringLiteral("sFont"), QStringLiteral("default")), fontValue);
  QFile::remove(file);
}

// Root reads any file, so an unreadable store is made of a folder instead.
void TestSettingsStoreRecovery::folderInPlaceOfTheFile() {
  const QString file = settingsFilePath();
  QVERIFY(QDir().mkpath(file + QStringLiteral("/inside")));
  const QString kept = setAsideBrokenSettings();
  QVERIFY2(isKeptName(kept, file), qPrintable(kept));
  QVERIFY(QFileInfo(kept + QStringLiteral("/inside")).isDir());
  QVERIFY(!QFileInfo::exists(file));
  QVERIFY(saveSetting(QStringLiteral("sFont"), QStringLiteral("宋体")));
  QCOMPARE(readSetting(QStringLiteral("sFont")), QStringLiteral("宋体"));
  QVERIFY(QDir(kept).removeRecursively());
  QVERIFY(QFile::remove(file));
}

void TestSettingsStoreRecovery::twoInOneSecondKeepBoth() {
  const QString file = settingsFilePath();
  QStringList kept;
  for (const QByteArray &content : {QByteArray("first\n"), QByteArray("second\n"), QByteArray("third\n")}) {
    QVERIFY(writeFile(file, content));
    kept << setAsideBrokenSettings();
    QVERIFY2(isKeptName(kept.last(), file), qPrintable(kept.last()));
    QCOMPARE(readFile(kept.last()), content);
  }
  kept.removeDuplicates();
  QCOMPARE(kept.size(), 3);
  for (const QString &k : kept)
    QFile::remove(k);
}

int main(int argc, char **argv) {
  // Before the first QSettings: Qt takes the configuration folder once.
  QTemporaryDir dir;
  if (!dir.isValid())
    return 1;
  home = &dir;
  qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
  qputenv("HOME", dir.path().toLocal8Bit());
  QCoreApplication app(argc, argv);
  TestSettingsStoreRecovery test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_settings_store_recovery.moc"
