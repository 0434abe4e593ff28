// Where a window run puts its files: the folder tree of an added folder and
// the rule for files that are already there.
#include "app_test_main.h"
#include "modal_helpers.h"
#include "app/file_list_panel.h"
#include "app/main_window.h"
#include "platform/settings_store.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace kuvo;

namespace {
const QString Sample = QStringLiteral(KUVO_SOURCE_DIR "/data/samples/rotated_camera.jpg");

void copySample(const QString &path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QVERIFY(QFile::copy(Sample, path));
}

QByteArray contents(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file below folder, relative to it, sorted.
QStringList filesBelow(const QString &folder) {
  QStringList out;
  QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext())
    out << QDir(folder).relativeFilePath(it.next());
  out.sort();
  return out;
}
} // namespace

class TestWindowOutputs : public QObject {
  Q_OBJECT
private:
  std::unique_ptr<MainWindow> makeWindow(const QMap<QString, QString> &keys) {
    QFile::remove(settingsFilePath());
    saveSetting(QStringLiteral("bAutoODir"), QStringLiteral("0"));
    for (auto it = keys.begin(); it != keys.end(); ++it)
      saveSetting(it.key(), it.value());
    return std::make_unique<MainWindow>();
  }

  static void runToEnd(MainWindow &w) {
    QSignalSpy finished(&w, &MainWindow::runFinished);
    w.findChild<QPushButton *>(QStringLiteral("cmdDone"))->click();
    QVERIFY(finished.wait(60000));
  }

private slots:
  void folderTree_data() {
    QTest::addColumn<bool>("keepTree");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QStringList>("expected");
    // Flat: the two x.jpg replace each other, as they always have.
    QTest::newRow("flat by default") << false << true << QStringList{"x.jpg", "y.jpg"};
    QTest::newRow("tree kept") << true << true << QStringList{"sub/deeper/y.jpg", "sub/x.jpg", "x.jpg"};
    QTest::newRow("no subfolders added") << true << false << QStringList{"x.jpg"};
  }
  void folderTree() {
    QFETCH(bool, keepTree);
    QFETCH(bool, subfolders);
    QFETCH(QStringList, expected);
    QTemporaryDir in, out;
    copySample(in.filePath(QStringLiteral("x.jpg")));
    copySample(in.filePath(QStringLiteral("sub/x.jpg")));
    copySample(in.filePath(QStringLiteral("sub/deeper/y.jpg")));
    auto w = makeWindow({});
    // The tick is set through the options dialog as a user would.
    onNextModal([keepTree](QWidget *d) {
      auto *tick = d->findChild<QCheckBox *>(QStringLiteral("chkKeepTree"));
      QVERIFY(tick);
      QVERIFY(!tick->isChecked()); // off by default
      tick->setChecked(keepTree);
      d->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
    });
    QVERIFY(w->openOptions(frmOption::Options));
    QCOMPARE(readSetting(QStringLiteral("bKeepTree")), keepTree ? QStringLiteral("1") : QStringLiteral("0"));
    w->setOutputFolder(out.path());
    QSignalSpy scanned(w.get(), &MainWindow::scanFinished);
    w->addFolder(in.path(), subfolders);
    QVERIFY(scanned.size() == 1 || scanned.wait(30000));
    runToEnd(*w);
    QCOMPARE(filesBelow(out.path()), expected);
    // The originals are all still there, untouched.
    QCOMPARE(contents(in.filePath(QStringLiteral("sub/x.jpg"))), contents(Sample));
  }

  // Entries removed while a run goes on do not shift the kept folders of
  // the pictures still to come.
  void treeKeptWhileListChanges() {
    QTemporaryDir in, out;
    for (int i = 0; i < 10; ++i) {
      copySample(in.filePath(QStringLiteral("a/p%1.jpg").arg(i)));
      copySample(in.filePath(QStringLiteral("b/q%1.jpg").arg(i)));
    }
    auto w = makeWindow({{QStringLiteral("bKeepTree"), QStringLiteral("1")}});
    w->setOutputFolder(out.path());
    QSignalSpy scanned(w.get(), &MainWindow::scanFinished);
    w->addFolder(in.path(), true);
    QVERIFY(scanned.size() == 1 || scanned.wait(30000));
    auto *list = w->findChild<FileListPanel *>();
    QCOMPARE(list->count(), 20);
    auto *brightness = w->findChild<QSlider *>(QStringLiteral("sldLD"));
    QVERIFY(brightness);
    // Any change after the removal hands the job to the run again.
    connect(w.get(), &MainWindow::runProgressed, list, [list, brightness](int done) {
      if (done == 1) {
        list->removeEntry(0);
        brightness->setValue(5);
      }
    });
    runToEnd(*w);
    const QStringList made = filesBelow(out.path());
    QCOMPARE(made.size(), 20);
    for (const QString &file : made)
      QVERIFY2(file.startsWith(QLatin1String("a/p")) || file.startsWith(QLatin1String("b/q")), qPrintable(file));
  }

  void existingFileRule_data() {
    QTest::addColumn<QString>("rule");
    QTest::addColumn<bool>("oldKept");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("made"); // the file this run wrote, if any
    QTest::newRow("overwrite") << "0" << false << QStringList{"p.jpg"} << "p.jpg";
    QTest::newRow("skip") << "1" << true << QStringList{"p.jpg"} << "";
    QTest::newRow("rename") << "2" << true << QStringList{"p.jpg", "p_2.jpg"} << "p_2.jpg";
  }
  void existingFileRule() {
    QFETCH(QString, rule);
    QFETCH(bool, oldKept);
    QFETCH(QStringList, expected);
    QFETCH(QString, made);
    QTemporaryDir in, out;
    const QString source = in.filePath(QStringLiteral("p.jpg"));
    copySample(source);
    const QString old = out.filePath(QStringLiteral("p.jpg"));
    QFile f(old);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("an earlier output");
    f.close();
    auto w = makeWindow({{QStringLiteral("iExisting"), rule}});
    QCOMPARE(w->optionValues().existingFiles, rule.toInt());
    w->setOutputFolder(out.path());
    QCOMPARE(w->addFiles({source}), 1);
    runToEnd(*w);
    QCOMPARE(filesBelow(out.path()), expected);
    QCOMPARE(contents(old) == "an earlier output", oldKept);
    if (!made.isEmpty())
      QCOMPARE(QImage(out.filePath(made)).width(), 800);
  }
};

KUVO_APP_TEST_MAIN(TestWindowOutputs)

#include "tst_window_outputs.moc"
