#include "app/overlay_panel.h"

#include "app/choosers.h"
#include "app/job_model.h"
#include "app/tile_controls.h"
#include "app/txt_set_dialog.h"
#include "app/web_links.h"
#include "app/widget_helpers.h"
#include "app/window_rules.h"
#include "platform/program_paths.h"
#include "platform/settings_store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QStandardItemModel>
#include <QTimer>
#include <cmath>

namespace kuvo {

namespace {
const QString AddBorderText = QStringLiteral("添加本地边框...");
const QString DownloadBorderText = QStringLiteral("网络下载边框...");

const QStringList &anchorNames() {
  static const QStringList names{QStringLiteral("右下"), QStringLiteral("左下"), QStringLiteral("左上"),
                                 QStringLiteral("右上"), QStringLiteral("居中"), QStringLiteral("自定义"),
                                 QStringLiteral("平铺")};
  return names;
}

// Sets a tick; its handler runs even when the tick stands already.
template <typename F> void setTick(QCheckBox *box, bool on, F handler) {
  if (box->isChecked() == on)
    handler(on);
  else
    box->setChecked(on);
}

void showText(QLineEdit *box, const QString &text) {
  const QSignalBlocker block(box);
  box->setText(text);
}

// The slider position whose scale comes nearest to scale.
int sliderFor(const QSlider *slider, double scale) {
  int best = 0;
  for (int v = slider->minimum(); v <= slider->maximum(); ++v)
    if (std::abs(watermarkScaleFor(v) - scale) < std::abs(watermarkScaleFor(best) - scale))
      best = v;
  return best;
}
} // namespace

using Group = JobModel::Group;

OverlayPanel::OverlayPanel(JobModel *model, QWidget *parent) : QGroupBox(parent), model_(model) {
  boldGroup(this, QStringLiteral("3.添加边框和水印"), "frmOverlay");
  cmbBK_ = named(new QComboBox(this), "cmbBK");
  cmbBK_->setMaxVisibleItems(20);
  chkInfoTxt_ = named(new QCheckBox(QStringLiteral("文字水印"), this), "chkInfoTxt");
  chkInfoTxt_->setToolTip(QStringLiteral("添加文字水印"));
  cmbPos_ = named(new QComboBox(this), "cmbPos");
  cmbPos_->setToolTip(QStringLiteral("指定文字水印位置"));
  cmbPos_->addItems(anchorNames());
  cmbPos_->setEnabled(false);
  txtSize_ = named(new QLineEdit(QStringLiteral("9"), this), "txtSize");
  txtSize_->setToolTip(QStringLiteral("文字大小"));
  txtSize_->setMaximumWidth(44);
  lTxt_ = named(new QLabel(QStringLiteral("文字水印:无"), this), "lTxt");
  lTxt_->setTextFormat(Qt::PlainText);
  chkInfoImg_ = named(new QCheckBox(QStringLiteral("图片水印"), this), "chkInfoImg");
  chkInfoImg_->setToolTip(QStringLiteral("添加图片水印"));
  cmbPosImg_ = named(new QComboBox(this), "cmbPosImg");
  cmbPosImg_->setToolTip(QStringLiteral("指定图片水印位置"));
  cmbPosImg_->addItems(anchorNames());
  cmbPosImg_->setEnabled(false);
  txtAlpha_ = named(new QLineEdit(QStringLiteral("80"), this), "txtAlpha");
  txtAlpha_->setToolTip(QStringLiteral("水印透明度(0-完全透明,100-不透明)"));
  txtAlpha_->setMaximumWidth(44);
  hscSY_ = named(new QSlider(Qt::Horizontal, this), "hscSY");
  hscSY_->setRange(-20, 20);
  hscSY_->setValue(0);
  lScale_ = named(new QLabel(QStringLiteral("1.00"), this), "lScale");
  lSY_ = named(new QLabel(QStringLiteral("图片水印:无"), this), "lSY");
  lSY_->setTextFormat(Qt::PlainText);

  auto *grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("边框:"), this), 0, 0);
  grid->addWidget(cmbBK_, 0, 1, 1, 5);
  grid->addWidget(chkInfoTxt_, 1, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("位置:"), this), 1, 2);
  grid->addWidget(cmbPos_, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("字号:"), this), 1, 4);
  grid->addWidget(txtSize_, 1, 5);
  grid->addWidget(lTxt_, 2, 0, 1, 6);
  grid->addWidget(chkInfoImg_, 3, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("位置:"), this), 3, 2);
  grid->addWidget(cmbPosImg_, 3, 3);
  grid->addWidget(new QLabel(QStringLiteral("透明度:"), this), 3, 4);
  grid->addWidget(txtAlpha_, 3, 5);
  grid->addWidget(new QLabel(QStringLiteral("缩放:"), this), 4, 0);
  grid->addWidget(hscSY_, 4, 1, 1, 4);
  grid->addWidget(lScale_, 4, 5);
  grid->addWidget(lSY_, 5, 0, 1, 6);
  tileControls_ = new TileControls(this);
  grid->addWidget(tileControls_, 6, 0, 1, 6);
  grid->setColumnStretch(3, 1);
  plainFontForChildren(this);
  fillBorderList();

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
  connect(chkInfoTxt_, &QCheckBox::toggled, this, &OverlayPanel::textWatermarkToggled);
  connect(chkInfoImg_, &QCheckBox::toggled, this, &OverlayPanel::pictureWatermarkToggled);
  connect(cmbPos_, &QComboBox::activated, this, [this](int i) { listChosen(true, i); });
  connect(cmbPosImg_, &QComboBox::activated, this, [this](int i) { listChosen(false, i); });
  connect(tileControls_, &TileControls::changed, this, [this] {
    tileControls_->apply(job());
    announce();
  });
  connect(txtSize_, &QLineEdit::textChanged, this, [this](const QString &t) {
    double v = 0;
    if (toNumber(t, v) && v > 0 && v < 10000) {
      job().fontSize = static_cast<int>(std::nearbyint(v));
      announce();
    }
  });
  connect(txtAlpha_, &QLineEdit::textChanged, this, [this](const QString &t) {
    double v = 0;
    if (!t.isEmpty() && toNumber(t, v)) {
      job().watermarkMatrix[3 * 5 + 3] = static_cast<float>(v / 100.0);
      announce();
    }
  });
  connect(hscSY_, &QSlider::valueChanged, this, [this](int v) {
    job().pictureWatermarkScale = watermarkScaleFor(v);
    lScale_->setText(QString::number(job().pictureWatermarkScale, 'f', 2));
    emit previewFocusWanted();
    announce();
  });
  // Whether the tile boxes count follows every change of the job.
  connect(model_, &JobModel::changed, this, &OverlayPanel::updateTileControls);
  for (QLineEdit *box : {txtSize_, txtAlpha_})
    box->installEventFilter(this);
}

ProcessingSettings &OverlayPanel::job() {
  return model_->fields();
}

bool OverlayPanel::loaded() const {
  return !model_->isLoading();
}

void OverlayPanel::announce() {
  model_->announce(Group::Overlays);
}

void OverlayPanel::updateTileControls() {
  const ProcessingSettings &j = model_->settings();
  tileControls_->setTileEnabled(textWatermarkTiled(j) || pictureWatermarkTiled(j));
  tileControls_->setTextEnabled(j.textWatermarkOn);
}

// --- Borders -------------------------------------------------------------

void OverlayPanel::fillBorderList() {
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
  auto *items = qobject_cast<QStandardItemModel *>(cmbBK_->model());
  if (QStandardItem *item = items ? items->item(cmbBK_->count() - 1) : nullptr;
      item && linkAddress(WebLink::Download).isEmpty()) {
    item->setEnabled(false);
    item->setToolTip(LinkNotSetTip);
  }
}

int OverlayPanel::borderIndexOf(const QString &path) const {
  return path.isEmpty() ? 0 : int(borderPaths_.indexOf(path));
}

QString OverlayPanel::borderPathAt(int index) const {
  return index > 0 && index < borderPaths_.size() ? borderPaths_[index] : QString();
}

QString OverlayPanel::borderName() const {
  const int i = cmbBK_->currentIndex();
  return i > 0 && i < cmbBK_->count() - 2 ? cmbBK_->currentText() : NoBorderText;
}

// With no border pictures entry 1 is the add-border command.
void OverlayPanel::fitBorderChosen() {
  if (cmbBK_->currentIndex() != 0 || cmbBK_->count() <= 2)
    return;
  if (cmbBK_->count() > 3)
    cmbBK_->setCurrentIndex(1);
  else if (loaded())
    borderChosen(1);
}

void OverlayPanel::borderChosen(int index) {
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
      emit status(openPageFailedText(address));
    return;
  }
  lastBorderIndex_ = index;
  job().borderFile = index < borderPaths_.size() ? borderPaths_[index] : QString();
  if (index == 0 && model_->settings().sizeMode == SizeFitBorder)
    emit borderCleared();
  if (loaded()) {
    emit status(QStringLiteral("【提示】滚动鼠标滚轮可以选择不同的边框。"));
    cmbBK_->setFocus();
  }
  announce();
}

void OverlayPanel::chooseBorderFolder() {
  emit status(QStringLiteral("【提示】请选择文件夹,该文件夹内所有图片边框将被添加。"));
  const auto chosen = chooseFolder(window(), QStringLiteral("请选择文件夹,该文件夹内所有图片边框将被添加。"),
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

void OverlayPanel::addBorderFolder(const QString &folder) {
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

// --- Watermarks ----------------------------------------------------------

void OverlayPanel::updateTextLabel() {
  lTxt_->setText(job().text.isEmpty() ? QStringLiteral("文字水印:无") : QStringLiteral("文字水印:") + job().text);
}

void OverlayPanel::updatePictureLabel() {
  const QString &file = job().pictureWatermarkFile;
  lSY_->setText(file.isEmpty() ? QStringLiteral("图片水印:无")
                               : QStringLiteral("图片水印:") + shortenedPath(QDir::toNativeSeparators(file)));
  lSY_->setToolTip(QDir::toNativeSeparators(file));
}

void OverlayPanel::textWatermarkToggled(bool on) {
  job().textWatermarkOn = on;
  if (on) {
    if (job().text.isEmpty() && loaded())
      openTextDialog();
    if (!chkInfoTxt_->isChecked())
      return; // the dialog was cancelled
    updateTextLabel();
    if (!job().text.isEmpty()) {
      cmbPos_->setEnabled(true);
      if (cmbPos_->currentIndex() != AnchorFree && loaded())
        cmbPos_->setFocus();
      if (loaded())
        emit status(QStringLiteral("【提示】成功设置文字水印:") + job().text);
      announce();
    }
  } else {
    job().text.clear();
    updateTextLabel();
    cmbPos_->setEnabled(false);
    cmbPos_->setCurrentIndex(AnchorCenter);
    job().textAnchor = AnchorCenter;
    announce();
  }
}

void OverlayPanel::openTextDialog() {
  emit status(QStringLiteral("【提示】设置文字水印。"));
  TextStyle style;
  style.text = job().text;
  style.fontName = job().fontName;
  style.fontSize = job().fontSize;
  style.color = job().textColor;
  style.bold = job().bold;
  style.underline = job().underline;
  style.italic = job().italic;
  TxtSetDialog dialog(style, window());
  dialog.exec();
  if (dialog.outcome() == TxtSetDialog::Confirmed) {
    const TextStyle chosen = dialog.style();
    model_->store([&chosen](ProcessingSettings &j) {
      j.text = chosen.text;
      j.fontName = chosen.fontName;
      j.fontSize = chosen.fontSize;
      j.textColor = chosen.color;
      j.bold = chosen.bold;
      j.underline = chosen.underline;
      j.italic = chosen.italic;
    });
    showText(txtSize_, QString::number(job().fontSize));
    if (!chkInfoTxt_->isChecked())
      chkInfoTxt_->setChecked(true);
    else
      textWatermarkToggled(true);
  } else if (dialog.outcome() == TxtSetDialog::CancelledByButton) {
    // "取消" unticks the box and keeps the text as it was.
    const QString before = style.text;
    chkInfoTxt_->setChecked(false);
    model_->store([&before](ProcessingSettings &j) {
      j.text = before;
      j.textWatermarkOn = false;
    });
  } else {
    announce();
  }
}

bool OverlayPanel::choosePictureWatermark() {
  emit status(QStringLiteral("【提示】请选择要添加的水印图片。"));
  // The chooser starts at the opacity in force, whatever the box holds.
  const int alpha = int(std::lround(job().watermarkMatrix[3 * 5 + 3] * 100));
  const auto chosen = chooseWatermark(window(), QStringLiteral("请选择要添加的水印图片。"),
                                      programDataDir() + QStringLiteral("/sy"), alpha);
  if (!chosen)
    return !job().pictureWatermarkFile.isEmpty();
  model_->setChooserFolder(QDir::fromNativeSeparators(readSetting(QStringLiteral("sODIR"), model_->chooserFolder())));
  txtAlpha_->setText(chosen->alphaText);
  if (!chosen->file.isEmpty())
    job().pictureWatermarkFile = chosen->file;
  updatePictureLabel();
  if (chkInfoImg_->isChecked())
    pictureWatermarkToggled(true);
  return !job().pictureWatermarkFile.isEmpty();
}

void OverlayPanel::choosePictureAndTick() {
  if (choosePictureWatermark())
    chkInfoImg_->setChecked(true);
}

void OverlayPanel::pictureWatermarkToggled(bool on) {
  job().pictureWatermarkOn = on;
  if (on) {
    if (job().pictureWatermarkFile.isEmpty() && loaded())
      choosePictureWatermark();
    if (job().pictureWatermarkFile.isEmpty()) {
      const QSignalBlocker block(chkInfoImg_);
      chkInfoImg_->setChecked(false);
      job().pictureWatermarkOn = false;
      updatePictureLabel();
      return;
    }
    cmbPosImg_->setEnabled(true);
    if (cmbPosImg_->currentIndex() != AnchorFree && loaded())
      cmbPosImg_->setFocus();
    updatePictureLabel();
    if (loaded())
      emit status(QStringLiteral("【提示】已设置图片水印:") + QDir::toNativeSeparators(job().pictureWatermarkFile) +
                  QStringLiteral("。"));
    announce();
  } else {
    job().pictureWatermarkFile.clear();
    cmbPosImg_->setEnabled(false);
    cmbPosImg_->setCurrentIndex(AnchorTopRight);
    job().pictureWatermarkAnchor = AnchorTopRight;
    updatePictureLabel();
    announce();
  }
}

void OverlayPanel::listChosen(bool text, int index) {
  model_->store([text, index](ProcessingSettings &j) { (text ? j.textAnchor : j.pictureWatermarkAnchor) = index; });
  if (index == AnchorFree)
    emit status(text ? QStringLiteral("【提示】按住鼠标左键拖动红色圆块即可调整位置,方向键微调。")
                     : QStringLiteral("【提示】按住鼠标左键拖动蓝色条块即可调整位置,方向键微调。"));
  else if (index == AnchorTile)
    emit status(TileHint);
  emit positionChosen(text, index);
  announce();
}

// --- Whole jobs ----------------------------------------------------------

void OverlayPanel::applyJob(const ProcessingSettings &n) {
  // The border: an entry of the list, or the file added to it.
  int border = borderIndexOf(n.borderFile);
  if (border < 0) {
    const QSignalBlocker block(cmbBK_);
    cmbBK_->insertItem(cmbBK_->count() - 2, QFileInfo(n.borderFile).completeBaseName());
    borderPaths_ << n.borderFile;
    border = cmbBK_->count() - 3;
  }
  if (cmbBK_->currentIndex() == border)
    borderChosen(border);
  else
    cmbBK_->setCurrentIndex(border);

  model_->store([&n](ProcessingSettings &j) {
    j.text = n.text;
    j.fontName = n.fontName;
    j.fontSize = n.fontSize;
    j.textColor = n.textColor;
    j.bold = n.bold;
    j.underline = n.underline;
    j.italic = n.italic;
  });
  showText(txtSize_, QString::number(n.fontSize));
  setTick(chkInfoTxt_, n.textWatermarkOn && !n.text.isEmpty(), [this](bool on) { textWatermarkToggled(on); });
  if (n.textAnchor >= 0 && n.textAnchor <= AnchorLast && chkInfoTxt_->isChecked()) {
    cmbPos_->setCurrentIndex(n.textAnchor);
    job().textAnchor = n.textAnchor;
  }
  job().textX = n.textX;
  job().textY = n.textY;

  job().pictureWatermarkFile = n.pictureWatermarkFile;
  setTick(chkInfoImg_, n.pictureWatermarkOn && !n.pictureWatermarkFile.isEmpty(),
          [this](bool on) { pictureWatermarkToggled(on); });
  if (n.pictureWatermarkAnchor >= 0 && n.pictureWatermarkAnchor <= AnchorLast && chkInfoImg_->isChecked()) {
    cmbPosImg_->setCurrentIndex(n.pictureWatermarkAnchor);
    job().pictureWatermarkAnchor = n.pictureWatermarkAnchor;
  }
  job().pictureWatermarkX = n.pictureWatermarkX;
  job().pictureWatermarkY = n.pictureWatermarkY;
  job().tileAngle = n.tileAngle;
  job().tileSpacing = n.tileSpacing;
  job().textOpacity = n.textOpacity;
  tileControls_->showValues(job());
  hscSY_->setValue(sliderFor(hscSY_, n.pictureWatermarkScale));
  job().pictureWatermarkScale = n.pictureWatermarkScale;
  txtAlpha_->setText(QString::number(std::lround(n.watermarkMatrix[3 * 5 + 3] * 100)));
  job().watermarkMatrix = n.watermarkMatrix;
  updateTextLabel();
  updatePictureLabel();
  updateTileControls();
}

void OverlayPanel::showJob() {
  const ProcessingSettings &j = model_->settings();
  if (const int border = borderIndexOf(j.borderFile); border >= 0 && border != cmbBK_->currentIndex()) {
    const QSignalBlocker block(cmbBK_);
    cmbBK_->setCurrentIndex(border);
    lastBorderIndex_ = border;
  }
  {
    const QSignalBlocker t(chkInfoTxt_), i(chkInfoImg_);
    chkInfoTxt_->setChecked(j.textWatermarkOn);
    chkInfoImg_->setChecked(j.pictureWatermarkOn);
  }
  cmbPos_->setEnabled(j.textWatermarkOn && !j.text.isEmpty());
  cmbPosImg_->setEnabled(j.pictureWatermarkOn && !j.pictureWatermarkFile.isEmpty());
  if (j.textAnchor >= 0 && j.textAnchor <= AnchorLast)
    cmbPos_->setCurrentIndex(j.textAnchor);
  if (j.pictureWatermarkAnchor >= 0 && j.pictureWatermarkAnchor <= AnchorLast)
    cmbPosImg_->setCurrentIndex(j.pictureWatermarkAnchor);
  showText(txtSize_, QString::number(j.fontSize));
  // The opacity box keeps what was typed while it means the value in force.
  const long alpha = std::lround(j.watermarkMatrix[3 * 5 + 3] * 100);
  if (double shown = -1; !toNumber(txtAlpha_->text(), shown) || std::lround(shown) != alpha)
    showText(txtAlpha_, QString::number(alpha));
  {
    const QSignalBlocker block(hscSY_);
    hscSY_->setValue(sliderFor(hscSY_, j.pictureWatermarkScale));
    lScale_->setText(QString::number(j.pictureWatermarkScale, 'f', 2));
  }
  tileControls_->showValues(j);
  updateTextLabel();
  updatePictureLabel();
  updateTileControls();
}

// The first click into a box tells what it holds.
bool OverlayPanel::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonPress && !firstClickDone_.contains(watched)) {
    firstClickDone_.insert(watched);
    if (watched == txtSize_) {
      emit status(QStringLiteral("【提示】请输入水印文字的大小。"));
      QTimer::singleShot(0, txtSize_, &QLineEdit::selectAll);
    } else if (watched == txtAlpha_) {
      emit status(QStringLiteral("【提示】请输入水印图片的透明度(0-100，数字越大越不透明)。"));
    }
  }
  return QGroupBox::eventFilter(watched, event);
}

} // namespace kuvo
