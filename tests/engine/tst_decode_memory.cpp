// The memory side of decoding: the shared budget that keeps two large
// progressive decodes from running at once, and JPEGs of both kinds decoding
// the same through the worker's reused buffer as through fresh memory.
#include "engine/decode_memory_budget.h"
#include "engine/decoder.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace kuvo;

class TestDecodeMemory : public QObject {
  Q_OBJECT
private slots:
  void budgetWaitsForRoom();
  void jpegDecodesAlike_data();
  void jpegDecodesAlike();
};

void TestDecodeMemory::budgetWaitsForRoom() {
  DecodeMemoryBudget budget(100);
  std::atomic<bool> second{false};
  bool ranBesideFirst = false;
  std::int64_t heldBoth = 0;
  std::thread other;
  {
    const DecodeMemoryHold first(budget, 60);
    other = std::thread([&] {
      const DecodeMemoryHold hold(budget, 60); // does not fit beside the first
      second = true;
    });
    QTest::qWait(50);
    ranBesideFirst = second;
    const DecodeMemoryHold small(budget, 40); // fits beside it
    heldBoth = budget.held();
  }
  other.join();
  QVERIFY(!ranBesideFirst);
  QCOMPARE(heldBoth, std::int64_t(100));
  QVERIFY(second);
  QCOMPARE(budget.held(), std::int64_t(0));
  // More than the whole budget still runs when nothing else is held.
  const DecodeMemoryHold huge(budget, 500);
  QCOMPARE(budget.held(), std::int64_t(500));
}

void TestDecodeMemory::jpegDecodesAlike_data() {
  QTest::addColumn<bool>("progressive");
  QTest::addColumn<int>("eighths");
  QTest::newRow("baseline 1/2") << false << 4;
  QTest::newRow("progressive 1/2") << true << 4;
  QTest::newRow("progressive whole") << true << 8;
}

void TestDecodeMemory::jpegDecodesAlike() {
  QFETCH(bool, progressive);
  QFETCH(int, eighths);
  QImage picture(160, 96, QImage::Format_RGB32);
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      picture.setPixel(x, y, qRgb(x, y * 2, (x * y) & 0xFF));
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  QVERIFY(buffer.open(QIODevice::WriteOnly));
  QImageWriter writer(&buffer, "jpeg");
  writer.setProgressiveScanWrite(progressive);
  QVERIFY(writer.write(picture));
  QCOMPARE(jpeg.contains("\xFF\xC2"), progressive);

  const QImage fresh = decodePictureEighths(jpeg, eighths);
  QCOMPARE(fresh.size(), QSize(160 * eighths / 8, 96 * eighths / 8));
  // A larger picture first, so the reused buffer holds other pixels.
  QVERIFY(!decodePictureTransient(jpeg, 8).isNull());
  const QImage reused = decodePictureTransient(jpeg, eighths);
  QCOMPARE(reused, fresh);
  QCOMPARE(DecodeMemoryBudget::process().held(), std::int64_t(0));
}

QTEST_GUILESS_MAIN(TestDecodeMemory)
#include "tst_decode_memory.moc"
