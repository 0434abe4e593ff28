// Border and watermark compositing checked pixel by pixel on known canvases.
#include "engine/draw_overlays.h"
#include "engine/font_substitution.h"
#include "imaging/exif_tags.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QRawFont>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

using namespace kuvo;

namespace {

QImage canvasOf(int w, int h, QColor colour = Qt::white) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

QImage solid(int w, int h, QColor colour) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(colour);
  return image;
}

// Bounding box of the pixels that differ from the background.
QRect inkBox(const QImage &image, QRgb background) {
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if ((line[x] & 0xFFFFFF) != (background & 0xFFFFFF))
        box |= QRect(x, y, 1, 1);
  }
  return box;
}

bool near(QRgb pixel, QColor expected, int tolerance = 2) {
  return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
         std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
         std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

QString describe(QRgb p) {
  return QStringLiteral("(%1, %2, %3)").arg(qRed(p)).arg(qGreen(p)).arg(qBlue(p));
}

// A JPEG whose EXIF block holds only DateTimeOriginal, in either byte order.
QByteArray jpegWithDateTaken(const QByteArray &date, bool motorola) {
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  canvasOf(8, 8).save(&buffer, "JPG");

  QByteArray tiff;
  auto put16 = [&](quint16 v) {
    if (motorola)
      tiff.append(char(v >> 8)).append(char(v & 0xFF));
    else
      tiff.append(char(v & 0xFF)).append(char(v >> 8));
  };
  auto put32 = [&](quint32 v) {
    if (motorola) {
      put16(quint16(v >> 16));
      put16(quint16(v & 0xFFFF));
    } else {
      put16(quint16(v & 0xFFFF));
      put16(quint16(v >> 16));
    }
  };
  tiff.append(motorola ? "MM" : "II");
  put16(42);
  put32(8);
  put16(1); // IFD0: the Exif sub-IFD pointer only
  put16(34665), put16(4), put32(1), put32(26);
  put32(0);
  put16(1); // Exif sub-IFD at 26: DateTimeOriginal, out of line at 44
  put16(36867), put16(2), put32(quint32(date.size() + 1)), put32(44);
  put32(0);
  tiff.append(date).append('\0');

  QByteArray app1 = QByteArray("\xFF\xE1", 2);
  const int length = 2 + 6 + int(tiff.size());
  app1.append(char(length >> 8)).append(char(length & 0xFF));
  app1.append(QByteArray("Exif\0\0", 6)).append(tiff);
  return jpeg.left(2) + app1 + jpeg.mid(2);
}

} // namespace

class TestDrawOverlays : public QObject {
  Q_OBJECT

  QTemporaryDir dir;
  QString blueMark, redMark, frame, opaqueRed;

  QString save(const QString &name, const QImage &image) {
    const QString path = dir.filePath(name);
    if (!image.save(path))
      qFatal("cannot write %s", qPrintable(path));
    return path;
  }

  static ProcessingSettings pictureSettings(const QString &file, int anchor, float scale) {
    ProcessingSettings s;
    s.pictureWatermarkOn = true;
    s.pictureWatermarkFile = file;
    s.pictureWatermarkAnchor = anchor;
    s.pictureWatermarkScale = scale;
    s.watermarkMatrix = identityMatrix();
    return s;
  }

  static ProcessingSettings textSettings(const QString &text, int anchor, int size = 20) {
    ProcessingSettings s;
    s.textWatermarkOn = true;
    s.text = text;
    s.textAnchor = anchor;
    s.fontName = QStringLiteral("宋体");
    s.fontSize = size;
    return s;
  }

private slots:
  void initTestCase() {
    QVERIFY(dir.isValid());
    blueMark = save("blue.png", solid(100, 50, QColor(0, 0, 255)));
    redMark = save("red.png", solid(100, 50, QColor(255, 0, 0)));
    // 400 x 300 black frame, 20 px wide, transparent inside.
    QImage border = solid(400, 300, Qt::black);
    for (int y = 20; y < 280; ++y)
      for (int x = 20; x < 380; ++x)
        border.setPixel(x, y, qRgba(0, 0, 0, 0));
    frame = save("frame.png", border);
    opaqueRed = save("opaque_red.png", solid(400, 300, QColor(255, 0, 0)));
    installFontSubstitutions();
  }

  void init() { clearOverlayImageCache(); }

  void pictureAnchors_data() {
    QTest::addColumn<int>("anchor");
    QTest::addColumn<float>("scale");
    QTest::addColumn<double>("freeX");
    QTest::addColumn<double>("freeY");
    QTest::addColumn<QRect>("drawn");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<double>("storedX");
    QTest::addColumn<double>("storedY");

    QTest::newRow("右下") << 0 << 1.0f << 0.0 << 0.0 << QRect(695, 545, 100, 50) << true << 0.93125 << 0.95;
    QTest::newRow("右下 half") << 0 << 0.5f << 0.0 << 0.0 << QRect(745, 570, 50, 25) << true << 770.0 / 800
                               << 582.5 / 600;
    QTest::newRow("左下") << 1 << 1.0f << 0.0 << 0.0 << QRect(5, 545, 100, 50) << true << 0.06875 << 0.95;
    QTest::newRow("左上") << 2 << 1.0f << 0.0 << 0.0 << QRect(5, 5, 100, 50) << true << 0.06875 << 0.05;
    QTest::newRow("右上") << 3 << 1.0f << 0.0 << 0.0 << QRect(695, 5, 100, 50) << true << 0.93125 << 0.05;
    QTest::newRow("居中") << 4 << 1.0f << 0.0 << 0.0 << QRect(350, 275, 100, 50) << true << 0.5 << 0.5;
    // 25 x 12.5 centred: x 387.5 and height 12.5 round to even, y 293.75 to 294.
    QTest::newRow("居中 quarter, halves to even")
        << 4 << 0.25f << 0.0 << 0.0 << QRect(388, 294, 25, 12) << true << 0.5 << 0.5;
    QTest::newRow("自定义") << 5 << 1.0f << 0.25 << 0.5 << QRect(150, 275, 100, 50) << false << 0.0 << 0.0;
    QTest::newRow("unknown anchor is free")
        << 9 << 1.0f << 0.1 << 0.9 << QRect(30, 515, 100, 50) << false << 0.0 << 0.0;
    QTest::newRow("free, partly outside")
        << 5 << 2.0f << 1.0 << 1.0 << QRect(700, 550, 200, 100) << false << 0.0 << 0.0;
  }

  void pictureAnchors() {
    QFETCH(int, anchor);
    QFETCH(float, scale);
    QFETCH(double, freeX);
    QFETCH(double, freeY);
    QFETCH(QRect, drawn);
    QFETCH(bool, stored);
    QFETCH(double, storedX);
    QFETCH(double, storedY);

    ProcessingSettings s = pictureSettings(blueMark, anchor, scale);
    s.pictureWatermarkX = freeX;
    s.pictureWatermarkY = freeY;
    QImage canvas = canvasOf(800, 600);
    QString errors;
    const OverlayPlacement placement = DrawOverlays(canvas, SourceFile{"/pics/a.jpg", {}, {}}, s, errors);

    QVERIFY2(errors.isEmpty(), qPrintable(errors));
    QVERIFY(placement.statusText.isEmpty());
    QCOMPARE(placement.pictureRect, drawn);
    QCOMPARE(placement.watermarkSize, QSizeF(100.0 * scale, 50.0 * scale));
    QCOMPARE(inkBox(canvas, qRgb(255, 255, 255)), drawn.intersected(canvas.rect()));
    const QRect visible = drawn.intersected(canvas.rect());
    for (QPoint p : {visible.topLeft(), visible.bottomRight(), visible.center()})
      QVERIFY2(near(canvas.pixel(p), QColor(0, 0, 255)), qPrintable(describe(canvas.pixel(p))));
    QCOMPARE(placement.pictureStored, stored);
    if (stored) {
      QCOMPARE(placement.pictureX, storedX);
      QCOMPARE(placement.pictureY, storedY);
    }
  }

  void centredThenFreeStaysPut() {
    ProcessingSettings s = pictureSettings(blueMark, AnchorCenter, 0.7f);
    QImage first = canvasOf(640, 480);
    QString errors;
    const OverlayPlacement centred = DrawOverlays(first, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY(centred.pictureStored);
    s.pictureWatermarkAnchor = AnchorFree;
    s.pictureWatermarkX = centred.pictureX;
    s.pictureWatermarkY = centred.pictureY;
    QImage second = canvasOf(640, 480);
    const OverlayPlacement free = DrawOverlays(second, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY(!free.pictureStored);
    QCOMPARE(free.pictureRect, centred.pictureRect);
    QCOMPARE(second, first);
  }

  void watermarkMatrix_data() {
    QTest::addColumn<QColor>("mark");
    QTest::addColumn<QVector<float>>("changes"); // index, value pairs on the identity
    QTest::addColumn<QColor>("expected");

    QTest::newRow("default opacity 0.8") << QColor(255, 0, 0) << QVector<float>{18, 0.8f} << QColor(255, 51, 51);
    QTest::newRow("opacity 0.5") << QColor(0, 0, 0) << QVector<float>{18, 0.5f} << QColor(128, 128, 128);
    QTest::newRow("opacity 0") << QColor(0, 0, 0) << QVector<float>{18, 0.0f} << QColor(255, 255, 255);
    QTest::newRow("half-transparent mark at 0.5")
        << QColor(0, 0, 0, 128) << QVector<float>{18, 0.5f} << QColor(191, 191, 191);
    // Red moved into green: a general 5x5 matrix, not only the opacity.
    QTest::newRow("red to green") << QColor(255, 0, 0) << QVector<float>{0, 0.0f, 1, 1.0f} << QColor(0, 255, 0);
  }

  void watermarkMatrix() {
    QFETCH(QColor, mark);
    QFETCH(QVector<float>, changes);
    QFETCH(QColor, expected);
    const QString file = save(QStringLiteral("mark_%1.png").arg(QTest::currentDataTag()), solid(100, 50, mark));
    ProcessingSettings s = pictureSettings(file, AnchorTopLeft, 1.0f);
    for (int i = 0; i + 1 < changes.size(); i += 2)
      s.watermarkMatrix[int(changes[i])] = changes[i + 1];
    QImage canvas = canvasOf(200, 100);
    QString errors;
    DrawOverlays(canvas, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY(errors.isEmpty());
    const QRgb inside = canvas.pixel(50, 30);
    QVERIFY2(near(inside, expected), qPrintable(describe(inside)));
    QCOMPARE(canvas.pixel(150, 80), qRgb(255, 255, 255));
  }

  void border_data() {
    QTest::addColumn<QString>("borderFile");
    QTest::addColumn<bool>("framed");
    QTest::newRow("frame png") << QStringLiteral("frame") << true;
    QTest::newRow("无边框") << QStringLiteral("无边框") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("missing file") << QStringLiteral("/no/such/border.png") << false;
  }

  void border() {
    QFETCH(QString, borderFile);
    QFETCH(bool, framed);
    ProcessingSettings s;
    s.borderFile = borderFile == "frame" ? frame : borderFile;
    const QImage before = canvasOf(800, 600, QColor(0, 200, 0));
    QImage canvas = before;
    QString errors;
    const OverlayPlacement placement = DrawOverlays(canvas, SourceFile{"a.jpg", {}, {}}, s, errors);
    // A border that cannot be read is left out, and said so.
    QCOMPARE(errors, borderFile.startsWith(QLatin1Char('/'))
                         ? QStringLiteral("a.jpg在添加边框时发生错误:无法读取边框图片“/no/such/border.png”。\r\n")
                         : QString());
    QVERIFY(placement.statusText.isEmpty());
    if (!framed) {
      QCOMPARE(canvas, before);
      return;
    }
    // The 400 x 300 frame stretched to 800 x 600: 40 px of black, the picture
    // showing through the transparent centre.
    for (QPoint p : {QPoint(0, 0), QPoint(20, 300), QPoint(799, 599), QPoint(400, 35), QPoint(770, 300)})
      QVERIFY2(near(canvas.pixel(p), Qt::black), qPrintable(describe(canvas.pixel(p))));
    for (QPoint p : {QPoint(400, 300), QPoint(45, 45), QPoint(754, 554)})
      QVERIFY2(near(canvas.pixel(p), QColor(0, 200, 0)), qPrintable(describe(canvas.pixel(p))));
  }

  void drawingOrder() {
    ProcessingSettings s = pictureSettings(blueMark, AnchorTopLeft, 4.0f); // 400 x 200 at 5, 5
    s.borderFile = opaqueRed;
    s.textWatermarkOn = true;
    s.text = QStringLiteral("水印");
    s.textAnchor = AnchorTopLeft;
    s.fontSize = 48;
    s.textColor = 0xFFFFFF; // white
    QImage canvas = canvasOf(800, 600);
    QString errors;
    const OverlayPlacement placement = DrawOverlays(canvas, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY(errors.isEmpty());
    QVERIFY(placement.pictureRect.contains(placement.textRect));
    QVERIFY(near(canvas.pixel(600, 400), QColor(255, 0, 0))); // border over the picture
    QVERIFY(near(canvas.pixel(390, 190), QColor(0, 0, 255))); // watermark over the border
    QCOMPARE(inkBox(canvas.copy(placement.textRect), qRgb(0, 0, 255)).isValid(), true);
    bool whiteText = false; // text over the watermark
    for (int y = placement.textRect.top(); y <= placement.textRect.bottom() && !whiteText; ++y)
      for (int x = placement.textRect.left(); x <= placement.textRect.right() && !whiteText; ++x)
        whiteText = near(canvas.pixel(x, y), Qt::white, 10);
    QVERIFY(whiteText);
  }

  void textPlacement_data() {
    QTest::addColumn<int>("anchor");
    QTest::addColumn<QString>("text");
    QTest::newRow("右下") << 0 << QStringLiteral("Kuvo图片批处理");
    QTest::newRow("左下") << 1 << QStringLiteral("Kuvo图片批处理");
    QTest::newRow("左上") << 2 << QStringLiteral("Kuvo图片批处理");
    QTest::newRow("右上") << 3 << QStringLiteral("Kuvo图片批处理");
    QTest::newRow("居中") << 4 << QStringLiteral("Kuvo图片批处理");
    QTest::newRow("右下 latin ending") << 0 << QStringLiteral("Photo by W");
  }

  void textPlacement() {
    QFETCH(int, anchor);
    QFETCH(QString, text);
    const int W = 640, H = 480;
    ProcessingSettings s = textSettings(text, anchor);
    QImage canvas = canvasOf(W, H);
    QString errors;
    const OverlayPlacement placement = DrawOverlays(canvas, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY(errors.isEmpty());

    const QFont font = watermarkFont(s.fontName, s.fontSize, false, false, false);
    const QFontMetrics fm(font);
    const int tw = fm.horizontalAdvance(text), th = fm.height();
    QVERIFY(tw > 0);
    QCOMPARE(placement.textRect.size(), QSize(tw, th));
    const QPointF expected[] = {
        {W - tw - 5.0, H - th - 5.0}, {5, H - th - 5.0}, {5, 5}, {W - tw - 5.0, 5}, {(W - tw) / 2.0, (H - th) / 2.0}};
    const QPointF corner = expected[anchor];
    QCOMPARE(placement.textRect.topLeft(), QPoint(int(std::nearbyint(corner.x())), int(std::nearbyint(corner.y()))));
    // The stored fractions are those of the unrounded corner.
    QVERIFY(placement.textStored);
    QCOMPARE(placement.textX, corner.x() / W);
    QCOMPARE(placement.textY, corner.y() / H);

    // The ink lies in the measured box; its outer edges sit at the 5 px margin
    // give or take the glyphs' side bearings.
    const QRect ink = inkBox(canvas, qRgb(255, 255, 255));
    QVERIFY(ink.isValid());
    QVERIFY2(
        placement.textRect.adjusted(-2, -2, 2, 2).contains(ink),
        qPrintable(QStringLiteral("ink %1,%2 %3x%4").arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())));
    const int lastBearing = std::abs(fm.rightBearing(text.back())) + 1;
    const int firstBearing = std::abs(fm.leftBearing(text.front())) + 1;
    if (anchor == AnchorBottomRight || anchor == AnchorTopRight)
      QVERIFY2(std::abs((W - 5) - (ink.right() + 1)) <= lastBearing, qPrintable(QString::number(ink.right())));
    if (anchor == AnchorBottomLeft || anchor == AnchorTopLeft)
      QVERIFY2(std::abs(ink.left() - 5) <= firstBearing, qPrintable(QString::number(ink.left())));
  }

  void textFreePosition() {
    ProcessingSettings s = textSettings(QStringLiteral("自由"), AnchorFree);
    s.textX = 0.25;
    s.textY = 0.5;
    QImage canvas = canvasOf(800, 600);
    QString errors;
    const OverlayPlacement placement = DrawOverlays(canvas, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY(!placement.textStored);
    QCOMPARE(placement.textRect.topLeft(), QPoint(200, 300));
    const QRect ink = inkBox(canvas, qRgb(255, 255, 255));
    const QFontMetrics fm(watermarkFont(s.fontName, s.fontSize, false, false, false));
    const int bearing = std::abs(fm.leftBearing(QChar(0x81EA))) + 1; // 自
    QVERIFY2(std::abs(ink.left() - 200) <= bearing,
             qPrintable(QStringLiteral("%1 (bearing %2)").arg(ink.left()).arg(bearing)));
    QVERIFY(ink.top() >= 300 && ink.bottom() < 300 + placement.textRect.height() + 1);
  }

  void textStyle_data() {
    QTest::addColumn<quint32>("windowsColour");
    QTest::addColumn<QColor>("expected");
    QTest::addColumn<bool>("underline");
    QTest::newRow("red is the low byte") << quint32(0x0000FF) << QColor(255, 0, 0) << false;
    QTest::newRow("blue is the high byte") << quint32(0xFF0000) << QColor(0, 0, 255) << false;
    QTest::newRow("green, underlined") << quint32(0x00FF00) << QColor(0, 255, 0) << true;
  }

  void textStyle() {
    QFETCH(quint32, windowsColour);
    QFETCH(QColor, expected);
    QFETCH(bool, underline);
    ProcessingSettings s = textSettings(QStringLiteral("一二三 abc"), AnchorTopLeft, 24);
    s.textColor = windowsColour;
    s.underline = underline;
    QImage canvas = canvasOf(400, 200);
    QString errors;
    const OverlayPlacement placement = DrawOverlays(canvas, SourceFile{"a.jpg", {}, {}}, s, errors);
    int solidPixels = 0, longestRow = 0;
    for (int y = 0; y < canvas.height(); ++y) {
      int row = 0;
      for (int x = 0; x < canvas.width(); ++x) {
        const QRgb p = canvas.pixel(x, y);
        if (p != qRgb(255, 255, 255))
          ++row;
        solidPixels += near(p, expected, 8);
      }
      longestRow = std::max(longestRow, row);
    }
    QVERIFY(solidPixels > 20);
    // An underline is one unbroken row of ink under the whole text.
    if (underline)
      QVERIFY2(longestRow >= placement.textRect.width() * 9 / 10, qPrintable(QString::number(longestRow)));
    else
      QVERIFY2(longestRow < placement.textRect.width() * 9 / 10, qPrintable(QString::number(longestRow)));
  }

  void tokens_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("printed");
    QTest::newRow("date") << "#当前日期#"
                          << "a.jpg"
                          << "2024年03月05日";
    QTest::newRow("time, 24 hours") << "#当前时间#"
                                    << "a.jpg"
                                    << "2024年03月05日 14:07";
    QTest::newRow("file name") << "#图片原文件名#"
                               << "/pics/2023/photo.2023.JPG"
                               << "photo.2023";
    QTest::newRow("file name without extension") << "#图片原文件名#"
                                                 << "/pics/README"
                                                 << "README";
    QTest::newRow("token inside text") << "今天是#当前日期#"
                                       << "a.jpg"
                                       << "今天是#当前日期#";
    QTest::newRow("token with a space") << "#当前时间# "
                                        << "a.jpg"
                                        << "#当前时间# ";
    QTest::newRow("date taken, not a JPEG") << "#JPG照片拍摄时间#"
                                            << "a.png"
                                            << "";
    QTest::newRow("plain text") << "© Kuvo"
                                << "a.jpg"
                                << "© Kuvo";
  }

  void tokens() {
    QFETCH(QString, text);
    QFETCH(QString, path);
    QFETCH(QString, printed);
    const QDateTime now(QDate(2024, 3, 5), QTime(14, 7, 59));
    QCOMPARE(watermarkText(text, SourceFile{path, QByteArray("\x89PNG\r\n", 6), {}}, now), printed);
  }

  void dateTakenToken_data() {
    QTest::addColumn<bool>("motorola");
    QTest::newRow("Intel") << false;
    QTest::newRow("Motorola") << true;
  }

  void dateTakenToken() {
    QFETCH(bool, motorola);
    const SourceFile photo{dir.filePath("photo.jpg"), jpegWithDateTaken("2021:07:04 09:15:30", motorola), {}};
    const auto *bytes = reinterpret_cast<const unsigned char *>(photo.data.constData());
    if (readExifDateTimeOriginal(bytes, std::size_t(photo.data.size())).empty())
      QSKIP("the EXIF reader of this build returns no DateTimeOriginal yet");
    // The zero that ends the value in big-endian files is not printed.
    QCOMPARE(watermarkText("#JPG照片拍摄时间#", photo, QDateTime::currentDateTime()), QString("2021:07:04 09:15:30"));
  }

  void dateTakenAbsentDrawsNothing() {
    ProcessingSettings s = textSettings(QStringLiteral("#JPG照片拍摄时间#"), AnchorBottomRight);
    QImage canvas = canvasOf(320, 240);
    const QImage before = canvas;
    QString errors;
    DrawOverlays(canvas, SourceFile{"a.jpg", QByteArray("\xFF\xD8\xFF\xD9", 4), {}}, s, errors);
    QVERIFY(errors.isEmpty());
    QCOMPARE(canvas, before);
  }

  void fileNameTokenIsDrawn() {
    ProcessingSettings s = textSettings(QStringLiteral("#图片原文件名#"), AnchorTopLeft);
    QImage tokenCanvas = canvasOf(400, 100), plainCanvas = canvasOf(400, 100);
    QString errors;
    DrawOverlays(tokenCanvas, SourceFile{"/pics/假日.jpg", {}, {}}, s, errors);
    s.text = QStringLiteral("假日");
    DrawOverlays(plainCanvas, SourceFile{"/pics/other.jpg", {}, {}}, s, errors);
    QVERIFY(inkBox(tokenCanvas, qRgb(255, 255, 255)).isValid());
    QCOMPARE(tokenCanvas, plainCanvas);
  }

  void unusableWatermark_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("missing") << QStringLiteral("missing.png");
    QTest::newRow("not a picture") << QStringLiteral("garbage.png");
  }

  void unusableWatermark() {
    QFETCH(QString, file);
    const QString path = dir.filePath(file);
    if (file == "garbage.png") {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("this is not a picture");
    }
    ProcessingSettings s = pictureSettings(path, AnchorBottomRight, 1.0f);
    s.borderFile = frame;
    QImage canvas = canvasOf(400, 300);
    QString errors = QStringLiteral("earlier entry\r\n");
    const OverlayPlacement placement = DrawOverlays(canvas, SourceFile{"/pics/坏.jpg", {}, {}}, s, errors);
    QCOMPARE(errors,
             QStringLiteral("earlier entry\r\n/pics/坏.jpg在添加图片水印时发生错误:(错误代码:0)无法读取水印图片“") +
                 path + QStringLiteral("”。\r\n"));
    QVERIFY(!placement.pictureStored);
    QVERIFY(placement.pictureRect.isEmpty());
    // The border is still drawn; only the watermark is missing.
    QVERIFY(near(canvas.pixel(0, 0), Qt::black));
    QCOMPARE(canvas.pixel(200, 150), qRgb(255, 255, 255));
    QCOMPARE(canvas.pixel(350, 260), qRgb(255, 255, 255));
  }

  void emptyCanvasKeepsItsState() {
    ProcessingSettings s = textSettings(QStringLiteral("文字"), AnchorBottomRight);
    QImage canvas;
    QString errors;
    const OverlayPlacement placement = DrawOverlays(canvas, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY(canvas.isNull());
    QVERIFY(errors.isEmpty());
    QCOMPARE(placement.statusText, QStringLiteral("【错误提示】在处理图片时发生错误:(错误代码:11)除数为零。"));
    QVERIFY(!placement.textStored);
  }

  void rewrittenWatermarkIsReread() {
    const QString path = dir.filePath("changing.png");
    QVERIFY(solid(100, 50, Qt::red).save(path));
    ProcessingSettings s = pictureSettings(path, AnchorTopLeft, 1.0f);
    QImage canvas = canvasOf(200, 100);
    QString errors;
    DrawOverlays(canvas, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY(near(canvas.pixel(20, 20), Qt::red));
    QVERIFY(solid(60, 30, Qt::blue).save(path));
    canvas = canvasOf(200, 100);
    const OverlayPlacement placement = DrawOverlays(canvas, SourceFile{"a.jpg", {}, {}}, s, errors);
    QCOMPARE(placement.pictureRect, QRect(5, 5, 60, 30));
    QVERIFY(near(canvas.pixel(20, 20), Qt::blue));
  }

  void parallelRunsMatchOneRun() {
    ProcessingSettings s = pictureSettings(redMark, AnchorCenter, 0.8f);
    s.watermarkMatrix = ProcessingSettings::defaultWatermarkMatrix();
    s.borderFile = frame;
    s.textWatermarkOn = true;
    s.text = QStringLiteral("并行 Kuvo");
    s.fontName = QStringLiteral("黑体");
    s.fontSize = 16;
    s.bold = true;
    auto run = [&s] {
      QImage canvas = canvasOf(600, 400, QColor(30, 90, 160));
      QString errors;
      DrawOverlays(canvas, SourceFile{"a.jpg", {}, {}}, s, errors);
      return canvas;
    };
    const QImage reference = run();
    clearOverlayImageCache();
    QList<QFuture<QImage>> futures;
    for (int i = 0; i < 8; ++i)
      futures << QtConcurrent::run(run);
    for (auto &f : futures)
      QCOMPARE(f.result(), reference);
  }

  void fontStandIns_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family");
    QTest::newRow("宋体") << "宋体"
                          << "AR PL UMing CN";
    QTest::newRow("新宋体") << "新宋体"
                            << "AR PL UMing CN";
    QTest::newRow("楷体") << "楷体"
                          << "AR PL UMing CN";
    QTest::newRow("仿宋") << "仿宋"
                          << "AR PL UMing CN";
    QTest::newRow("隶书") << "隶书"
                          << "AR PL UMing CN";
    QTest::newRow("SimSun") << "SimSun"
                            << "AR PL UMing CN";
    QTest::newRow("黑体") << "黑体"
                          << "WenQuanYi Zen Hei";
    QTest::newRow("微软雅黑") << "微软雅黑"
                              << "WenQuanYi Zen Hei";
    QTest::newRow("幼圆") << "幼圆"
                          << "WenQuanYi Zen Hei";
    QTest::newRow("not installed") << "某某字体"
                                   << "AR PL UMing CN";
    QTest::newRow("not installed, sans") << "某某黑"
                                         << "WenQuanYi Zen Hei";
    QTest::newRow("empty name") << ""
                                << "AR PL UMing CN";
  }

  void fontStandIns() {
    QFETCH(QString, name);
    QFETCH(QString, family);
    if (!QFontDatabase::hasFamily(family))
      QSKIP("the CJK fonts (fonts-arphic-uming, fonts-wqy-zenhei) are not installed");
    const QFont font = watermarkFont(name, 9, false, false, false);
    QCOMPARE(font.pixelSize(), 12);
    QCOMPARE(QFontInfo(font).family(), family);
    QVERIFY(QRawFont::fromFont(font).supportsCharacter(QChar(0x56FE))); // 图
  }

  void latinFontsKeepChineseFallback_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("Arial") << "Arial";
    QTest::newRow("Times New Roman") << "Times New Roman";
    QTest::newRow("DejaVu Sans") << "DejaVu Sans";
    QTest::newRow("DejaVu Serif") << "DejaVu Serif";
  }

  void latinFontsKeepChineseFallback() {
    QFETCH(QString, name);
    const QStringList families = fontFamiliesFor(name);
    QCOMPARE(families.first(), name);
    QVERIFY(families.contains("AR PL UMing CN") || families.contains("WenQuanYi Zen Hei"));
    // The Chinese glyphs come from a CJK face: the same ink as that face alone.
    const auto cjk = *std::find_if(families.begin(), families.end(),
                                   [](const QString &f) { return f == "AR PL UMing CN" || f == "WenQuanYi Zen Hei"; });
    if (!QFontDatabase::hasFamily(cjk))
      QSKIP("the CJK fonts are not installed");
    auto render = [](const QFont &font) {
      QImage image = canvasOf(80, 40);
      QPainter p(&image);
      p.setFont(font);
      p.setPen(Qt::black);
      p.drawText(QPoint(4, 30), QStringLiteral("图片"));
      return image;
    };
    QFont alone;
    alone.setFamily(cjk);
    alone.setPixelSize(24);
    QCOMPARE(render(watermarkFont(name, 18, false, false, false)), render(alone));
  }

  void pointsToPixelsAt96Dpi_data() {
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("pixels");
    QTest::newRow("9") << 9 << 12;
    QTest::newRow("10") << 10 << 13;
    QTest::newRow("72") << 72 << 96;
    QTest::newRow("0 is still drawable") << 0 << 1;
    QTest::newRow("negative") << -5 << 1;
  }

  void pointsToPixelsAt96Dpi() {
    QFETCH(int, points);
    QFETCH(int, pixels);
    QCOMPARE(pointsToPixels(points), pixels);
  }
};

QTEST_MAIN(TestDrawOverlays)
#include "tst_draw_overlays.moc"
