// Rules of the main window that need no widget.
#include "app/folder_scan.h"
#include "app/wait_window.h"
#include "app/window_rules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace kuvo;

namespace {
void touch(const QString &path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
}
} // namespace

class TestWindowRules : public QObject {
  Q_OBJECT
private slots:
  void scaleMapping_data() {
    QTest::addColumn<int>("v");
    QTest::addColumn<float>("scale");
    QTest::newRow("-20 never zero") << -20 << 0.05f;
    QTest::newRow("-10") << -10 << 0.5f;
    QTest::newRow("0") << 0 << 1.0f;
    QTest::newRow("5") << 5 << 1.5f;
    QTest::newRow("10") << 10 << 2.0f;
    QTest::newRow("11 jumps") << 11 << 3.2f;
    QTest::newRow("20") << 20 << 5.0f;
  }
  void scaleMapping() {
    QFETCH(int, v);
    QFETCH(float, scale);
    QCOMPARE(watermarkScaleFor(v), scale);
  }

  void statusLine_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("shown");
    QTest::newRow("short") << 10 << 10;
    QTest::newRow("240 kept") << 240 << 240;
    QTest::newRow("241 cut") << 241 << 233;
  }
  void statusLine() {
    QFETCH(int, length);
    QFETCH(int, shown);
    const QString text(length, QChar(u'图'));
    const QString line = statusLineText(text);
    QCOMPARE(line.size(), shown);
    if (shown != length)
      QVERIFY(line.endsWith(QStringLiteral("...")) && line.startsWith(text.left(230)));
  }

  void shortenedPaths_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");
    QTest::newRow("22 whole") << QStringLiteral("/a/bcdefghij/klmnopqrs") << QStringLiteral("/a/bcdefghij/klmnopqrs");
    QTest::newRow("23 cut") << QStringLiteral("/home/user/pictures/zp1") << QStringLiteral("/ho...user/pictures/zp1");
  }
  void shortenedPaths() {
    QFETCH(QString, path);
    QFETCH(QString, shown);
    QCOMPARE(shortenedPath(path), shown);
  }

  void appendRules_data() {
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<QStringList>("result");
    QTest::newRow("accepted names") << QStringList{} << QStringList{"/p/a.JPG",  "/p/b.jpeg", "/p/c.tif",
                                                                    "/p/d.TIFF", "/p/e.png",  "/p/f.txt"}
                                    << QStringList{"/p/a.JPG", "/p/b.jpeg", "/p/c.tif", "/p/d.TIFF", "/p/e.png"};
    QTest::newRow("duplicates exact") << QStringList{"/p/a.jpg"} << QStringList{"/p/a.jpg", "/p/A.jpg", "/p/A.jpg"}
                                      << QStringList{"/p/a.jpg", "/p/A.jpg"};
  }
  void appendRules() {
    QFETCH(QStringList, present);
    QFETCH(QStringList, candidates);
    QFETCH(QStringList, result);
    QStringList list = present;
    QCOMPARE(appendNewPictures(list, candidates), result.size() - present.size());
    QCOMPARE(list, result);
  }

  void removedStackRestoresOrder() {
    const QStringList original{"a", "b", "c", "d", "e", "f"};
    QStringList list = original;
    RemovedStack stack;
    // Entries 2 and 5 removed from the last down, as the window does.
    stack.push(list.takeAt(5), 5);
    stack.push(list.takeAt(2), 2);
    // A later single removal of the first entry.
    stack.push(list.takeAt(0), 0);
    QCOMPARE(list, (QStringList{"b", "d", "e"}));
    stack.restoreInto(list);
    QCOMPARE(list, original);
    QVERIFY(stack.isEmpty());
  }

  void removedStackKeepsFirst501() {
    RemovedStack stack;
    QStringList list;
    for (int i = 0; i < 600; ++i)
      stack.push(QString::number(i), 0);
    QCOMPARE(stack.size(), RemovedStack::MaxRestorable);
    stack.restoreInto(list);
    QCOMPARE(list.size(), 501);
    QCOMPARE(list.first(), QStringLiteral("0"));
  }

  void newFolderNumbering() {
    QTemporaryDir dir;
    QCOMPARE(newFolderName(1), QStringLiteral("新建文件夹"));
    QCOMPARE(newFolderName(2), QStringLiteral("新建文件夹( 2)"));
    const QString first = createNewFolder(dir.path());
    const QString second = createNewFolder(dir.path());
    const QString third = createNewFolder(dir.path());
    QCOMPARE(first, dir.filePath(QStringLiteral("新建文件夹")));
    QCOMPARE(second, dir.filePath(QStringLiteral("新建文件夹( 2)")));
    QCOMPARE(third, dir.filePath(QStringLiteral("新建文件夹( 3)")));
    QVERIFY(QFileInfo(second).isDir());
    QVERIFY(createNewFolder(dir.filePath(QStringLiteral("missing"))).isEmpty());
  }

  void bordersOfFolder() {
    QTemporaryDir dir;
    touch(dir.filePath("b_frame.png"));
    touch(dir.filePath("A_frame.PNG"));
    touch(dir.filePath("note.txt"));
    touch(dir.filePath("c.jpg"));
    const QVector<BorderEntry> first = bordersInFolder(dir.path());
    QCOMPARE(first.size(), 2);
    QCOMPARE(first[0].name, QStringLiteral("A_frame"));
    QCOMPARE(first[1].name, QStringLiteral("b_frame"));
    QCOMPARE(first[1].path, dir.filePath("b_frame.png"));
    // The same folder again: its borders are known already.
    QVERIFY(bordersInFolder(dir.path(), {first[0].path, first[1].path}).isEmpty());
  }

  void scanOrderAndHidden() {
    QTemporaryDir dir;
    touch(dir.filePath("b.jpg"));
    touch(dir.filePath("A.png"));
    touch(dir.filePath(".hidden.jpg"));
    touch(dir.filePath("x.jpeg"));
    touch(dir.filePath("notes.txt"));
    touch(dir.filePath("sub2/z.gif"));
    touch(dir.filePath("sub1/y.bmp"));
    touch(dir.filePath("sub1/deep/w.tiff"));
    touch(dir.filePath(".secret/v.jpg"));
    std::atomic<bool> cancel{false};
    QCOMPARE(scanFolderPictures(dir.path(), false, cancel),
             (QStringList{dir.filePath("A.png"), dir.filePath("b.jpg"), dir.filePath("x.jpeg")}));
    QCOMPARE(scanFolderPictures(dir.path(), true, cancel),
             (QStringList{dir.filePath("A.png"), dir.filePath("b.jpg"), dir.filePath("x.jpeg"), dir.filePath("sub1/y.bmp"),
                          dir.filePath("sub1/deep/w.tiff"), dir.filePath("sub2/z.gif")}));
    cancel = true;
    QVERIFY(scanFolderPictures(dir.path(), true, cancel).isEmpty());
  }

  void timeLeft_data() {
    QTest::addColumn<qint64>("elapsed");
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing done") << qint64(5000) << 0 << 10 << QString();
    QTest::newRow("all done") << qint64(5000) << 10 << 10 << QString();
    QTest::newRow("seconds") << qint64(2000) << 1 << 10 << QStringLiteral("约18秒");
    QTest::newRow("minutes") << qint64(10000) << 1 << 10 << QStringLiteral("约1分30秒");
    QTest::newRow("hours") << qint64(60000) << 1 << 100 << QStringLiteral("约1小时39分");
  }
  void timeLeft() {
    QFETCH(qint64, elapsed);
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(QString, text);
    QCOMPARE(WaitWindow::timeLeftText(elapsed, done, total), text);
  }
};

QTEST_MAIN(TestWindowRules)
#include "tst_window_rules.moc"
