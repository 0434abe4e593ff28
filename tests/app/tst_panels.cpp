// The window's panels on their own: what each writes into the job model and
// when it announces the change.
#include "app/adjustments_panel.h"
#include "app/job_model.h"
#include "app/window_menus.h"
#include "app/output_panel.h"
#include "app/overlay_panel.h"
#include "app/size_panel.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QAction>
#include <QMainWindow>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

using namespace kuvo;
using Group = JobModel::Group;

class TestPanels : public QObject {
  Q_OBJECT
private slots:
  void groupSignals_data() {
    QTest::addColumn<int>("group");
    QTest::addColumn<QByteArray>("signal");
    QTest::newRow("size") << int(Group::Size) << QByteArray(SIGNAL(sizeChanged()));
    QTest::newRow("overlays") << int(Group::Overlays) << QByteArray(SIGNAL(overlaysChanged()));
    QTest::newRow("adjustments") << int(Group::Adjustments) << QByteArray(SIGNAL(adjustmentsChanged()));
    QTest::newRow("output") << int(Group::Output) << QByteArray(SIGNAL(outputChanged()));
    QTest::newRow("options") << int(Group::Options) << QByteArray(SIGNAL(optionsChanged()));
    QTest::newRow("captions") << int(Group::Captions) << QByteArray(SIGNAL(captionsChanged()));
  }
  // A change announces its own group once, and only that one.
  void groupSignals() {
    QFETCH(int, group);
    QFETCH(QByteArray, signal);
    JobModel model;
    QSignalSpy own(&model, signal.constData());
    QSignalSpy any(&model, &JobModel::changed);
    QSignalSpy size(&model, &JobModel::sizeChanged);
    model.change(Group(group), [](ProcessingSettings &j) { j.prefix = QStringLiteral("x_"); });
    QCOMPARE(model.settings().prefix, QStringLiteral("x_"));
    QCOMPARE(own.count(), 1);
    QCOMPARE(any.count(), 1);
    QCOMPARE(any.first().first().value<Group>(), Group(group));
    QCOMPARE(size.count(), Group(group) == Group::Size ? 1 : 0);
    model.store([](ProcessingSettings &j) { j.prefix = QStringLiteral("y_"); });
    QCOMPARE(any.count(), 1);
  }

  // Each command entry of the menu bar asks for its own command, once.
  void menuCommands_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QByteArray>("signal");
    const std::pair<const char *, const char *> rows[] = {
        {"mAddFile", SIGNAL(addFilesRequested())},       {"mAddDir", SIGNAL(addFolderRequested())},
        {"mDelFile", SIGNAL(removeRequested())},         {"mClear", SIGNAL(clearRequested())},
        {"mUndoDel", SIGNAL(restoreRequested())},        {"mTODir", SIGNAL(outputFolderRequested())},
        {"mPLD", SIGNAL(brightnessRequested())},         {"mPPro", SIGNAL(matrixRequested())},
        {"mSetTxt", SIGNAL(textWatermarkRequested())},   {"mSetImg", SIGNAL(pictureWatermarkRequested())},
        {"mPCutImg", SIGNAL(cropRequested())},           {"mTRect", SIGNAL(moveRequested())},
        {"mT0", SIGNAL(originResetRequested())},         {"mSPicTxt", SIGNAL(captionRequested())},
        {"mViewSrc", SIGNAL(originalFullScreenRequested())},
        {"mViewDone", SIGNAL(processedFullScreenRequested())},
        {"mViewList", SIGNAL(listBrowseRequested())},    {"mViewSlide", SIGNAL(slideShowRequested())},
        {"mCopySrc", SIGNAL(screenCaptureRequested())},  {"mCap", SIGNAL(webcamRequested())},
        {"mWord", SIGNAL(wordImportRequested())},        {"mFtpSet", SIGNAL(networkSettingsRequested())},
        {"mKTTool", SIGNAL(topStripPinned(bool))},       {"mKRTool", SIGNAL(sideStripPinned(bool))},
        {"mShowOn2", SIGNAL(livePreviewToggled(bool))},  {"mTOption", SIGNAL(optionsRequested(kuvo::frmOption::Face))},
    };
    for (const auto &[entry, signal] : rows)
      QTest::newRow(entry) << QString::fromLatin1(entry) << QByteArray(signal);
  }
  void menuCommands() {
    QFETCH(QString, entry);
    QFETCH(QByteArray, signal);
    QMainWindow window;
    JobModel model;
    WindowMenus menus(&window, &model);
    QSignalSpy asked(&menus, signal.constData());
    QList<QSignalSpy *> others;
    auto *action = window.findChild<QAction *>(entry);
    QVERIFY(action);
    int commands = 0;
    const QMetaObject *meta = menus.metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
      if (meta->method(i).methodType() == QMetaMethod::Signal && meta->method(i).name() != "status")
        others << new QSignalSpy(&menus, ("2" + meta->method(i).methodSignature()).constData());
    action->trigger();
    QCOMPARE(asked.count(), 1);
    for (QSignalSpy *spy : others)
      commands += int(spy->count());
    qDeleteAll(others);
    QCOMPARE(commands, 1);
  }

  // The width is stored as typed but announced only on Enter; the height
  // and the list entries announce at once.
  void sizeBoxes() {
    JobModel model;
    model.setLoading(false);
    SizePanel panel(&model);
    auto *width = panel.findChild<QLineEdit *>(QStringLiteral("txtW"));
    auto *list = panel.findChild<QComboBox *>(QStringLiteral("cmbSize"));
    QVERIFY(width && list);
    QSignalSpy changed(&model, &JobModel::sizeChanged);
    list->setCurrentIndex(list->count() - 1); // custom
    QCOMPARE(model.settings().sizeMode, list->count() - 1);
    QCOMPARE(model.settings().widthText, QStringLiteral("800"));
    QCOMPARE(model.settings().heightText, QStringLiteral("600"));
    QCOMPARE(changed.count(), 1);
    width->setText(QStringLiteral("1024"));
    QCOMPARE(model.settings().widthText, QStringLiteral("1024"));
    QCOMPARE(changed.count(), 1);
    QTest::keyClick(width, Qt::Key_Return);
    QCOMPARE(changed.count(), 2);
    panel.findChild<QLineEdit *>(QStringLiteral("txtH"))->setText(QStringLiteral("700"));
    QCOMPARE(model.settings().heightText, QStringLiteral("700"));
    QCOMPARE(changed.count(), 3);
  }

  // A loaded job puts its own boxes in, not those of the list entry.
  void sizeFromJob() {
    JobModel model;
    SizePanel panel(&model);
    ProcessingSettings job;
    job.sizeMode = SizeFixedWidth;
    job.widthText = QStringLiteral("640");
    panel.applyJob(job);
    QCOMPARE(model.settings().widthText, QStringLiteral("640"));
    QCOMPARE(panel.findChild<QLineEdit *>(QStringLiteral("txtW"))->text(), QStringLiteral("640"));
  }

  // The number boxes of the watermark group: a number that does not fit
  // keeps the value in force and announces nothing.
  void overlayBoxes_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<float>("opacity");
    QTest::addColumn<int>("announced");
    QTest::newRow("font size") << "txtSize" << "14" << 14 << 0.8f << 1;
    QTest::newRow("font size rounded") << "txtSize" << " 11.6 " << 12 << 0.8f << 1;
    QTest::newRow("font size zero") << "txtSize" << "0" << 9 << 0.8f << 0;
    QTest::newRow("opacity") << "txtAlpha" << "35" << 9 << 0.35f << 1;
    QTest::newRow("opacity not a number") << "txtAlpha" << "abc" << 9 << 0.8f << 0;
    QTest::newRow("opacity empty") << "txtAlpha" << "" << 9 << 0.8f << 0;
  }
  void overlayBoxes() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    JobModel model;
    model.setLoading(false);
    OverlayPanel panel(&model);
    QSignalSpy changed(&model, &JobModel::overlaysChanged);
    panel.findChild<QLineEdit *>(box)->setText(typed);
    QTEST(model.settings().fontSize, "fontSize");
    QTEST(model.settings().watermarkMatrix[3 * 5 + 3], "opacity");
    QTEST(int(changed.count()), "announced");
  }

  // The panel shows the model as it stands: ticks, lists and labels.
  void overlayShowsModel() {
    JobModel model;
    OverlayPanel panel(&model);
    model.store([](ProcessingSettings &j) {
      j.text = QStringLiteral("Kuvo");
      j.textWatermarkOn = true;
      j.textAnchor = AnchorTile;
      j.watermarkMatrix[3 * 5 + 3] = 0.6f;
    });
    panel.showJob();
    auto *pos = panel.findChild<QComboBox *>(QStringLiteral("cmbPos"));
    QCOMPARE(pos->currentIndex(), int(AnchorTile));
    QVERIFY(pos->isEnabled());
    QVERIFY(!panel.findChild<QComboBox *>(QStringLiteral("cmbPosImg"))->isEnabled());
    QCOMPARE(panel.findChild<QLineEdit *>(QStringLiteral("txtAlpha"))->text(), QStringLiteral("60"));
    QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("lTxt"))->text(), QStringLiteral("文字水印:Kuvo"));
    QVERIFY(panel.findChild<QWidget *>(QStringLiteral("spnTileAngle"))->isEnabled());
  }

  // The channel boxes and their menu ticks follow each other; a box that is
  // no number keeps the matrix in force.
  void channelBoxes() {
    JobModel model;
    AdjustmentsPanel panel(&model);
    QMenu menu;
    QWidget strip;
    auto *layout = new QVBoxLayout(&strip);
    panel.fillChannelMenu(&menu);
    panel.addChannelRows(&strip, layout);
    auto *green = strip.findChild<QLineEdit *>(QStringLiteral("txtRGB_1"));
    auto *greenTick = menu.findChild<QAction *>(QStringLiteral("mPCR_1"));
    QSignalSpy changed(&model, &JobModel::adjustmentsChanged);
    green->setText(QStringLiteral("0"));
    QCOMPARE(model.settings().imageMatrix[6], 0.0f);
    QVERIFY(!greenTick->isChecked());
    green->setText(QStringLiteral("x"));
    QCOMPARE(model.settings().imageMatrix[6], 0.0f);
    QCOMPARE(changed.count(), 1);
    greenTick->setChecked(true);
    QCOMPARE(green->text(), QStringLiteral("1"));
    QCOMPARE(model.settings().imageMatrix, channelMatrix(1, 1, 1));
    QCOMPARE(changed.count(), 2);

    // A loaded job's factors reach the boxes: the next edit keeps them.
    panel.fillRotationMenu(&menu);
    panel.fillEffectsMenu(&menu);
    panel.buildBrightnessPanel(&strip);
    ProcessingSettings job;
    job.imageMatrix = channelMatrix(0, 0.5f, 1);
    panel.applyJob(job);
    QCOMPARE(green->text(), QStringLiteral("0.5"));
    QVERIFY(!menu.findChild<QAction *>(QStringLiteral("mPCR_0"))->isChecked());
    strip.findChild<QLineEdit *>(QStringLiteral("txtRGB_2"))->setText(QStringLiteral("2"));
    QCOMPARE(model.settings().imageMatrix, channelMatrix(0, 0.5f, 2));
  }

  // "取消" of the matrix panel puts back the matrix it was opened with.
  void matrixCancel() {
    JobModel model;
    AdjustmentsPanel panel(&model);
    QWidget parent;
    QGroupBox *box = panel.buildMatrixPanel(&parent);
    panel.showMatrixPanel();
    auto *cell = box->findChild<QLineEdit *>(QStringLiteral("Text1_0"));
    QCOMPARE(cell->text(), QStringLiteral("1"));
    cell->selectAll();
    QTest::keyClicks(cell, QStringLiteral("0.25"));
    QCOMPARE(model.settings().imageMatrix[0], 0.25f);
    QSignalSpy changed(&model, &JobModel::adjustmentsChanged);
    box->findChild<QPushButton *>(QStringLiteral("cmdJZCancel"))->click();
    QCOMPARE(model.settings().imageMatrix, identityMatrix());
    QCOMPARE(changed.count(), 1);
    QVERIFY(box->isHidden());
  }

  void outputFolderCleaned_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("trailing slash") << "/tmp/out/" << "/tmp/out";
    QTest::newRow("dots") << "/tmp/a/../out/." << "/tmp/out";
    QTest::newRow("root") << "/" << "/";
  }
  void outputFolderCleaned() {
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    JobModel model;
    OutputPanel panel(&model);
    QSignalSpy changed(&model, &JobModel::outputChanged);
    panel.setOutputFolder(typed);
    QCOMPARE(model.settings().outputFolder, stored);
    QCOMPARE(changed.count(), 1);
  }
};

QTEST_MAIN(TestPanels)
#include "tst_panels.moc"
