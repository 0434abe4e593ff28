// The memory side of decoding: the shared budget that keeps two large
// progressive decodes from running at once, the lookahead that passes over a
// picture the budget has no room for, JPEGs of both kinds decoding the
// same through the worker's reused buffer as through fresh memory, and PNG
// rows streamed into the resampler giving what the whole picture gives.
#include "engine/decode_memory_budget.h"
#include "engine/decoder.h"
#include "engine/ordered_lookahead.h"
#include "engine/png_rows.h"
#include "engine/resample.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

using namespace kuvo;

class TestDecodeMemory : public QObject {
  Q_OBJECT
private slots:
  void budgetWaitsForRoom();
  void lookaheadKeepsSharesWithinBudget_data();
  void lookaheadKeepsSharesWithinBudget();
  void jpegDecodesAlike_data();
  void jpegDecodesAlike();
  void pngRowsResampleLikeWholePicture_data();
  void pngRowsResampleLikeWholePicture();
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

void TestDecodeMemory::lookaheadKeepsSharesWithinBudget_data() {
  QTest::addColumn<QList<int>>("shares"); // of a budget of 100
  QTest::addColumn<QList<int>>("weights"); // none: all alike
  QTest::addColumn<int>("heldCount");
  QTest::addColumn<int>("stopAfter"); // starts before mayStart() says no; -1: never
  QTest::addColumn<int>("second");    // the task started second
  QTest::newRow("two large in a row") << QList<int>{60, 60, 0, 0, 0, 0} << QList<int>{} << 64 << -1 << 2;
  QTest::newRow("small beside large") << QList<int>{60, 30, 60, 0} << QList<int>{} << 64 << -1 << 1;
  QTest::newRow("large before small") << QList<int>{20, 20, 70, 0, 0} << QList<int>{} << 64 << -1 << 0;
  QTest::newRow("larger than the budget") << QList<int>{150, 10, 0, 0} << QList<int>{} << 64 << -1 << 2;
  QTest::newRow("no shares") << QList<int>{0, 0, 0, 0, 0} << QList<int>{} << 64 << -1 << 1;
  QTest::newRow("held results at their bound") << QList<int>{60, 60, 0, 0, 0, 0, 0} << QList<int>{} << 2 << -1 << 2;
  QTest::newRow("stopped") << QList<int>{60, 60, 0, 0, 0, 0} << QList<int>{} << 64 << 3 << 2;
  QTest::newRow("heaviest first") << QList<int>{0, 0, 0, 0} << QList<int>{1, 5, 3, 2} << 64 << -1 << 2;
  QTest::newRow("shared before heavy") << QList<int>{0, 0, 40, 0} << QList<int>{1, 5, 3, 2} << 64 << -1 << 1;
}

// Results come back in order, the running tasks' shares stay within the
// budget, and a task that does not fit lets a later one start instead.
void TestDecodeMemory::lookaheadKeepsSharesWithinBudget() {
  QFETCH(QList<int>, shares);
  QFETCH(QList<int>, weights);
  QFETCH(int, heldCount);
  QFETCH(int, stopAfter);
  QFETCH(int, second);
  std::mutex mutex;
  int sharing = 0, mostShared = 0;
  QList<int> startOrder;
  OrderedLookahead<int>::Limits limits;
  limits.workers = 2;
  limits.heldCount = heldCount;
  limits.sharedBytes = 100;
  OrderedLookahead<int> lookahead(
      int(shares.size()), limits,
      [&](int index) -> OrderedLookahead<int>::Work {
        startOrder << index;
        return [&, index] {
          const int share = shares[index];
          {
            std::lock_guard lock(mutex);
            sharing += share;
            mostShared = std::max(mostShared, sharing);
          }
          std::this_thread::sleep_for(std::chrono::milliseconds(share > 0 ? 40 : 5));
          std::lock_guard lock(mutex);
          sharing -= share;
          return index;
        };
      },
      [&] { return stopAfter < 0 || startOrder.size() < stopAfter; }, [](int) { return std::int64_t(0); },
      [&](int index) { return OrderedLookahead<int>::Demand{shares[index], weights.value(index)}; });
  QList<int> taken;
  while (auto next = lookahead.takeNext()) {
    QCOMPARE(next->second, next->first);
    taken << next->first;
  }
  QVERIFY(std::is_sorted(taken.begin(), taken.end()));
  QCOMPARE(taken.size(), stopAfter < 0 ? shares.size() : qsizetype(stopAfter));
  QList<int> started = startOrder;
  std::sort(started.begin(), started.end());
  QCOMPARE(taken, started);
  QCOMPARE(startOrder.value(1), second);
  const int largest = *std::max_element(shares.begin(), shares.end());
  QVERIFY2(mostShared <= std::max(100, largest), qPrintable(QString::number(mostShared)));
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
  // 4:2:0: 20x12 luma blocks and two planes of 10x6, 64 coefficients of two bytes each.
  QCOMPARE(progressiveDecodeBytes(jpeg), std::int64_t(progressive ? (240 + 120) * 128 : 0));
  QCOMPARE(progressiveDecodeBytes(jpeg.left(20)), std::int64_t(0));

  const QImage fresh = decodePictureEighths(jpeg, eighths);
  QCOMPARE(fresh.size(), QSize(160 * eighths / 8, 96 * eighths / 8));
  // A larger picture first, so the reused buffer holds other pixels.
  QVERIFY(!decodePictureTransient(jpeg, 8).isNull());
  const QImage reused = decodePictureTransient(jpeg, eighths);
  QCOMPARE(reused, fresh);
  QCOMPARE(DecodeMemoryBudget::process().held(), std::int64_t(0));
}

namespace {
QByteArray pngOf(const QImage &image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter(&buffer, "png").write(image);
  return bytes;
}
} // namespace

void TestDecodeMemory::pngRowsResampleLikeWholePicture_data() {
  QTest::addColumn<int>("format");
  QTest::addColumn<bool>("streams"); // false: the reader leaves it to the whole-picture path
  QTest::addColumn<QRectF>("part");
  QTest::addColumn<QSize>("target");
  QTest::newRow("rgb shrunk") << int(QImage::Format_RGB32) << true << QRectF(0, 0, 301, 203) << QSize(97, 65);
  QTest::newRow("rgb cropped") << int(QImage::Format_RGB32) << true << QRectF(40, 70, 150, 120) << QSize(60, 48);
  QTest::newRow("rgb enlarged") << int(QImage::Format_RGB32) << true << QRectF(10, 10, 30, 20) << QSize(90, 60);
  QTest::newRow("grey") << int(QImage::Format_Grayscale8) << true << QRectF(0, 0, 301, 203) << QSize(150, 101);
  QTest::newRow("alpha") << int(QImage::Format_ARGB32) << false << QRectF(0, 0, 301, 203) << QSize(150, 101);
  QTest::newRow("16 bits") << int(QImage::Format_RGBX64) << false << QRectF(0, 0, 301, 203) << QSize(150, 101);
}

void TestDecodeMemory::pngRowsResampleLikeWholePicture() {
  QFETCH(int, format);
  QFETCH(bool, streams);
  QFETCH(QRectF, part);
  QFETCH(QSize, target);
  QImage picture(301, 203, QImage::Format_ARGB32);
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      picture.setPixel(x, y, qRgba((x * 7) & 0xFF, (y * 5) & 0xFF, (x ^ y) & 0xFF, 255 - (x & 0x3F)));
  const QByteArray png = pngOf(picture.convertToFormat(QImage::Format(format)));
  const auto rows = PngRowReader::open(png);
  QCOMPARE(bool(rows), streams);
  if (!rows)
    return;
  QCOMPARE(rows->size(), picture.size());
  const QImage streamed =
      resampleLanczos3Rows(rows->size(), [&rows](int y) { return rows->row(y); }, part, target);
  const QImage whole = resampleLanczos3(decodePictureEighths(png, 8), part, target);
  QVERIFY(!whole.isNull());
  QCOMPARE(streamed, whole);

  // Cut short inside the pixel data: the stream fails instead of inventing rows.
  const QByteArray cut = png.left(png.size() / 2);
  const auto damaged = PngRowReader::open(cut);
  QVERIFY(damaged);
  QVERIFY(resampleLanczos3Rows(damaged->size(), [&damaged](int y) { return damaged->row(y); }, part, target)
              .isNull());
}

QTEST_GUILESS_MAIN(TestDecodeMemory)
#include "tst_decode_memory.moc"
