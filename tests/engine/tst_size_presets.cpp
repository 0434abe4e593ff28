// size.ini as written on Windows (GBK) or elsewhere (UTF-8, with or without
// a byte order mark, CR LF or LF).
#include "engine/size_presets.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kuvo;

class TestSizePresets : public QObject {
  Q_OBJECT
private slots:
  void encodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("height");
    QTest::newRow("UTF-8") << QByteArray("一寸照片;295;413\n") << QStringLiteral("一寸照片") << QStringLiteral("413");
    QTest::newRow("UTF-8 with BOM, CR LF")
        << QByteArray("\xEF\xBB\xBF一寸照片;295;413\r\n") << QStringLiteral("一寸照片") << QStringLiteral("413");
    QTest::newRow("GBK") << QByteArray("\xD2\xBB\xB4\xE7\xD5\xD5\xC6\xAC;295;413\r\n") << QStringLiteral("一寸照片")
                         << QStringLiteral("413");
    QTest::newRow("GBK, four fields") << QByteArray("\xD5\xD5\xC6\xAC;1;2;3\r\n") << QStringLiteral("照片")
                                      << QStringLiteral("2;3");
  }
  void encodings() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QString, height);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("size.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const QVector<SizePreset> presets = loadSizePresets(file.fileName());
    QCOMPARE(presets.size(), 1);
    QCOMPARE(presets[0].name, name);
    QCOMPARE(presets[0].height, height);
  }
};

QTEST_GUILESS_MAIN(TestSizePresets)
#include "tst_size_presets.moc"
