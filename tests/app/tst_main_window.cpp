// The main window driven through its controls, with a temporary settings
// store and data files beside the test program.
#include "app_test_main.h"
#include "app/web_links.h"
#include "app/main_window.h"
#include "app/run_controls.h"
#include "app/overlay_panel.h"
#include "app/preview_panel.h"
#include "app/wait_window.h"
#include "platform/program_paths.h"
#include "platform/settings_store.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <functional>
#include <memory>

using namespace kuvo;

namespace {
const QString Samples = QStringLiteral(KUVO_SOURCE_DIR "/data/samples");

void touch(const QString &path, const QByteArray &bytes = {}) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  if (f.open(QIODevice::WriteOnly))
    f.write(bytes);
}

void writePng(const QString &path, QSize size) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  image.save(path, "PNG");
}

// Acts once on the next modal window other than except, without blocking.
// The returned timer may be deleted to give up waiting.
QTimer *onNextModal(std::function<void(QWidget *)> act, QWidget *except = nullptr) {
  auto *timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, act, except] {
    QWidget *w = QApplication::activeModalWidget();
    if (!w || w == except)
      return;
    timer->stop();
    timer->deleteLater();
    act(w);
  });
  timer->start();
  return timer;
}

// Reads the box's text, then presses the button of the given role.
void answerBox(QWidget *w, QString *text, QMessageBox::StandardButton button) {
  auto *box = qobject_cast<QMessageBox *>(w);
  QVERIFY(box);
  if (text)
    *text = box->text();
  QAbstractButton *b = box->button(button);
  if (!b)
    b = box->defaultButton();
  QVERIFY(b);
  b->click();
}

// Types text as the keyboard would, also Chinese text.
void typeText(QWidget *w, const QString &text) {
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
}

void clearSel(QListWidget *list) {
  list->clearSelection();
}

template <typename T> T *child(QObject *parent, const char *name) {
  T *w = parent->findChild<T *>(QLatin1String(name));
  if (!w)
    qWarning("no control %s", name);
  return w;
}

class UrlCatcher : public QObject {
  Q_OBJECT
public:
  QList<QUrl> opened;
public slots:
  void open(const QUrl &url) { opened << url; }
};
} // namespace

class TestMainWindow : public QObject {
  Q_OBJECT
private:
  QTemporaryDir work_;
  QString dataDir_;
  UrlCatcher urls_;

  std::unique_ptr<MainWindow> makeWindow(const QMap<QString, QString> &keys = {}) {
    QFile::remove(settingsFilePath());
    for (auto it = keys.begin(); it != keys.end(); ++it)
      saveSetting(it.key(), it.value());
    return std::make_unique<MainWindow>();
  }

  QStringList copies(const QString &sample, int count, const QString &folder) {
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
      const QString path = QStringLiteral("%1/pic%2.jpg").arg(folder).arg(i, 3, 10, QLatin1Char('0'));
      QFile::copy(Samples + QLatin1Char('/') + sample, path);
      paths << path;
    }
    return paths;
  }

private slots:
  void initTestCase() {
    QVERIFY(work_.isValid());
    // The window reads size.ini and bk/ beside the program.
    dataDir_ = QCoreApplication::applicationDirPath();
    QFile ini(dataDir_ + QStringLiteral("/size.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("一寸照片;295;413\nOdd;640;480;x\n");
    ini.close();
    writePng(dataDir_ + QStringLiteral("/bk/frame_a.png"), QSize(400, 300));
    writePng(dataDir_ + QStringLiteral("/bk/frame_b.PNG"), QSize(300, 400));
    // The border download page is set; the handler below catches it.
    QFile links(work_.filePath(QStringLiteral("links.ini")));
    QVERIFY(links.open(QIODevice::WriteOnly));
    links.write("[Links]\nDownload=https://127.0.0.1/borders.html\n");
    links.close();
    reloadLinks(links.fileName());
    QCOMPARE(programDataDir(), dataDir_);
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &urls_, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &urls_, "open");
  }

  void cleanupTestCase() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QFile::remove(dataDir_ + QStringLiteral("/size.ini"));
    QDir(dataDir_ + QStringLiteral("/bk")).removeRecursively();
    QDir(scratchFolder()).removeRecursively();
  }

  void freshDefaults() {
    auto w = makeWindow();
    QCOMPARE(w->windowTitle(), QStringLiteral("Kuvo图片批处理6.5.9999版"));
    QCOMPARE(child<QLabel>(w.get(), "lInfo")->text(), QStringLiteral("就绪。"));
    QCOMPARE(child<QComboBox>(w.get(), "cmbEncode")->currentText(), QStringLiteral("jpg"));
    auto *size = child<QComboBox>(w.get(), "cmbSize");
    QCOMPARE(size->currentText(), QStringLiteral("限制宽度"));
    QCOMPARE(size->count(), 6); // three fixed, two presets, custom
    QCOMPARE(size->itemText(5), QStringLiteral("自定义尺寸..."));
    QCOMPARE(child<QLineEdit>(w.get(), "txtW")->text(), QStringLiteral("800"));
    QVERIFY(!child<QLineEdit>(w.get(), "txtH")->isEnabled());
    QCOMPARE(child<QComboBox>(w.get(), "cmbBK")->currentText(), QStringLiteral("无边框"));
    QVERIFY(!child<QCheckBox>(w.get(), "chkInfoTxt")->isChecked());
    QVERIFY(!child<QCheckBox>(w.get(), "chkInfoImg")->isChecked());
    QCOMPARE(child<QLineEdit>(w.get(), "txtAlpha")->text(), QStringLiteral("80"));
    QCOMPARE(child<QLabel>(w.get(), "lFile")->text(), QStringLiteral("图片数量:0个"));
    QVERIFY(child<QPushButton>(w.get(), "cmdDel")->isHidden());
    QCOMPARE(child<QPushButton>(w.get(), "cmdDone")->text(), QStringLiteral("开始处理"));
    QVERIFY(!child<QPushButton>(w.get(), "cmdStop")->isEnabled());
    const ProcessingSettings s = w->jobSettings();
    QCOMPARE(s.jpegQuality, 100);
    QCOMPARE(s.cropAnchorX, 1);
    QCOMPARE(s.cropAnchorY, 0);
    QCOMPARE(s.watermarkMatrix[18], 0.8f);
    QCOMPARE(s.outputFolder, defaultOutputFolder());
    QVERIFY(QFileInfo(defaultOutputFolder()).isDir());
    QVERIFY(QFileInfo(scratchFolder()).isDir());
  }

  void loadOrder_data() {
    QTest::addColumn<QVariantMap>("keys");
    QTest::addColumn<bool>("textOn");
    QTest::addColumn<double>("textX");
    QTest::addColumn<bool>("pictureOn");
    QTest::addColumn<double>("pictureX");
    QTest::addColumn<int>("sizeIndex");
    QTest::addColumn<int>("borderIndex");
    QTest::addColumn<QString>("alpha");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<int>("jpeg");

    QTest::newRow("position without text is not read") << QVariantMap{{"iuTSyX", "0.5"}, {"iuISyX", "0.5"}} << false
                                                       << 0.0 << false << 0.0 << 0 << 0 << "80" << 9 << 100;
    QTest::newRow("stored text ticks the box at its free position")
        << QVariantMap{{"sText", "Kuvo"}, {"iuTSyX", "0.25"}, {"iSize", "12.6"}} << true << 0.25 << false << 0.0 << 0
        << 0 << "80" << 13 << 100;
    QTest::newRow("stored watermark picture")
        << QVariantMap{{"suISyF", "/pictures/logo.png"}, {"iuISyX", "0.125"}, {"iuSYAlpha", "40"}} << false << 0.0
        << true << 0.125 << 0 << 0 << "40" << 9 << 100;
    QTest::newRow("border index past the borders means none")
        << QVariantMap{{"iuBk", "3"}, {"iuSize", "4"}} << false << 0.0 << false << 0.0 << 4 << 0 << "80" << 9 << 100;
    QTest::newRow("border and fit-to-border")
        << QVariantMap{{"iuBk", "2"}, {"iuSize", "1"}} << false << 0.0 << false << 0.0 << 1 << 2 << "80" << 9 << 100;
    QTest::newRow("values that do not convert keep their defaults")
        << QVariantMap{{"iuSYAlpha", "abc"}, {"iJPGQ", "x"}, {"iSize", ""}} << false << 0.0 << false << 0.0 << 0 << 0
        << "80" << 9 << 100;
    QTest::newRow("options keys") << QVariantMap{{"iJPGQ", "75"}} << false << 0.0 << false << 0.0 << 0 << 0 << "80" << 9
                                  << 75;
  }

  void loadOrder() {
    QFETCH(QVariantMap, keys);
    QMap<QString, QString> store;
    for (auto it = keys.begin(); it != keys.end(); ++it)
      store.insert(it.key(), it.value().toString());
    auto w = makeWindow(store);
    const ProcessingSettings s = w->jobSettings();
    QTEST(child<QCheckBox>(w.get(), "chkInfoTxt")->isChecked(), "textOn");
    QTEST(s.textX, "textX");
    QTEST(child<QCheckBox>(w.get(), "chkInfoImg")->isChecked(), "pictureOn");
    QTEST(s.pictureWatermarkX, "pictureX");
    QTEST(child<QComboBox>(w.get(), "cmbSize")->currentIndex(), "sizeIndex");
    QTEST(child<QComboBox>(w.get(), "cmbBK")->currentIndex(), "borderIndex");
    QTEST(child<QLineEdit>(w.get(), "txtAlpha")->text(), "alpha");
    QTEST(s.fontSize, "fontSize");
    QTEST(s.jpegQuality, "jpeg");
    QFETCH(bool, textOn);
    if (textOn) {
      QCOMPARE(child<QComboBox>(w.get(), "cmbPos")->currentText(), QStringLiteral("自定义"));
      QCOMPARE(child<QLabel>(w.get(), "lTxt")->text(), QStringLiteral("文字水印:Kuvo"));
    }
    QFETCH(bool, pictureOn);
    if (pictureOn) {
      QCOMPARE(s.pictureWatermarkAnchor, int(AnchorFree));
      QCOMPARE(child<QLabel>(w.get(), "lSY")->text(), QStringLiteral("图片水印:/pictures/logo.png"));
      QCOMPARE(s.watermarkMatrix[18], 0.4f);
    }
    QFETCH(int, borderIndex);
    if (borderIndex > 0)
      QCOMPARE(s.borderFile, dataDir_ + QStringLiteral("/bk/frame_b.PNG"));
  }

  void writesOnCloseAndSurvivesRestart() {
    {
      auto w = makeWindow({{"sText", "Hello"}, {"iuTSyX", "0.5"}, {"iuBk", "1"}});
      auto *size = child<QComboBox>(w.get(), "cmbSize");
      size->setCurrentIndex(size->count() - 1);
      child<QLineEdit>(w.get(), "txtAlpha")->setText(QStringLiteral("55"));
      auto *border = child<QComboBox>(w.get(), "cmbBK");
      // Standing on the add-border command: the stored border stays.
      border->setCurrentIndex(border->count() - 2);
      w->close();
    }
    QCOMPARE(readSetting("iuSize"), QStringLiteral("5"));
    QCOMPARE(readSetting("iuBk"), QStringLiteral("1"));
    QCOMPARE(readSetting("iuSYAlpha"), QStringLiteral("55"));
    QCOMPARE(readSetting("sText"), QStringLiteral("Hello"));
    QCOMPARE(readSetting("iuTSyX"), QStringLiteral("0.5"));
    QCOMPARE(readSetting("sBold"), QStringLiteral("False"));
    QCOMPARE(readSetting("suISyF"), QString());
    // Every value is a string in section Options of an INI file.
    QSettings raw(settingsFilePath(), QSettings::IniFormat);
    QVERIFY(raw.childGroups().contains(QStringLiteral("Options")));

    MainWindow again;
    QCOMPARE(child<QComboBox>(&again, "cmbSize")->currentIndex(), 5);
    QCOMPARE(child<QLineEdit>(&again, "txtW")->text(), QStringLiteral("800"));
    QCOMPARE(child<QLineEdit>(&again, "txtH")->text(), QStringLiteral("600"));
    QCOMPARE(child<QComboBox>(&again, "cmbBK")->currentIndex(), 1);
    QCOMPARE(child<QLineEdit>(&again, "txtAlpha")->text(), QStringLiteral("55"));
    QVERIFY(child<QCheckBox>(&again, "chkInfoTxt")->isChecked());
  }

  // The chosen position lists come back after a restart; a store written
  // before they were kept shows a stored watermark at its free position.
  void positionsSurviveRestart_data() {
    QTest::addColumn<QString>("textPos");
    QTest::addColumn<QString>("picturePos");
    QTest::addColumn<int>("textAnchor");
    QTest::addColumn<int>("pictureAnchor");
    QTest::newRow("tiled text, corner picture") << "6" << "2" << int(AnchorTile) << int(AnchorTopLeft);
    QTest::newRow("centre text, tiled picture") << "4" << "6" << int(AnchorCenter) << int(AnchorTile);
    QTest::newRow("no stored position") << QString() << QString() << int(AnchorFree) << int(AnchorFree);
    QTest::newRow("position out of range") << "7" << "-1" << int(AnchorFree) << int(AnchorFree);
  }
  void positionsSurviveRestart() {
    QFETCH(QString, textPos);
    QFETCH(QString, picturePos);
    QFETCH(int, textAnchor);
    QFETCH(int, pictureAnchor);
    QMap<QString, QString> keys{{"sText", "Kuvo"}, {"suISyF", "/pictures/logo.png"}};
    if (!textPos.isNull())
      keys.insert({{"iTextPos", textPos}, {"iImgPos", picturePos}});
    auto w = makeWindow(keys);
    const auto *text = child<QComboBox>(w.get(), "cmbPos");
    const auto *picture = child<QComboBox>(w.get(), "cmbPosImg");
    QCOMPARE(text->currentIndex(), textAnchor);
    QCOMPARE(picture->currentIndex(), pictureAnchor);
    QCOMPARE(w->jobSettings().textAnchor, textAnchor);
    QCOMPARE(w->jobSettings().pictureWatermarkAnchor, pictureAnchor);
    QVERIFY(text->isEnabled() && picture->isEnabled());
    QCOMPARE(child<QWidget>(w.get(), "spnTileAngle")->isEnabled(),
             textAnchor == AnchorTile || pictureAnchor == AnchorTile);
    w->saveSettings();
    w.reset();
    MainWindow again;
    QCOMPARE(child<QComboBox>(&again, "cmbPos")->currentIndex(), textAnchor);
    QCOMPARE(child<QComboBox>(&again, "cmbPosImg")->currentIndex(), pictureAnchor);
  }

  void sizeListRules() {
    auto w = makeWindow();
    auto *size = child<QComboBox>(w.get(), "cmbSize");
    auto *width = child<QLineEdit>(w.get(), "txtW");
    auto *height = child<QLineEdit>(w.get(), "txtH");
    auto *border = child<QComboBox>(w.get(), "cmbBK");
    size->setCurrentIndex(4); // the preset with a ";" in its height
    QCOMPARE(width->text(), QStringLiteral("640"));
    QCOMPARE(height->text(), QStringLiteral("480;x"));
    QVERIFY(!width->isEnabled() && !height->isEnabled());
    size->setCurrentIndex(5);
    QCOMPARE(width->text(), QStringLiteral("800"));
    QCOMPARE(height->text(), QStringLiteral("600"));
    QVERIFY(width->isEnabled() && height->isEnabled());
    QCOMPARE(w->statusText(), QStringLiteral("【提示】请输入图片宽度和高度。"));
    // Fit-to-border with no border takes the first border picture.
    size->setCurrentIndex(1);
    QCOMPARE(border->currentIndex(), 1);
    QCOMPARE(w->jobSettings().borderFile, dataDir_ + QStringLiteral("/bk/frame_a.png"));
    QCOMPARE(width->text(), QStringLiteral("0"));
    // "无边框" while fitting the border goes back to a fixed width of 800.
    border->setCurrentIndex(0);
    emit border->activated(0);
    QCOMPARE(size->currentIndex(), 0);
    QCOMPARE(width->text(), QStringLiteral("800"));
    QVERIFY(w->jobSettings().borderFile.isEmpty());
  }

  void borderListRules() {
    auto w = makeWindow();
    auto *border = child<QComboBox>(w.get(), "cmbBK");
    QCOMPARE(border->count(), 5);
    QCOMPARE(border->itemText(1), QStringLiteral("frame_a"));
    QCOMPARE(border->itemText(2), QStringLiteral("frame_b"));
    QCOMPARE(border->itemText(3), QStringLiteral("添加本地边框..."));
    QCOMPARE(border->itemText(4), QStringLiteral("网络下载边框..."));
    const QString more = work_.filePath(QStringLiteral("moreborders"));
    writePng(more + QStringLiteral("/gold.png"), QSize(200, 200));
    touch(more + QStringLiteral("/notes.txt"));
    w->findChild<OverlayPanel *>()->addBorderFolder(more);
    w->findChild<OverlayPanel *>()->addBorderFolder(more); // the same folder twice adds its borders once
    QCOMPARE(border->count(), 6);
    QCOMPARE(border->currentIndex(), 3);
    QCOMPARE(border->currentText(), QStringLiteral("gold"));
    QCOMPARE(border->itemText(4), QStringLiteral("添加本地边框..."));
    QCOMPARE(w->jobSettings().borderFile, more + QStringLiteral("/gold.png"));
    // The download command falls back to no border and opens the page.
    urls_.opened.clear();
    border->setCurrentIndex(5);
    emit border->activated(5);
    QCOMPARE(border->currentIndex(), 0);
    QCOMPARE(urls_.opened.size(), 1);
  }

  void scaleSliderAndPanelValues() {
    auto w = makeWindow();
    auto *slider = child<QSlider>(w.get(), "hscSY");
    slider->setValue(11);
    QCOMPARE(w->jobSettings().pictureWatermarkScale, 3.2f);
    slider->setValue(-20);
    QCOMPARE(w->jobSettings().pictureWatermarkScale, 0.05f);
    child<QLineEdit>(w.get(), "txtAlpha")->setText(QStringLiteral("50"));
    QCOMPARE(w->jobSettings().watermarkMatrix[18], 0.5f);
    child<QLineEdit>(w.get(), "txtAlpha")->setText(QStringLiteral("abc")); // ignored
    QCOMPARE(w->jobSettings().watermarkMatrix[18], 0.5f);
    child<QLineEdit>(w.get(), "txtRGB_1")->setText(QStringLiteral("0.5"));
    QCOMPARE(w->jobSettings().imageMatrix[6], 0.5f);
    child<QAction>(w.get(), "mPCR_0")->trigger(); // red channel off
    QCOMPARE(child<QLineEdit>(w.get(), "txtRGB_0")->text(), QStringLiteral("0"));
    QCOMPARE(w->jobSettings().imageMatrix[0], 0.0f);
    child<QAction>(w.get(), "mPRT_5")->trigger();
    QCOMPARE(w->jobSettings().rotateMode, 5);
    child<QAction>(w.get(), "mTX_9")->trigger();
    QCOMPARE(w->jobSettings().effect, 9);
    child<QAction>(w.get(), "mTXUndo")->trigger();
    QCOMPARE(w->jobSettings().effect, int(NoEffect));
    child<QSlider>(w.get(), "sldLD")->setValue(30);
    QCOMPARE(w->jobSettings().effect, 12);
    QCOMPARE(w->jobSettings().brightness, 30);
    QVERIFY(child<QAction>(w.get(), "mTX_12")->isChecked());
    auto *rename = child<QCheckBox>(w.get(), "chkRM");
    QVERIFY(!child<QLineEdit>(w.get(), "txtFileName")->isEnabled());
    rename->setChecked(true);
    QVERIFY(child<QLineEdit>(w.get(), "txtFileName")->isEnabled());
    child<QAction>(w.get(), "mFNOpt_3")->trigger();
    QCOMPARE(w->jobSettings().prefix, QString());
    child<QAction>(w.get(), "mFNOpt_0")->trigger();
    QCOMPARE(w->jobSettings().prefix, QDate::currentDate().toString(QStringLiteral("yyyyMMdd_")));
    QVERIFY(w->jobSettings().rename);
  }

  void listRules() {
    auto w = makeWindow();
    auto *list = child<QListWidget>(w.get(), "lstFile");
    const QStringList names{"/p/1.jpg", "/p/2.JPG", "/p/3.png", "/p/4.TIFF", "/p/5.bmp", "/p/6.gif"};
    QCOMPARE(w->addFiles(names + QStringList{"/p/7.txt", "/p/8.heic.txt", "/p/1.jpg"}), 6);
    QCOMPARE(w->files(), names);
    QCOMPARE(list->currentRow(), 5);
    QCOMPARE(child<QLabel>(w.get(), "lFile")->text(), QStringLiteral("图片数量:6个"));
    QVERIFY(!child<QPushButton>(w.get(), "cmdDel")->isHidden());
    QVERIFY(!child<QAction>(w.get(), "mUndoDel")->isEnabled());

    // Remove entries 2 and 5, restore with Esc: the former order returns.
    list->clearSelection();
    list->item(1)->setSelected(true);
    list->item(4)->setSelected(true);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(w->files(), (QStringList{"/p/1.jpg", "/p/3.png", "/p/4.TIFF", "/p/6.gif"}));
    QVERIFY(child<QAction>(w.get(), "mUndoDel")->isEnabled());
    QVERIFY(child<QAction>(w.get(), "mUndoDelFile")->isEnabled());
    QTest::keyClick(list, Qt::Key_Escape);
    QCOMPARE(w->files(), names);
    QVERIFY(!child<QAction>(w.get(), "mUndoDel")->isEnabled());

    // Clearing forgets removals; a later removal alone is restored.
    list->clearSelection();
    list->item(0)->setSelected(true);
    w->removeSelected();
    w->clearList();
    QCOMPARE(child<QLabel>(w.get(), "lFile")->text(), QStringLiteral("图片数量:0个"));
    QVERIFY(!child<QAction>(w.get(), "mUndoDel")->isEnabled());
    QVERIFY(child<QPushButton>(w.get(), "cmdClr")->isHidden());
    QCOMPARE(w->statusText(), QStringLiteral("就绪。"));
    w->addFiles({"/q/a.png", "/q/b.png"});
    list->clearSelection();
    list->item(1)->setSelected(true);
    w->removeSelected();
    w->restoreRemoved();
    QCOMPARE(w->files(), (QStringList{"/q/a.png", "/q/b.png"}));

    // Home, End and the page keys stay inside the list.
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    w->addFiles({"/q/c.png", "/q/d.png", "/q/e.png"});
    list->setCurrentRow(3);
    QTest::keyClick(list, Qt::Key_PageDown);
    QCOMPARE(list->currentRow(), 4);
    QTest::keyClick(list, Qt::Key_Home);
    QCOMPARE(list->currentRow(), 0);
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(list->currentRow(), 4);
    QTest::keyClick(list, Qt::Key_PageUp);
    QCOMPARE(list->currentRow(), 0);
    clearSel(list);
    list->item(4)->setSelected(true);
    list->item(3)->setSelected(true);
    list->item(2)->setSelected(true);
    w->removeSelected();
    QCOMPARE(w->files(), (QStringList{"/q/a.png", "/q/b.png"}));

    // Copy path; command-line and capture paths skip the duplicate test.
    list->setCurrentRow(0);
    w->copyCurrentPath();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("/q/a.png"));
    QCOMPARE(w->statusText(), QStringLiteral("【提示】文件路径已复制:/q/a.png"));
    w->appendPicture(QStringLiteral("/q/a.png"));
    QCOMPARE(w->files().size(), 3);
  }

  void folderScanInBackground() {
    const QString folder = work_.filePath(QStringLiteral("many"));
    QDir().mkpath(folder);
    // More than ten thousand entries: the list has no fixed limit.
    for (int i = 0; i < 10050; ++i)
      touch(QStringLiteral("%1/p%2.jpg").arg(folder).arg(i, 5, 10, QLatin1Char('0')));
    touch(folder + QStringLiteral("/skip.txt"));
    touch(folder + QStringLiteral("/sub/inner.png"));
    auto w = makeWindow();
    QSignalSpy done(w.get(), &MainWindow::scanFinished);
    w->addFolder(folder, false);
    QVERIFY(w->isScanning() || done.size() == 1);
    QVERIFY(done.size() == 1 || done.wait(30000));
    QCOMPARE(done.takeFirst().at(0).toInt(), 10050);
    QCOMPARE(w->files().size(), 10050);
    QCOMPARE(w->files().first(), folder + QStringLiteral("/p00000.jpg"));
    QCOMPARE(child<QLabel>(w.get(), "lFile")->text(), QStringLiteral("图片数量:10050个"));
    QVERIFY(w->runControls()->waitWindow()->isHidden());
    // The same folder again adds nothing; with subfolders only the new one.
    w->addFolder(folder, true);
    QVERIFY(done.wait(30000));
    QCOMPARE(done.takeFirst().at(0).toInt(), 1);
    QCOMPARE(w->files().last(), folder + QStringLiteral("/sub/inner.png"));
  }

  void droppedPictureDataGetsItsOwnFile() {
    auto w = makeWindow();
    QImage red(20, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    QImage blue(20, 10, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QMimeData first, second;
    first.setImageData(red);
    second.setImageData(blue);
    w->dropData(&first, true);
    w->dropData(&second, true);
    const QStringList files = w->files();
    QCOMPARE(files.size(), 2);
    QVERIFY(files[0] != files[1]);
    QCOMPARE(QImage(files[0]).pixelColor(0, 0), QColor(Qt::red));
    QCOMPARE(QImage(files[1]).pixelColor(0, 0), QColor(Qt::blue));
    QVERIFY(files[0].startsWith(scratchFolder() + QStringLiteral("/tempWL")));

    // Dropped files: accepted, not yet listed.
    QMimeData urls;
    urls.setUrls({QUrl::fromLocalFile(Samples + "/badge.gif"), QUrl::fromLocalFile(Samples + "/badge.gif"),
                  QUrl::fromLocalFile(work_.filePath("x.txt"))});
    w->dropData(&urls, false);
    QCOMPARE(w->files().size(), 3);
    QCOMPARE(w->files().last(), Samples + "/badge.gif");
  }

  void textWatermarkDialog() {
    auto w = makeWindow();
    auto *box = child<QCheckBox>(w.get(), "chkInfoTxt");
    QString refused;
    onNextModal([&refused](QWidget *dialog) {
      QCOMPARE(dialog->objectName(), QStringLiteral("frmTxtSet"));
      QCOMPARE(dialog->windowTitle(), QStringLiteral("设置文本水印"));
      auto *ok = child<QPushButton>(dialog, "cmdOK");
      onNextModal([&refused](QWidget *m) { answerBox(m, &refused, QMessageBox::Ok); }, dialog);
      ok->click(); // empty text: refused, the dialog stays
      QVERIFY(dialog->isVisible());
      auto *text = child<QComboBox>(dialog, "txtText");
      typeText(text->lineEdit(), QStringLiteral("水印文字"));
      QCOMPARE(child<QLineEdit>(dialog, "txtPre")->text(), QStringLiteral("水印文字"));
      child<QCheckBox>(dialog, "chkB")->setChecked(true);
      auto *size = child<QLineEdit>(dialog, "txtSize");
      size->setText(QStringLiteral("14.5"));
      ok->click();
    });
    box->click();
    QCOMPARE(refused, QStringLiteral("文字不能为空！"));
    QVERIFY(box->isChecked());
    ProcessingSettings s = w->jobSettings();
    QCOMPARE(s.text, QStringLiteral("水印文字"));
    QCOMPARE(s.fontSize, 14); // halves to even
    QVERIFY(s.bold);
    QCOMPARE(child<QLineEdit>(w.get(), "txtSize")->text(), QStringLiteral("14"));
    QCOMPARE(child<QLabel>(w.get(), "lTxt")->text(), QStringLiteral("文字水印:水印文字"));
    QCOMPARE(w->statusText(), QStringLiteral("【提示】成功设置文字水印:水印文字"));
    QVERIFY(child<QComboBox>(w.get(), "cmbPos")->isEnabled());

    // "取消" after editing: the old text stays and the box is unticked.
    onNextModal([](QWidget *dialog) {
      auto *text = child<QComboBox>(dialog, "txtText");
      QCOMPARE(text->currentText(), QStringLiteral("水印文字"));
      text->setEditText(QStringLiteral("#当前日期#"));
      QCOMPARE(child<QLineEdit>(dialog, "txtPre")->text(), QStringLiteral("#当前日期#"));
      child<QPushButton>(dialog, "cmdNO")->click();
    });
    child<QAction>(w.get(), "mSetTxt")->trigger();
    QVERIFY(!box->isChecked());
    QCOMPARE(w->jobSettings().text, QStringLiteral("水印文字"));
    QVERIFY(!w->jobSettings().textWatermarkOn);

    // The palette: moving away abandons the pick, releasing on it picks.
    QColor picked;
    onNextModal([&](QWidget *dialog) {
      auto *swatch = child<QPushButton>(dialog, "txtColor");
      auto *palette = child<QLabel>(dialog, "picColor");
      auto move = [](QWidget *target, QPoint pos, QEvent::Type type) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(pos), target->mapToGlobal(QPointF(pos)), button, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
      };
      swatch->click();
      QVERIFY(!palette->isHidden());
      const QString before = swatch->styleSheet();
      move(palette, QPoint(10, 10), QEvent::MouseMove);
      QVERIFY(swatch->styleSheet() != before);
      move(dialog, QPoint(2, dialog->height() - 2), QEvent::MouseMove); // the dialog's background
      QVERIFY(palette->isHidden());
      QCOMPARE(swatch->styleSheet(), before);
      swatch->click();
      move(palette, QPoint(120, 30), QEvent::MouseButtonRelease);
      picked = palette->pixmap().toImage().pixelColor(120, 30);
      QVERIFY(palette->isHidden());
      child<QPushButton>(dialog, "cmdOK")->click();
    });
    child<QAction>(w.get(), "mSetTxt")->trigger();
    QVERIFY(box->isChecked());
    QVERIFY(picked.isValid() && picked != QColor(Qt::black));
    const quint32 rgb = w->jobSettings().textColor;
    QCOMPARE(QColor(int(rgb & 0xff), int((rgb >> 8) & 0xff), int((rgb >> 16) & 0xff)), picked);
    QVERIFY(w->jobSettings().textWatermarkOn);
  }

  void startChecks() {
    auto w = makeWindow();
    auto *start = child<QPushButton>(w.get(), "cmdDone");
    QString message;
    bool chooserShown = false;
    onNextModal([&](QWidget *m) {
      // After the message the add-files chooser opens.
      onNextModal(
          [&](QWidget *chooser) {
            chooserShown = chooser->objectName() == QStringLiteral("frmDlg");
            static_cast<QDialog *>(chooser)->reject();
          },
          m);
      answerBox(m, &message, QMessageBox::Ok);
    });
    start->click();
    QCOMPARE(message, QStringLiteral("没有添加要处理的图片！"));
    QVERIFY(chooserShown);
    QVERIFY(w->runControls()->waitWindow()->isHidden());

    w->addFiles({Samples + "/badge.gif"});
    auto *size = child<QComboBox>(w.get(), "cmbSize");
    size->setCurrentIndex(size->count() - 1);
    child<QLineEdit>(w.get(), "txtW")->setText(QStringLiteral("0"));
    onNextModal([&](QWidget *m) { answerBox(m, &message, QMessageBox::Ok); });
    start->click();
    QCOMPARE(message, QStringLiteral("图片尺寸不能为0！"));
    QCOMPARE(child<QLineEdit>(w.get(), "txtW")->selectedText(), QStringLiteral("0"));
    QVERIFY(!w->runControls()->isRunning());
  }

  void wholeRunWithStop() {
    const QString in = work_.filePath(QStringLiteral("run-in"));
    const QString out = work_.filePath(QStringLiteral("run-out"));
    const QStringList pictures = copies(QStringLiteral("rotated_camera.jpg"), 24, in);
    auto w = makeWindow();
    w->setOutputFolder(out);
    QCOMPARE(w->addFiles(pictures), 24);
    auto *start = child<QPushButton>(w.get(), "cmdDone");
    auto *stop = child<QPushButton>(w.get(), "cmdStop");
    QSignalSpy finished(w.get(), &MainWindow::runFinished);
    QStringList captions;
    bool stopped = false;
    auto progress = connect(w.get(), &MainWindow::runProgressed, this, [&](int done, int total) {
      QCOMPARE(total, 24);
      captions << start->text();
      if (done == 1 && !stopped) {
        stopped = true;
        stop->click();
        // The buttons show idle at once; the run ends after its pictures in progress.
        QCOMPARE(start->text(), QStringLiteral("开始处理"));
        QVERIFY(start->isEnabled());
        QVERIFY(!stop->isEnabled());
      }
    });
    urls_.opened.clear();
    start->click();
    QVERIFY(w->runControls()->isRunning());
    QVERIFY(!start->isEnabled());
    QVERIFY(stop->isEnabled());
    QVERIFY(w->runControls()->waitWindow()->isVisible());
    QVERIFY(finished.wait(60000));
    QCOMPARE(captions.value(0), QStringLiteral("进度:1/24"));
    const int savedAfterStop = static_cast<int>(QDir(out).entryList(QDir::Files).size());
    QVERIFY2(savedAfterStop >= 1 && savedAfterStop < 24, qPrintable(QString::number(savedAfterStop)));
    QVERIFY(QFileInfo::exists(out + QStringLiteral("/pic000.jpg")));
    QCOMPARE(w->statusText(), QStringLiteral("【提示】处理完毕！图片已保存到输出文件夹。"));
    QCOMPARE(urls_.opened.value(0), QUrl::fromLocalFile(out));
    QVERIFY(w->runControls()->waitWindow()->isHidden());
    QVERIFY(!w->runControls()->isRunning());

    // Start again; a change made during the run applies to later pictures.
    disconnect(progress);
    bool changed = false;
    connect(w.get(), &MainWindow::runProgressed, this, [&](int done, int) {
      if (done == 1 && !changed) {
        changed = true;
        child<QComboBox>(w.get(), "cmbEncode")->setCurrentText(QStringLiteral("png"));
      }
    });
    start->click();
    QVERIFY(finished.wait(60000));
    QVERIFY(QFileInfo::exists(out + QStringLiteral("/pic023.png")));
    QCOMPARE(start->text(), QStringLiteral("开始处理"));
    QVERIFY(start->isEnabled());
    QVERIFY(!stop->isEnabled());
  }

  void startWhileStoppingRunsAgain() {
    const QString in = work_.filePath(QStringLiteral("again-in"));
    const QString out = work_.filePath(QStringLiteral("again-out"));
    auto w = makeWindow({{"bAutoODir", "0"}});
    w->setOutputFolder(out);
    w->addFiles(copies(QStringLiteral("rotated_camera.jpg"), 16, in));
    auto *start = child<QPushButton>(w.get(), "cmdDone");
    auto *stop = child<QPushButton>(w.get(), "cmdStop");
    QSignalSpy finished(w.get(), &MainWindow::runFinished);
    bool once = false;
    connect(w.get(), &MainWindow::runProgressed, this, [&](int done, int) {
      if (done != 1 || once)
        return;
      once = true;
      stop->click();
      // Pressed while the stopped run still saves its last pictures.
      start->click();
      QVERIFY(!start->isEnabled());
    });
    start->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 60000);
    QCOMPARE(QDir(out).entryList(QDir::Files).size(), 16);
    QVERIFY(!w->runControls()->isRunning());
    QVERIFY(start->isEnabled());
  }

  void borderWheelAndOptionKeys() {
    auto w = makeWindow();
    auto *border = child<QComboBox>(w.get(), "cmbBK");
    border->setFocus();
    QWheelEvent down(QPointF(5, 5), border->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(border, &down);
    QCOMPARE(border->currentIndex(), 1);
    QCOMPARE(w->jobSettings().borderFile, dataDir_ + QStringLiteral("/bk/frame_a.png"));

    // The options dialog writes its keys; the window takes them on request.
    saveSetting(QStringLiteral("iJPGQ"), QStringLiteral("60"));
    saveSetting(QStringLiteral("bPicJQ"), QStringLiteral("0"));
    saveSetting(QStringLiteral("iXCutMode"), QStringLiteral("2"));
    w->loadOptionKeys();
    QCOMPARE(w->jobSettings().jpegQuality, 60);
    QVERIFY(!w->jobSettings().cropToFit);
    QCOMPARE(w->jobSettings().cropAnchorX, 2);
  }

  void longListsAskToMinimise_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("asks");
    QTest::newRow("100 entries") << 100 << false;
    QTest::newRow("101 entries") << 101 << true;
  }
  void longListsAskToMinimise() {
    QFETCH(int, count);
    QFETCH(bool, asks);
    const QString in = work_.filePath(QStringLiteral("long-in"));
    QDir().mkpath(in);
    QStringList files;
    for (int i = 0; i < count; ++i) {
      const QString path = QStringLiteral("%1/p%2.bmp").arg(in).arg(i, 3, 10, QLatin1Char('0'));
      QFile::copy(Samples + "/checker.bmp", path);
      files << path;
    }
    auto w = makeWindow({{"bAutoODir", "0"}});
    w->setOutputFolder(work_.filePath(QStringLiteral("long-out")));
    w->addFiles(files);
    QString question;
    QPointer<QTimer> driver = onNextModal([&question](QWidget *m) { answerBox(m, &question, QMessageBox::No); });
    QSignalSpy finished(w.get(), &MainWindow::runFinished);
    connect(w.get(), &MainWindow::runProgressed, this, [&w](int done, int) {
      if (done == 1)
        w->runControls()->stopRun();
    });
    child<QPushButton>(w.get(), "cmdDone")->click();
    QVERIFY(finished.wait(60000));
    delete driver.data();
    QCOMPARE(!question.isEmpty(), asks);
    if (asks)
      QCOMPARE(question,
               QStringLiteral(
                   "处理这些图片可能需要较长时间。为不干扰您的工作,软件将在最小化状态下运行。\r\n确认最小化吗？"));
    QVERIFY(!w->isMinimized());
  }

  void runWithErrorsAsksAboutTheLog() {
    const QString in = work_.filePath(QStringLiteral("err-in"));
    const QString out = work_.filePath(QStringLiteral("err-out"));
    touch(in + QStringLiteral("/broken.jpg"), "not a picture");
    auto w = makeWindow({{"bSaveErr", "1"}, {"bAutoODir", "0"}});
    w->setOutputFolder(out);
    w->addFiles({in + QStringLiteral("/broken.jpg"), Samples + QStringLiteral("/badge.gif")});
    QString question;
    onNextModal([&question](QWidget *m) { answerBox(m, &question, QMessageBox::No); });
    QSignalSpy finished(w.get(), &MainWindow::runFinished);
    urls_.opened.clear();
    child<QPushButton>(w.get(), "cmdDone")->click();
    QVERIFY(finished.wait(60000));
    QVERIFY(question.startsWith(QStringLiteral("在处理过程中发生错误,这些错误已经保存到")));
    QVERIFY(question.endsWith(QStringLiteral("现在查看错误记录吗？")));
    QVERIFY(QFileInfo::exists(out + QStringLiteral("/ErrorLog.txt")));
    QVERIFY(w->statusText().endsWith(QStringLiteral("请注意,在图片处理或上传过程中发生错误。")));
    QVERIFY(urls_.opened.isEmpty()); // bAutoODir off, and "No" to the log
  }

  // A run into the pictures' own folder never replaces an original: each
  // picture gets an entry saying why; with 自动改名 the copies go beside them.
  void runIntoTheSourceFolder_data() {
    QTest::addColumn<QString>("rule");
    QTest::newRow("覆盖") << "0";
    QTest::newRow("自动改名") << "2";
  }
  void runIntoTheSourceFolder() {
    QFETCH(QString, rule);
    const QString in = work_.filePath(QStringLiteral("own-") + rule);
    const QStringList pictures = copies(QStringLiteral("rotated_camera.jpg"), 2, in);
    QFile original(pictures[0]);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    auto w = makeWindow({{"bSaveErr", "1"}, {"bAutoODir", "0"}, {"iExisting", rule}});
    w->setOutputFolder(in);
    w->addFiles(pictures);
    QPointer<QTimer> driver = onNextModal([](QWidget *m) { answerBox(m, nullptr, QMessageBox::No); });
    QSignalSpy finished(w.get(), &MainWindow::runFinished);
    child<QPushButton>(w.get(), "cmdDone")->click();
    QVERIFY(finished.wait(60000));
    delete driver.data();
    QFile again(pictures[0]);
    QVERIFY(again.open(QIODevice::ReadOnly));
    QVERIFY(again.readAll() == bytes);
    if (rule == QLatin1String("2")) {
      QCOMPARE(QImage(in + QStringLiteral("/pic001_2.jpg")).width(), 800);
      QCOMPARE(w->statusText(), QStringLiteral("【提示】处理完毕！图片已保存到输出文件夹。"));
    } else {
      QFile log(in + QStringLiteral("/ErrorLog.txt"));
      QVERIFY(log.open(QIODevice::ReadOnly));
      QCOMPARE(QString::fromUtf8(log.readAll()).count(QStringLiteral("在保存时发生错误:输出文件就是原图片本身")), 2);
      QVERIFY(w->statusText().endsWith(QStringLiteral("请注意,在图片处理或上传过程中发生错误。")));
    }
  }

  void previewShowsTheCurrentEntry() {
    auto w = makeWindow();
    QSignalSpy shown(w->preview(), &PreviewPanel::previewShown);
    w->addFiles({Samples + QStringLiteral("/sunset_landscape.jpg")});
    QVERIFY(shown.wait(20000));
    QCOMPARE(w->preview()->image().width(), 800);
    // Several changes in a row: the newest is the one shown.
    child<QComboBox>(w.get(), "cmbSize")->setCurrentIndex(5);
    child<QLineEdit>(w.get(), "txtH")->setText(QStringLiteral("300"));
    child<QLineEdit>(w.get(), "txtW")->setText(QStringLiteral("400"));
    emit child<QLineEdit>(w.get(), "txtW")->returnPressed();
    QTRY_VERIFY_WITH_TIMEOUT(!w->preview()->busy() && w->preview()->image().size() == QSize(400, 300), 20000);

    // With the live preview off nothing is computed; turning it on refreshes.
    auto *live = child<QAction>(w.get(), "mShowOn2");
    live->trigger();
    QVERIFY(!child<QAction>(w.get(), "mShowOn")->isChecked());
    child<QLineEdit>(w.get(), "txtH")->setText(QStringLiteral("200"));
    QVERIFY(!w->preview()->busy());
    QCOMPARE(w->preview()->image().size(), QSize(400, 300));
    live->trigger();
    QVERIFY(child<QAction>(w.get(), "mShowOn")->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(!w->preview()->busy() && w->preview()->image().size() == QSize(400, 200), 20000);
  }
};

KUVO_APP_TEST_MAIN(TestMainWindow)

#include "tst_main_window.moc"
