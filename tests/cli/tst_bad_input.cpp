// Damaged, unusual and hostile files through kuvo-batch and through the
// pipeline the window uses: no crash, no hang, every bad picture one error
// entry, every good picture saved.
#include "engine/batch_run.h"
#include "engine/savers.h"

#include <QtTest>

using namespace kuvo;

class TestBadInput : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void throughKuvoBatch();
  void throughPipeline();

private:
  QTemporaryDir dir_;
  QString corpus_;
  QMap<QString, QString> expect_; // relative name -> good | bad | any
};

void TestBadInput::initTestCase() {
  if (!QFile::exists(QStringLiteral("/usr/bin/python3")))
    QSKIP("python3 is needed to make the corpus");
  corpus_ = dir_.filePath(QStringLiteral("corpus"));
  QProcess maker;
  maker.start(QStringLiteral("/usr/bin/python3"),
              {QStringLiteral(KUVO_SOURCE_DIR "/tests/bad_input/make_corpus.py"), corpus_,
               QStringLiteral(KUVO_SOURCE_DIR "/data/samples/sunset_landscape.jpg")});
  QVERIFY(maker.waitForFinished(120000));
  QCOMPARE(maker.exitCode(), 0);
  QFile list(corpus_ + QStringLiteral("/expect.tsv"));
  QVERIFY(list.open(QIODevice::ReadOnly));
  for (const QByteArray &line : list.readAll().split('\n')) {
    const QList<QByteArray> fields = line.split('\t');
    if (fields.size() == 2)
      expect_.insert(QString::fromUtf8(fields[0]), QString::fromUtf8(fields[1]));
  }
  QVERIFY(expect_.size() > 25);
}

void TestBadInput::throughKuvoBatch() {
  const QString out = dir_.filePath(QStringLiteral("out"));
  QProcess batch;
  batch.start(QStringLiteral(KUVO_BIN_DIR "/kuvo-batch"),
              {QStringLiteral("-o"), out, QStringLiteral("-r"), QStringLiteral("--quiet"), QStringLiteral("--rotate"),
               QStringLiteral("auto"), QStringLiteral("--format"), QStringLiteral("png"), corpus_});
  QVERIFY(batch.waitForFinished(300000));
  QCOMPARE(batch.exitStatus(), QProcess::NormalExit);
  QCOMPARE(batch.exitCode(), 1); // the bad files fail, the run does not
  const QString errors = QString::fromLocal8Bit(batch.readAllStandardError());
  for (auto it = expect_.cbegin(); it != expect_.cend(); ++it) {
    const QString source = corpus_ + QLatin1Char('/') + it.key();
    // -r keeps each picture's folder below the input folder.
    const QFileInfo relative(it.key());
    const bool saved = QFile::exists(out + QLatin1Char('/') + relative.path() + QLatin1Char('/') +
                                     relative.completeBaseName() + QStringLiteral(".png"));
    const int entries = static_cast<int>(errors.count(source + QStringLiteral("在")));
    const QString what = it.key() + QStringLiteral(" (") + it.value() + QStringLiteral(")");
    if (it.value() == QLatin1String("good")) {
      QVERIFY2(saved && entries == 0, qPrintable(what));
    } else if (it.value() == QLatin1String("bad")) {
      QVERIFY2(!saved && entries == 1, qPrintable(what));
      if (it.key().startsWith(QLatin1String("huge")))
        QVERIFY2(errors.contains(source + QStringLiteral("在缩放图片时发生错误:(错误代码:0)图片过大")), qPrintable(what));
    } else {
      QVERIFY2(saved != (entries == 1), qPrintable(what));
    }
  }
}

void TestBadInput::throughPipeline() {
  ProcessingSettings s;
  s.rotateMode = RotateSmart;
  s.outputFormat = QStringLiteral("jpg");
  s.outputFolder = dir_.filePath(QStringLiteral("pipeline"));
  for (auto it = expect_.cbegin(); it != expect_.cend(); ++it)
    s.files << corpus_ + QLatin1Char('/') + it.key();
  for (int i = 0; i < s.files.size(); ++i) {
    const PipelineResult result = funImgDone(s, i);
    const EncodedPicture encoded = encodePicture(s, i, result.canvas);
    const QString outcome = expect_.value(s.files[i].mid(corpus_.size() + 1));
    if (outcome == QLatin1String("good"))
      QVERIFY2(encoded.encoded && result.errorText.isEmpty(), qPrintable(s.files[i]));
    else if (outcome == QLatin1String("bad"))
      QVERIFY2(!encoded.encoded, qPrintable(s.files[i]));
  }
}

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_bad_input.moc"
