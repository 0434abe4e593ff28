// The job panel of the main window, the preview and the settings store.
#include "app/choosers.h"
#include "app/file_list_panel.h"
#include "app/job_model.h"
#include "app/main_window.h"
#include "app/tile_controls.h"
#include "app/txt_set_dialog.h"
#include "app/web_links.h"
#include "app/widget_helpers.h"
#include "app/output_panel.h"
#include "app/size_panel.h"
#include "viewer/frm_pic.h"
#include "engine/pipeline.h"
#include "platform/program_paths.h"
#include "platform/settings_store.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDesktopServices>
#include <QUrl>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QStandardItemModel>
#include <QTextBrowser>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>

namespace kuvo {

namespace {
const QString AddBorderText = QStringLiteral("添加本地边框...");
const QString DownloadBorderText = QStringLiteral("网络下载边框...");

} // namespace

void MainWindow::fillBorderList() {
  const QSignalBlocker block(cmbBK_);
  cmbBK_->clear();
  borderPaths_.clear();
  cmbBK_->addItem(NoBorderText);
  borderPaths_ << QString();
  for (const BorderEntry &b : bordersInFolder(programDataDir() + QStringLiteral("/bk"))) {
    cmbBK_->addItem(b.name);
    borderPaths_ << b.path;
  }
  cmbBK_->addItem(AddBorderText);
  cmbBK_->addItem(DownloadBorderText);
  // Without a download address the entry stays visible but cannot be chosen.
  auto *model = qobject_cast<QStandardItemModel *>(cmbBK_->model());
  if (QStandardItem *item = model ? model->item(cmbBK_->count() - 1) : nullptr;
      item && linkAddress(WebLink::Download).isEmpty()) {
    item->setEnabled(false);
    item->setToolTip(LinkNotSetTip);
  }
}

void MainWindow::connectPanel() {
  // Borders take effect on every change (also by the mouse wheel); the two
  // command entries act when chosen, even when chosen twice in a row.
  connect(cmbBK_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i >= 0 && i < cmbBK_->count() - 2)
      borderChosen(i);
  });
  connect(cmbBK_, &QComboBox::activated, this, [this](int i) {
    if (i >= cmbBK_->count() - 2)
      borderChosen(i);
  });
  connect(chkInfoTxt_, &QCheckBox::toggled, this, &MainWindow::textWatermarkToggled);
  connect(chkInfoImg_, &QCheckBox::toggled, this, &MainWindow::pictureWatermarkToggled);
  connect(cmbPos_, &QComboBox::activated, this, [this](int i) { positionChosen(true, i); });
  connect(cmbPosImg_, &QComboBox::activated, this, [this](int i) { positionChosen(false, i); });
  connect(tileControls_, &TileControls::changed, this, [this] {
    tileControls_->apply(job_);
    settingsChanged();
  });
  connect(txtSize_, &QLineEdit::textChanged, this, [this](const QString &t) {
    double v = 0;
    if (toNumber(t, v) && v > 0 && v < 10000) {
      job_.fontSize = static_cast<int>(std::nearbyint(v));
      settingsChanged();
    }
  });
  connect(txtAlpha_, &QLineEdit::textChanged, this, [this](const QString &t) {
    double v = 0;
    if (!t.isEmpty() && toNumber(t, v)) {
      job_.watermarkMatrix[3 * 5 + 3] = static_cast<float>(v / 100.0);
      settingsChanged();
    }
  });
  connect(hscSY_, &QSlider::valueChanged, this, [this](int v) {
    job_.pictureWatermarkScale = watermarkScaleFor(v);
    lScale_->setText(QString::number(job_.pictureWatermarkScale, 'f', 2));
    picImg_->setFocus();
    settingsChanged();
  });
  connect(cmdDone_, &QPushButton::clicked, this, &MainWindow::startRun);
  connect(cmdStop_, &QPushButton::clicked, this, &MainWindow::stopRun);
  for (QLineEdit *box : {txtSize_, txtAlpha_})
    box->installEventFilter(this);
}

// Fit-to-border needs a border: the first one is chosen (with no border
// pictures that entry is the add-border command).
void MainWindow::fitBorderChosen() {
  if (cmbBK_->currentIndex() != 0 || cmbBK_->count() <= 2)
    return;
  if (cmbBK_->count() > 3)
    cmbBK_->setCurrentIndex(1);
  else if (loaded())
    borderChosen(1);
}

void MainWindow::borderChosen(int index) {
  const int count = cmbBK_->count();
  if (index < 0 || index >= count)
    return;
  if (index == count - 2) {
    if (loaded())
      chooseBorderFolder();
    return;
  }
  if (index == count - 1) {
    cmbBK_->setCurrentIndex(0);
    const QString address = linkAddress(WebLink::Download);
    if (!OpenPage(address))
      ShowStatus(openPageFailedText(address));
    return;
  }
  lastBorderIndex_ = index;
  job_.borderFile = index < borderPaths_.size() ? borderPaths_[index] : QString();
  if (index == 0 && size_->mode() == SizeFitBorder)
    size_->switchMode(SizeFixedWidth);
  if (loaded()) {
    ShowStatus(QStringLiteral("【提示】滚动鼠标滚轮可以选择不同的边框。"));
    cmbBK_->setFocus();
  }
  settingsChanged();
}

void MainWindow::chooseBorderFolder() {
  ShowStatus(QStringLiteral("【提示】请选择文件夹,该文件夹内所有图片边框将被添加。"));
  const auto chosen = chooseFolder(this, QStringLiteral("请选择文件夹,该文件夹内所有图片边框将被添加。"),
                                   programDataDir() + QStringLiteral("/bk"), false, QStringLiteral("*.png"));
  if (!chosen) {
    // Cancelled: the list shows the border in force again.
    const QSignalBlocker block(cmbBK_);
    cmbBK_->setCurrentIndex(std::clamp(lastBorderIndex_, 0, cmbBK_->count() - 3));
    return;
  }
  model_->setChooserFolder(chosen->folder);
  addBorderFolder(chosen->folder);
}

void MainWindow::addBorderFolder(const QString &folder) {
  const QVector<BorderEntry> found = bordersInFolder(folder, borderPaths_);
  {
    const QSignalBlocker block(cmbBK_);
    // The two command entries stay last.
    for (const BorderEntry &b : found) {
      cmbBK_->insertItem(cmbBK_->count() - 2, b.name);
      borderPaths_ << b.path;
    }
    cmbBK_->setCurrentIndex(cmbBK_->count() - 3);
  }
  borderChosen(cmbBK_->count() - 3);
}

void MainWindow::updateTextLabel() {
  lTxt_->setText(job_.text.isEmpty() ? QStringLiteral("文字水印:无") : QStringLiteral("文字水印:") + job_.text);
}

void MainWindow::updatePictureLabel() {
  lSY_->setText(job_.pictureWatermarkFile.isEmpty()
                    ? QStringLiteral("图片水印:无")
                    : QStringLiteral("图片水印:") + shortenedPath(QDir::toNativeSeparators(job_.pictureWatermarkFile)));
  lSY_->setToolTip(QDir::toNativeSeparators(job_.pictureWatermarkFile));
}

void MainWindow::textWatermarkToggled(bool on) {
  job_.textWatermarkOn = on;
  if (on) {
    if (job_.text.isEmpty() && loaded())
      openTextDialog();
    if (!chkInfoTxt_->isChecked())
      return; // the dialog was cancelled
    updateTextLabel();
    if (!job_.text.isEmpty()) {
      cmbPos_->setEnabled(true);
      if (cmbPos_->currentIndex() != AnchorFree && loaded())
        cmbPos_->setFocus();
      if (loaded())
        ShowStatus(QStringLiteral("【提示】成功设置文字水印:") + job_.text);
      settingsChanged();
    }
  } else {
    job_.text.clear();
    updateTextLabel();
    cmbPos_->setEnabled(false);
    cmbPos_->setCurrentIndex(AnchorCenter);
    job_.textAnchor = AnchorCenter;
    settingsChanged();
  }
}

void MainWindow::openTextDialog() {
  ShowStatus(QStringLiteral("【提示】设置文字水印。"));
  TextStyle style;
  style.text = job_.text;
  style.fontName = job_.fontName;
  style.fontSize = job_.fontSize;
  style.color = job_.textColor;
  style.bold = job_.bold;
  style.underline = job_.underline;
  style.italic = job_.italic;
  TxtSetDialog dialog(style, this);
  dialog.exec();
  if (dialog.outcome() == TxtSetDialog::Confirmed) {
    const TextStyle chosen = dialog.style();
    job_.text = chosen.text;
    job_.fontName = chosen.fontName;
    job_.fontSize = chosen.fontSize;
    job_.textColor = chosen.color;
    job_.bold = chosen.bold;
    job_.underline = chosen.underline;
    job_.italic = chosen.italic;
    {
      const QSignalBlocker block(txtSize_);
      txtSize_->setText(QString::number(job_.fontSize));
    }
    if (!chkInfoTxt_->isChecked())
      chkInfoTxt_->setChecked(true);
    else
      textWatermarkToggled(true);
  } else if (dialog.outcome() == TxtSetDialog::CancelledByButton) {
    // "取消" unticks the box and keeps the text as it was.
    const QString before = style.text;
    chkInfoTxt_->setChecked(false);
    job_.text = before;
    job_.textWatermarkOn = false;
  } else {
    settingsChanged();
  }
}

bool MainWindow::choosePictureWatermark() {
  ShowStatus(QStringLiteral("【提示】请选择要添加的水印图片。"));
  const int alpha = txtAlpha_->text().toInt();
  const auto chosen = chooseWatermark(this, QStringLiteral("请选择要添加的水印图片。"),
                                      programDataDir() + QStringLiteral("/sy"), alpha);
  if (!chosen)
    return !job_.pictureWatermarkFile.isEmpty();
  model_->setChooserFolder(QDir::fromNativeSeparators(readSetting(QStringLiteral("sODIR"), model_->chooserFolder())));
  txtAlpha_->setText(chosen->alphaText);
  if (!chosen->file.isEmpty())
    job_.pictureWatermarkFile = chosen->file;
  updatePictureLabel();
  if (chkInfoImg_->isChecked())
    pictureWatermarkToggled(true);
  return !job_.pictureWatermarkFile.isEmpty();
}

void MainWindow::pictureWatermarkToggled(bool on) {
  job_.pictureWatermarkOn = on;
  if (on) {
    if (job_.pictureWatermarkFile.isEmpty() && loaded())
      choosePictureWatermark();
    if (job_.pictureWatermarkFile.isEmpty()) {
      const QSignalBlocker block(chkInfoImg_);
      chkInfoImg_->setChecked(false);
      job_.pictureWatermarkOn = false;
      updatePictureLabel();
      return;
    }
    cmbPosImg_->setEnabled(true);
    if (cmbPosImg_->currentIndex() != AnchorFree && loaded())
      cmbPosImg_->setFocus();
    updatePictureLabel();
    if (loaded())
      ShowStatus(QStringLiteral("【提示】已设置图片水印:") + QDir::toNativeSeparators(job_.pictureWatermarkFile) +
                 QStringLiteral("。"));
    settingsChanged();
  } else {
    job_.pictureWatermarkFile.clear();
    cmbPosImg_->setEnabled(false);
    cmbPosImg_->setCurrentIndex(AnchorTopRight);
    job_.pictureWatermarkAnchor = AnchorTopRight;
    updatePictureLabel();
    settingsChanged();
  }
}

void MainWindow::positionChosen(bool text, int index) {
  if (text)
    job_.textAnchor = index;
  else
    job_.pictureWatermarkAnchor = index;
  if (mXYPos_)
    mXYPos_->setEnabled(false);
  if (index == AnchorFree) {
    ShowStatus(text ? QStringLiteral("【提示】按住鼠标左键拖动红色圆块即可调整位置,方向键微调。")
                    : QStringLiteral("【提示】按住鼠标左键拖动蓝色条块即可调整位置,方向键微调。"));
    target_ = text ? PlacementTarget::Text : PlacementTarget::Picture;
    if (moveMode_)
      leaveMoveMode();
    const double x = text ? job_.textX : job_.pictureWatermarkX;
    const double y = text ? job_.textY : job_.pictureWatermarkY;
    if (!(x == 0 && y == 0) && !shownRect_.isEmpty())
      blinkMarker(text ? lblPos_ : lblPosImg_, true);
    picImg_->setFocus();
  } else if (index == AnchorTile) {
    ShowStatus(TileHint);
    if (moveMode_)
      leaveMoveMode();
  }
  settingsChanged();
}

void MainWindow::rotationChosen(int index) {
  job_.rotateMode = index;
  if (mPRT_[index] && !mPRT_[index]->isChecked())
    mPRT_[index]->setChecked(true);
  settingsChanged();
}

void MainWindow::effectChosen(int index) {
  job_.effect = index;
  if (index == NoEffect)
    mTXUndo_->setChecked(true);
  else
    mTX_[index]->setChecked(true);
  settingsChanged();
}

void MainWindow::channelToggled(int channel, bool on) {
  if (updatingChannels_)
    return;
  txtRGB_[channel]->setText(on ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainWindow::channelBoxesChanged() {
  double f[3] = {1, 1, 1};
  for (int i = 0; i < 3; ++i)
    if (!toNumber(txtRGB_[i]->text(), f[i]))
      return; // the matrix in force stays
  job_.imageMatrix = channelMatrix(float(f[0]), float(f[1]), float(f[2]));
  updatingChannels_ = true;
  for (int i = 0; i < 3; ++i)
    mPCR_[i]->setChecked(f[i] != 0);
  updatingChannels_ = false;
  settingsChanged();
}

void MainWindow::showMatrixPanel() {
  savedMatrix_ = job_.imageMatrix;
  for (int i = 0; i < 25; ++i)
    Text1_[i]->setText(QString::number(double(job_.imageMatrix[i])));
  frmeJZ_->show();
}

void MainWindow::matrixBoxChanged(int cell) {
  double v = 0;
  if (!toNumber(Text1_[cell]->text(), v))
    return;
  job_.imageMatrix[cell] = static_cast<float>(v);
  settingsChanged();
}

void MainWindow::settingsChanged() {
  tileControls_->setTileEnabled(textTiled() || pictureTiled());
  tileControls_->setTextEnabled(chkInfoTxt_->isChecked());
  if (run_)
    run_->updateSettings(jobSettings());
  ReDrawPic();
}

void MainWindow::setLivePreview(bool on) {
  previewOff_ = !on;
  mShowOn_->setChecked(on);
  mShowOn2_->setChecked(on);
  if (on)
    ReDrawPic();
}

// Preview: one computation at a time; a request made while one runs
// replaces any request still waiting, so only the newest is shown.
void MainWindow::ReDrawPic() {
  if (!loaded() || previewOff_)
    return;
  if (list_->currentRow() < 0) {
    previewImage_ = QImage();
    placement_ = OverlayPlacement();
    imgM_->clear();
    imgM_->setText(IdlePreviewText);
    imgM_->show();
    layoutPreview();
    return;
  }
  // Something to preview: the news page gives way.
  if (web_)
    web_->hide();
  if (previewWatcher_.isRunning()) {
    previewPending_ = true;
    return;
  }
  startPreview();
}

void MainWindow::startPreview() {
  previewPending_ = false;
  const int row = list_->currentRow();
  if (row < 0)
    return;
  ProcessingSettings s = jobSettings();
  DecodedSourceCache *sources = &previewSources_;
  previewWatcher_.setFuture(
      QtConcurrent::run([s = std::move(s), row, sources] { return funImgDone(s, row, sources); }));
}

void MainWindow::previewDone() {
  if (previewPending_) {
    startPreview();
    return;
  }
  const PipelineResult result = previewWatcher_.result();
  const int row = list_->currentRow();
  if (row < 0)
    return; // the list was emptied meanwhile
  if (result.canvas.isNull()) {
    // Nothing to show: no stale picture of another entry, and the reason.
    previewImage_ = QImage();
    placement_ = OverlayPlacement();
    imgM_->clear();
    imgM_->hide();
    layoutPreview();
    ShowStatus(previewFailureText(list_->path(row), result.errorText));
    emit previewShown();
    return;
  }
  imgM_->show();
  previewImage_ = result.canvas;
  placement_ = result.placement;
  // Anchored watermarks store where they landed, so switching to a free
  // position keeps them in place.
  storePlacement(job_, result.placement);
  if (!result.placement.statusText.isEmpty())
    ShowStatus(result.placement.statusText);
  showPreviewPixmap();
  emit previewShown();
}

bool MainWindow::previewBusy() const {
  return previewWatcher_.isRunning() || previewPending_;
}

void MainWindow::showPreviewPixmap() {
  layoutPreview();
}

// First clicks, keys of the list and drops on the list and the preview.
bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
  const QEvent::Type type = event->type();
  if (watched == picImg_ && previewEvent(event))
    return true;
  if (watched == txtPicTxt_) {
    if (type == QEvent::FocusIn)
      ShowStatus(QStringLiteral("【提示】请输入对该图片的说明，该说明将在PDF文档或被整合到网页中。"));
    const int key = type == QEvent::KeyPress ? static_cast<QKeyEvent *>(event)->key() : 0;
    if (key == Qt::Key_Escape) {
      txtPicTxt_->hide();
      picImg_->setFocus();
      return true;
    }
    // Enter stores the caption and stops here: passed on, it would reach the
    // preview, where Enter opens the viewer.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      storeCaption();
      return true;
    }
  }
  if (type == QEvent::MouseButtonPress && watched->property("kuvoFirstHint").isValid() &&
      !firstClickDone_.contains(watched)) {
    firstClickDone_.insert(watched);
    ShowStatus(watched->property("kuvoFirstHint").toString());
  }
  if (type == QEvent::MouseButtonPress) {
    struct Hint {
      QObject *box;
      const char *text;
      bool selects;
    };
    const Hint hints[] = {
        {txtSize_, "【提示】请输入水印文字的大小。", true},
        {txtAlpha_, "【提示】请输入水印图片的透明度(0-100，数字越大越不透明)。", false},
    };
    for (const Hint &h : hints) {
      if (watched != h.box || firstClickDone_.contains(watched))
        continue;
      firstClickDone_.insert(watched);
      ShowStatus(QString::fromUtf8(h.text));
      if (h.selects)
        QTimer::singleShot(0, static_cast<QLineEdit *>(watched), &QLineEdit::selectAll);
    }
    for (QLineEdit *box : txtRGB_)
      if (watched == box)
        ShowStatus(QStringLiteral("【提示】请输入数字。数字越大该颜色越重(建议0-10之间，可以是小数)。"));
  } else if (watched == picImg_ &&
             (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
    auto *drag = static_cast<QDropEvent *>(event);
    if (!drag->mimeData()->hasImage() && !drag->mimeData()->hasUrls())
      return false;
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (type == QEvent::Drop)
      dropData(drag->mimeData(), true);
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

} // namespace kuvo
