// The chooser on its own and as the main window uses it.
#include "app_test_main.h"
#include "modal_helpers.h"
#include "app/web_links.h"
#include "app/chooser_dialog.h"
#include "app/main_window.h"
#include "platform/settings_store.h"

#include <QApplication>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using namespace kuvo;

namespace {
void touch(const QString &path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  if (f.open(QIODevice::WriteOnly))
    f.write("x");
}


void selectAll(QListWidget *list) {
  for (int i = 0; i < list->count(); ++i)
    list->item(i)->setSelected(true);
}
} // namespace

class TestChooserDialog : public QObject {
  Q_OBJECT
private:
  QTemporaryDir dir_;

private slots:
  void picturesModeTakesAcceptedNames() {
    const QString folder = dir_.filePath("pics");
    for (const char *name : {"a.JPG", "b.jpeg", "c.png", "d.tif", "e.TIFF", "f.txt"})
      touch(folder + "/" + name);
    ChooserDialog dialog(ChooserDialog::PicturesMode);
    dialog.setFolder(folder);
    auto *files = dialog.findChild<QListWidget *>("File1");
    QCOMPARE(files->count(), 5); // pictures only, in any letter case
    // With every file listed, confirming still takes the accepted names only.
    dialog.setPattern(QString());
    QCOMPARE(files->count(), 6);
    selectAll(files);
    QCOMPARE(dialog.selectedPictures(), (QStringList{folder + "/a.JPG", folder + "/b.jpeg", folder + "/c.png",
                                                     folder + "/d.tif", folder + "/e.TIFF"}));
    files->selectionModel()->setCurrentIndex(files->model()->index(2, 0), QItemSelectionModel::NoUpdate);
    emit files->itemClicked(files->item(2));
    QCOMPARE(dialog.findChild<QLabel *>("Label1")->text(), QStringLiteral("您选择的是\"") +
                                                               QDir::toNativeSeparators(folder + "/c.png") +
                                                               QStringLiteral("\"等共6个文件。"));
    dialog.findChild<QPushButton *>("cmdOK")->click();
    QVERIFY(dialog.confirmed());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(readSetting("sODIR"), QDir::toNativeSeparators(folder));
  }

  void cancelAndEscAreNotConfirmations() {
    ChooserDialog a(ChooserDialog::FolderMode);
    a.setFolder(dir_.path());
    a.findChild<QPushButton *>("cmdCancel")->click();
    QVERIFY(!a.confirmed());
    ChooserDialog b(ChooserDialog::FolderMode);
    b.show();
    QTest::keyClick(&b, Qt::Key_Escape);
    QVERIFY(!b.confirmed());
    QVERIFY(b.isHidden());
  }

  void newFolderNumbering() {
    const QString base = dir_.filePath("new");
    QDir().mkpath(base);
    ChooserDialog dialog(ChooserDialog::FolderMode);
    dialog.setFolder(base);
    dialog.findChild<QPushButton *>("cmdDirNew")->click();
    QCOMPARE(dialog.folder(), base + QStringLiteral("/新建文件夹"));
    dialog.setFolder(base);
    dialog.findChild<QPushButton *>("cmdDirNew")->click();
    QCOMPARE(dialog.folder(), base + QStringLiteral("/新建文件夹( 2)"));
    QVERIFY(QFileInfo(base + QStringLiteral("/新建文件夹( 2)")).isDir());
  }

  void transparencyStart_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0 shows 80") << 0 << "80";
    QTest::newRow("150 shows 80") << 150 << "80";
    QTest::newRow("1") << 1 << "1";
    QTest::newRow("100") << 100 << "100";
  }
  void transparencyStart() {
    QFETCH(int, stored);
    QFETCH(QString, shown);
    ChooserDialog dialog(ChooserDialog::WatermarkMode);
    dialog.setTransparencyVisible(true, stored);
    auto *box = dialog.findChild<QLineEdit *>("txtSYAlpha");
    auto *bar = dialog.findChild<QScrollBar *>("HScroll1");
    QCOMPARE(box->text(), shown);
    QCOMPARE(bar->value(), shown.toInt());
    bar->setValue(33);
    QCOMPARE(box->text(), QStringLiteral("33"));
    box->setText(QStringLiteral("64"));
    QCOMPARE(bar->value(), 64);
  }

  void windowAddsAFolderWithSubfolders() {
    const QString folder = dir_.filePath("tree");
    touch(folder + "/one.jpg");
    touch(folder + "/inner/two.png");
    MainWindow window;
    QSignalSpy scanned(&window, &MainWindow::scanFinished);
    bool sawBox = false;
    onNextModal([&](QWidget *w) {
      auto *dialog = qobject_cast<ChooserDialog *>(w);
      QVERIFY(dialog);
      QCOMPARE(dialog->hint(), QStringLiteral("请选择文件夹,该文件夹内所有图片将被添加。"));
      QVERIFY(!dialog->findChild<QListWidget *>("File1")->isEnabled());
      auto *box = dialog->findChild<QCheckBox *>("chkSelAll");
      sawBox = !box->isHidden();
      box->setChecked(true);
      dialog->setFolder(folder);
      dialog->findChild<QPushButton *>("cmdOK")->click();
    });
    window.findChild<QPushButton *>("cmdAdds")->click();
    QVERIFY(sawBox);
    QVERIFY(scanned.size() == 1 || scanned.wait(20000));
    QCOMPARE(window.files(), (QStringList{folder + "/one.jpg", folder + "/inner/two.png"}));
  }

  // The chooser starts at the opacity in force: a box holding no number
  // would otherwise start it at 80 and its OK would replace the opacity.
  void watermarkChooserStartsAtOpacityInForce() {
    MainWindow window;
    auto *alpha = window.findChild<QLineEdit *>("txtAlpha");
    alpha->setText(QStringLiteral("35"));
    alpha->setText(QStringLiteral("35.x"));
    QString shown;
    onNextModal([&](QWidget *w) {
      shown = w->findChild<QLineEdit *>("txtSYAlpha")->text();
      static_cast<QDialog *>(w)->reject();
    });
    window.findChild<QAction *>("mSetImg")->trigger();
    QCOMPARE(shown, QStringLiteral("35"));
    QCOMPARE(window.jobSettings().watermarkMatrix[18], 0.35f);
  }

  void windowChoosesAWatermark() {
    const QString folder = dir_.filePath("marks");
    touch(folder + "/logo.png");
    MainWindow window;
    onNextModal([&](QWidget *w) {
      auto *dialog = qobject_cast<ChooserDialog *>(w);
      QVERIFY(dialog);
      QVERIFY(!dialog->findChild<QGroupBox *>("frmSY")->isHidden());
      dialog->setFolder(folder);
      dialog->findChild<QListWidget *>("File1")->setCurrentRow(0);
      dialog->findChild<QLineEdit *>("txtSYAlpha")->setText(QStringLiteral("50"));
      dialog->findChild<QPushButton *>("cmdOK")->click();
    });
    window.findChild<QCheckBox *>("chkInfoImg")->click();
    QVERIFY(window.findChild<QCheckBox *>("chkInfoImg")->isChecked());
    QCOMPARE(window.jobSettings().pictureWatermarkFile, folder + "/logo.png");
    QCOMPARE(window.jobSettings().watermarkMatrix[18], 0.5f);
    QCOMPARE(window.findChild<QLineEdit *>("txtAlpha")->text(), QStringLiteral("50"));

    // Cancelling the chooser when no picture is set leaves the box unticked.
    window.findChild<QCheckBox *>("chkInfoImg")->click();
    QVERIFY(window.jobSettings().pictureWatermarkFile.isEmpty());
    onNextModal([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
    window.findChild<QCheckBox *>("chkInfoImg")->click();
    QVERIFY(!window.findChild<QCheckBox *>("chkInfoImg")->isChecked());
    QCOMPARE(window.findChild<QLabel *>("lSY")->text(), QStringLiteral("图片水印:无"));
  }

  void windowOutputFolderOnlyOnConfirmation() {
    const QString out = dir_.filePath("out");
    QDir().mkpath(out);
    MainWindow window;
    const QString before = window.jobSettings().outputFolder;
    onNextModal([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
    window.findChild<QPushButton *>("cmdODir")->click();
    QCOMPARE(window.jobSettings().outputFolder, before);
    onNextModal([&](QWidget *w) {
      auto *dialog = qobject_cast<ChooserDialog *>(w);
      QVERIFY(dialog);
      dialog->setFolder(out);
      dialog->findChild<QPushButton *>("cmdOK")->click();
    });
    window.findChild<QPushButton *>("cmdODir")->click();
    QCOMPARE(window.jobSettings().outputFolder, out);
    QVERIFY(window.findChild<QLabel *>("lOut")->text().startsWith(QStringLiteral("输出文件夹:")));
  }
};

KUVO_APP_TEST_MAIN(TestChooserDialog)

#include "tst_chooser_dialog.moc"
