// The viewer commands of the main window, the crop button, "处理信息" on
// maximising, the auto-hiding tool strips, the neighbour pictures on the
// preview arrows and the addresses of links.ini.
#include "app_test_main.h"
#include "modal_helpers.h"
#include "app/main_window.h"
#include "app/preview_panel.h"
#include "app/neighbour_previews.h"
#include "app/web_links.h"
#include "viewer/frm_pic.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>

using namespace kuvo;

namespace {
const QString Samples = QStringLiteral(KUVO_SOURCE_DIR "/data/samples");

template <typename T> T *child(QObject *parent, const char *name) {
  return parent->findChild<T *>(QLatin1String(name));
}

frmPic *openViewer() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *v = qobject_cast<frmPic *>(w); v && v->isVisible())
      return v;
  return nullptr;
}

void moveOver(QWidget *w, QPoint pos) {
  QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}
} // namespace

class TestWindowCommands : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> windowWith(const QStringList &names) {
    auto w = std::make_unique<MainWindow>();
    w->resize(1000, 700);
    w->show();
    if (!names.isEmpty()) {
      QStringList paths;
      for (const QString &n : names)
        paths << Samples + QLatin1Char('/') + n;
      QSignalSpy shown(w->preview(), &PreviewPanel::previewShown);
      w->addFiles(paths);
      if (!shown.wait(10000))
        qWarning("no preview");
    }
    return w;
  }

private slots:
  void commandsOnAnEmptyList_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("status");
    const QString nothing = QStringLiteral("【操作错误】当前没有图片可以浏览。");
    QTest::newRow("全屏查看原图") << "mViewSrc" << nothing;
    QTest::newRow("多图列表浏览原图") << "mViewList" << nothing;
    QTest::newRow("幻灯片模式浏览原图") << "mViewSlide" << nothing;
    QTest::newRow("全屏预览处理图") << "mViewDone" << QStringLiteral("【操作错误】没有可预览的图片。");
  }
  void commandsOnAnEmptyList() {
    QFETCH(QString, action);
    QFETCH(QString, status);
    auto w = windowWith({});
    w->findChild<QAction *>(action)->trigger();
    QCOMPARE(w->statusText(), status);
    QVERIFY(!openViewer());
  }

  void processedNeedsASize() {
    auto w = windowWith({QStringLiteral("checker.bmp")});
    auto *size = child<QComboBox>(w.get(), "cmbSize");
    size->setCurrentIndex(size->count() - 1); // "自定义尺寸..."
    child<QLineEdit>(w.get(), "txtW")->setText(QStringLiteral("0"));
    child<QLineEdit>(w.get(), "txtH")->setText(QStringLiteral("0"));
    QString text;
    onNextModal([&text](QWidget *box) {
      text = static_cast<QMessageBox *>(box)->text();
      static_cast<QMessageBox *>(box)->accept();
    });
    child<QAction>(w.get(), "mViewDone")->trigger();
    QCOMPARE(text, QStringLiteral("图片尺寸不能同时为0！"));
    QVERIFY(!openViewer());
    QCOMPARE(child<QLineEdit>(w.get(), "txtW")->selectedText(), QStringLiteral("0"));
  }

  void browseModes_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("mode");
    QTest::newRow("多图列表浏览原图") << "mViewList" << int(ViewerMode::List);
    QTest::newRow("幻灯片模式浏览原图") << "mViewSlide" << int(ViewerMode::SlideShow);
    QTest::newRow("全屏查看原图") << "mViewSrc" << int(ViewerMode::Single);
  }
  void browseModes() {
    QFETCH(QString, action);
    QFETCH(int, mode);
    auto w = windowWith({QStringLiteral("checker.bmp"), QStringLiteral("badge.gif")});
    w->findChild<QAction *>(action)->trigger();
    QTRY_VERIFY(openViewer());
    frmPic *viewer = openViewer();
    QCOMPARE(int(viewer->mode()), mode);
    QCOMPARE(viewer->files().size(), 2);
    QVERIFY(!QApplication::overrideCursor());
    viewer->close();
    QTRY_VERIFY(!openViewer());
  }

  void cropButton() {
    auto w = windowWith({});
    auto *cut = child<QToolButton>(w.get(), "cmdImgCut");
    QVERIFY(cut);
    QCOMPARE(cut->text(), QStringLiteral("裁剪图片"));
    QCOMPARE(cut->toolTip(), QStringLiteral("裁剪图片尺寸"));
  }

  void infoPanelWhenMaximised() {
    auto w = windowWith({QStringLiteral("checker.bmp")});
    auto *info = child<QWidget>(w.get(), "NiceContainr6");
    QVERIFY(info && !info->isVisible());
    w->showMaximized();
    QTRY_VERIFY(info->isVisible());
    QVERIFY(w->findChild<QLabel *>(QStringLiteral("lblInfoJob"))->text().contains(QStringLiteral("限制宽度")));
    QVERIFY(w->findChild<QLabel *>(QStringLiteral("lblInfoPicture"))->text().contains(QStringLiteral("checker.bmp")));
    w->showNormal();
    QTRY_VERIFY(!info->isVisible());
  }

  void unpinnedStripsFollowThePointer() {
    auto w = windowWith({QStringLiteral("checker.bmp")});
    auto *preview = child<QWidget>(w.get(), "picImg");
    auto *side = child<QWidget>(w.get(), "Frame3");
    auto *top = child<QWidget>(w.get(), "Frame4");
    const int widthBefore = preview->width();
    child<QAction>(w.get(), "mKRTool")->setChecked(false);
    child<QAction>(w.get(), "mKTTool")->setChecked(false);
    QTRY_VERIFY(preview->width() > widthBefore); // the strip gave its room
    const int widthUnpinned = preview->width();
    QVERIFY(!side->isVisible() && !top->isVisible());
    moveOver(preview, QPoint(preview->width() - 5, preview->height() / 2));
    QVERIFY(side->isVisible());
    QVERIFY(!top->isVisible());
    moveOver(preview, QPoint(preview->width() / 2, 3));
    QVERIFY(top->isVisible());
    QVERIFY(!side->isVisible());
    moveOver(preview, QPoint(preview->width() / 2, preview->height() / 2));
    QVERIFY(!side->isVisible() && !top->isVisible());
    child<QAction>(w.get(), "mKRTool")->setChecked(true);
    QVERIFY(side->isVisible());
    QVERIFY(side->parentWidget() != preview);
    QTRY_VERIFY(preview->width() < widthUnpinned);
  }

  void arrowsShowTheNeighbours() {
    auto w = windowWith({QStringLiteral("checker.bmp"), QStringLiteral("badge.gif"), QStringLiteral("diagram.png")});
    child<QListWidget>(w.get(), "lstFile")->setCurrentRow(1);
    auto *previous = child<QToolButton>(w.get(), "imgPre");
    auto *next = child<QToolButton>(w.get(), "imgFor");
    QTRY_VERIFY(!previous->icon().isNull() && !next->icon().isNull());
    const QSize icon = previous->iconSize();
    QVERIFY(icon.width() <= NeighbourPreviews::Side && icon.height() <= NeighbourPreviews::Side);
    // At the end of the list only the previous one is shown.
    child<QListWidget>(w.get(), "lstFile")->setCurrentRow(2);
    QTRY_VERIFY(!next->isVisible());
    QVERIFY(previous->isVisible());
  }

  void linksFromTheDataFile() {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("links.ini"));
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Links]\nHomePage=kuvo-no-such-scheme://home\nForum=\nDownload=\n");
    file.close();
    reloadLinks(ini);
    auto w = windowWith({});
    auto *home = child<QAction>(w.get(), "mHWeb");
    auto *forum = child<QAction>(w.get(), "mBBS");
    QVERIFY(home->isEnabled());
    QVERIFY(!forum->isEnabled());
    QCOMPARE(forum->toolTip(), LinkNotSetTip);
    auto *borders = child<QComboBox>(w.get(), "cmbBK");
    auto *model = qobject_cast<QStandardItemModel *>(borders->model());
    QVERIFY(!model->item(borders->count() - 1)->isEnabled());
    // A link the system cannot open says so.
    home->trigger();
    QVERIFY2(w->statusText().startsWith(QStringLiteral("【操作错误】无法打开网页:kuvo-no-such-scheme://home")),
             qPrintable(w->statusText()));
    reloadLinks();
  }
};

KUVO_APP_TEST_MAIN(TestWindowCommands)
#include "tst_window_commands.moc"
