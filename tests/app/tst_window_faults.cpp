// Faults a new user met in the first minutes: Qt's own texts, the caption
// box's Enter, an unreadable entry, the emptied list, the text sample under a
// skin, the chooser's "新建", a cancelled border folder, "bNewVer", the broken
// settings notice, the wait window's place and the window's minimum width.
#include "app_test_main.h"
#include "modal_helpers.h"
#include "app/chooser_dialog.h"
#include "app/main_window.h"
#include "app/run_controls.h"
#include "app/overlay_panel.h"
#include "app/preview_panel.h"
#include "app/settings_notice.h"
#include "app/skins.h"
#include "app/txt_set_dialog.h"
#include "app/wait_window.h"
#include "engine/font_substitution.h"
#include "platform/settings_store.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>

using namespace kuvo;

namespace {
const QString Samples = QStringLiteral(KUVO_SOURCE_DIR "/data/samples");

QString skin(int index) {
  return QStringLiteral(KUVO_SOURCE_DIR "/data/skin/") + skinFileName(index);
}

template <typename T> T *child(QObject *parent, const char *name) {
  return parent->findChild<T *>(QLatin1String(name));
}

bool hasChinese(const QString &text) {
  static const QRegularExpression han(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
  return text.contains(han);
}

bool viewerOpen() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("frmPic") && w->isVisible())
      return true;
  return false;
}
} // namespace

class TestWindowFaults : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

  std::unique_ptr<MainWindow> windowWith(const QStringList &paths) {
    auto w = std::make_unique<MainWindow>();
    w->show();
    if (!paths.isEmpty()) {
      QSignalSpy shown(w->preview(), &PreviewPanel::previewShown);
      w->addFiles(paths);
      if (!shown.wait(10000))
        qWarning("no preview");
    }
    return w;
  }

private slots:
  void qtTextsAreChinese() {
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QMessageBox box(QMessageBox::Question, AppTitle, QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    for (const QString &text : {buttons.button(QDialogButtonBox::Ok)->text(),
                                buttons.button(QDialogButtonBox::Cancel)->text(), box.button(QMessageBox::Yes)->text(),
                                box.button(QMessageBox::No)->text(), menu->actions().value(0)->text()})
      QVERIFY2(hasChinese(text), qPrintable(text));
  }

  void captionEnterOnlyStores() {
    auto w = windowWith({Samples + QStringLiteral("/checker.bmp"), Samples + QStringLiteral("/badge.gif")});
    w->preview()->showCaptionBox();
    auto *box = child<QLineEdit>(w.get(), "txtPicTxt");
    box->setText(QStringLiteral("第二张的说明"));
    QTest::keyClick(box, Qt::Key_Return);
    QTest::qWait(50);
    QVERIFY(!viewerOpen());
    QCOMPARE(w->jobSettings().description(1), QStringLiteral("第二张的说明"));
  }

  void unreadableEntryHidesPreview() {
    const QString bad = dir_.filePath(QStringLiteral("broken.jpg"));
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("this is not a picture");
    f.close();
    auto w = windowWith({Samples + QStringLiteral("/checker.bmp")});
    QVERIFY(child<QLabel>(w.get(), "imgM")->isVisible());
    QSignalSpy shown(w->preview(), &PreviewPanel::previewShown);
    w->addFiles({bad});
    QVERIFY(shown.wait(10000));
    QVERIFY(!child<QLabel>(w.get(), "imgM")->isVisible());
    QVERIFY(w->preview()->image().isNull());
    QVERIFY2(w->statusText().startsWith(QStringLiteral("【操作错误】无法预览broken.jpg:")), qPrintable(w->statusText()));
  }

  void emptiedListShowsIdleState_data() {
    QTest::addColumn<bool>("clear");
    QTest::newRow("全部清空") << true;
    QTest::newRow("remove the last entry") << false;
  }
  void emptiedListShowsIdleState() {
    QFETCH(bool, clear);
    auto w = windowWith({Samples + QStringLiteral("/checker.bmp"), Samples + QStringLiteral("/badge.gif")});
    auto *list = child<QListWidget>(w.get(), "lstFile");
    list->setCurrentRow(0);
    QTRY_VERIFY(child<QToolButton>(w.get(), "imgFor")->isVisible());
    w->preview()->showCaptionBox();
    if (clear) {
      w->clearList();
    } else {
      list->selectAll();
      w->removeSelected();
    }
    for (const char *name : {"imgPre", "imgFor", "imgSmall", "txtPicTxt"})
      QVERIFY2(!child<QWidget>(w.get(), name)->isVisible(), name);
    QCOMPARE(w->windowTitle(), AppTitle + VersionText);
    auto *imgM = child<QLabel>(w.get(), "imgM");
    QVERIFY(imgM->isVisible());
    QCOMPARE(imgM->text(), IdlePreviewText);
    QCOMPARE(w->statusText(), IdleStatus);
  }

  void textSampleFollowsStyle_data() {
    QTest::addColumn<int>("index");
    QTest::newRow("浅蓝") << 0;
    QTest::newRow("经典黑") << 3;
  }
  void textSampleFollowsStyle() {
    QFETCH(int, index);
    QVERIFY(applySkin(skin(index)));
    TextStyle style;
    style.text = QStringLiteral("水印");
    style.fontSize = 36;
    style.bold = true;
    style.color = rgbValueFromColor(QColor(200, 10, 20));
    TxtSetDialog dialog(style);
    dialog.show();
    auto *sample = child<QLineEdit>(&dialog, "txtPre");
    QTRY_VERIFY(sample->isVisible());
    QCOMPARE(sample->font().pixelSize(), watermarkFont(style.fontName, 36, true, false, false).pixelSize());
    QVERIFY(sample->font().bold());
    QCOMPARE(sample->palette().color(QPalette::Text), QColor(200, 10, 20));
    QVERIFY(sample->height() >= QFontMetrics(sample->font()).height());
    // The palette opens and closes: the dialog takes back its height.
    const int before = dialog.height();
    child<QPushButton>(&dialog, "txtColor")->click();
    QTRY_VERIFY(dialog.height() > before);
    child<QPushButton>(&dialog, "txtColor")->click();
    QTRY_COMPARE(dialog.height(), before);
    applySkin(QString());
  }

  void newFolderGoesBeside() {
    QTemporaryDir root;
    ChooserDialog dialog(ChooserDialog::FolderMode);
    dialog.setFolder(root.path());
    auto *button = child<QPushButton>(&dialog, "cmdDirNew");
    button->click();
    QCOMPARE(dialog.folder(), root.filePath(QStringLiteral("新建文件夹")));
    button->click();
    QVERIFY(QFileInfo(root.filePath(QStringLiteral("新建文件夹( 2)"))).isDir());
    QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("新建文件夹/新建文件夹"))));
    QCOMPARE(dialog.folder(), root.filePath(QStringLiteral("新建文件夹( 2)")));
  }

  void cancelledBorderFolderKeepsBorder() {
    QTemporaryDir borders;
    QImage(40, 30, QImage::Format_ARGB32).save(borders.filePath(QStringLiteral("edge.png")));
    auto w = windowWith({});
    w->findChild<OverlayPanel *>()->addBorderFolder(borders.path());
    auto *list = child<QComboBox>(w.get(), "cmbBK");
    const int border = list->currentIndex();
    QCOMPARE(list->currentText(), QStringLiteral("edge"));
    onNextModal([](QWidget *chooser) { static_cast<QDialog *>(chooser)->reject(); });
    const int add = list->count() - 2; // "添加本地边框..."
    list->setCurrentIndex(add);
    emit list->activated(add);
    QCOMPARE(list->currentIndex(), border);
    QCOMPARE(w->jobSettings().borderFile, borders.filePath(QStringLiteral("edge.png")));
  }

  void newVersionStartsUnticked() {
    QVERIFY(saveSetting(QStringLiteral("bNewVer"), QStringLiteral("1")));
    MainWindow w;
    QVERIFY(!w.optionValues().newVersion);
  }

  void brokenSettingsToldOnce() {
    QString text;
    onNextModal([&text](QWidget *box) {
      text = static_cast<QMessageBox *>(box)->text();
      static_cast<QMessageBox *>(box)->accept();
    });
    QVERIFY(tellBrokenSettings(nullptr, QStringLiteral("/home/u/.config/kuvo.ini.broken-20260101-000000")));
    QVERIFY(text.contains(QStringLiteral("kuvo.ini.broken-20260101-000000")));
    QVERIFY(!tellBrokenSettings(nullptr, QStringLiteral("/other")));
  }

  void waitWindowCentred() {
    MainWindow w;
    w.setGeometry(200, 150, 1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.runControls()->waitWindow()->show();
    const QPoint offset = w.runControls()->waitWindow()->frameGeometry().center() - w.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 4, qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
    w.runControls()->waitWindow()->hide();
  }

  void fitsSmallScreen() {
    for (int index : {0, 2}) {
      QVERIFY(applySkin(skin(index)));
      MainWindow w;
      QVERIFY2(w.minimumSizeHint().width() <= 1000, qPrintable(QString::number(w.minimumSizeHint().width())));
    }
    applySkin(QString());
  }
};

KUVO_APP_TEST_MAIN(TestWindowFaults)
#include "tst_window_faults.moc"
