#include "app/size_panel.h"

#include "app/job_model.h"
#include "app/widget_helpers.h"
#include "platform/program_paths.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace kuvo {

using Group = JobModel::Group;

SizePanel::SizePanel(JobModel *model, QWidget *parent) : QGroupBox(parent), model_(model) {
  boldGroup(this, QStringLiteral("2.指定尺寸"), "frmSize");
  cmbSize_ = named(new QComboBox(this), "cmbSize");
  cmbSize_->setMaxVisibleItems(20);
  txtW_ = named(new QLineEdit(QStringLiteral("800"), this), "txtW");
  txtH_ = named(new QLineEdit(QStringLiteral("0"), this), "txtH");
  auto *grid = new QGridLayout(this);
  auto *lw = new QLabel(QStringLiteral("宽度:"), this);
  auto *lh = new QLabel(QStringLiteral("高度:"), this);
  grid->addWidget(cmbSize_, 0, 0, 1, 4);
  grid->addWidget(lw, 1, 0);
  grid->addWidget(txtW_, 1, 1);
  grid->addWidget(lh, 1, 2);
  grid->addWidget(txtH_, 1, 3);
  plainFontForChildren(this);

  cmbSize_->addItems({QStringLiteral("限制宽度"), QStringLiteral("适应边框"), QStringLiteral("原始尺寸")});
  presets_ = loadSizePresets(programDataDir() + QStringLiteral("/size.ini"));
  for (const SizePreset &p : presets_)
    cmbSize_->addItem(p.name);
  cmbSize_->addItem(QStringLiteral("自定义尺寸..."));
  model_->store([n = int(presets_.size())](ProcessingSettings &j) { j.presetCount = n; });

  connect(cmbSize_, &QComboBox::currentIndexChanged, this, &SizePanel::sizeChosen);
  // The width counts once confirmed with Enter; the height at every change.
  connect(txtW_, &QLineEdit::textChanged, this,
          [this](const QString &t) { model_->store([&t](ProcessingSettings &j) { j.widthText = t; }); });
  connect(txtW_, &QLineEdit::returnPressed, this, [this] { model_->announce(Group::Size); });
  connect(txtH_, &QLineEdit::textChanged, this,
          [this](const QString &t) { model_->change(Group::Size, [&t](ProcessingSettings &j) { j.heightText = t; }); });
  for (QLineEdit *box : {txtW_, txtH_})
    box->installEventFilter(this);
}

int SizePanel::mode() const {
  return cmbSize_->currentIndex();
}

int SizePanel::modeCount() const {
  return cmbSize_->count();
}

QString SizePanel::modeName() const {
  return cmbSize_->currentText();
}

void SizePanel::chooseMode(int index) {
  if (cmbSize_->currentIndex() == index)
    sizeChosen(index);
  else
    cmbSize_->setCurrentIndex(index);
}

void SizePanel::switchMode(int index) {
  cmbSize_->setCurrentIndex(index);
}

void SizePanel::focusWidth() {
  txtW_->setFocus();
  txtW_->selectAll();
}

// Each entry sets the width and height boxes.
void SizePanel::sizeChosen(int index) {
  model_->store([index](ProcessingSettings &j) { j.sizeMode = index; });
  const bool interactive = !model_->isLoading();
  const int custom = cmbSize_->count() - 1;
  const QSignalBlocker blockH(txtH_);
  if (index == SizeFixedWidth) {
    txtW_->setText(QStringLiteral("800"));
    txtH_->setText(QStringLiteral("0"));
    txtW_->setEnabled(true);
    txtH_->setEnabled(false);
    emit status(QStringLiteral("【提示】输入图片宽度,高度将按原图片比例自动换算。"));
    if (interactive)
      txtW_->setFocus();
  } else if (index == SizeFitBorder || index == SizeOriginal) {
    txtW_->setText(QStringLiteral("0"));
    txtH_->setText(QStringLiteral("0"));
    txtW_->setEnabled(false);
    txtH_->setEnabled(false);
    if (index == SizeFitBorder)
      emit fitBorderChosen();
  } else if (index == custom) {
    txtW_->setText(QStringLiteral("800"));
    txtH_->setText(QStringLiteral("600"));
    txtW_->setEnabled(true);
    txtH_->setEnabled(true);
    emit status(QStringLiteral("【提示】请输入图片宽度和高度。"));
  } else if (index >= SizeFirstPreset && index - SizeFirstPreset < presets_.size()) {
    const SizePreset &p = presets_[index - SizeFirstPreset];
    txtW_->setText(p.width);
    txtH_->setText(p.height);
    txtW_->setEnabled(false);
    txtH_->setEnabled(false);
  }
  model_->change(Group::Size, [this](ProcessingSettings &j) {
    j.widthText = txtW_->text();
    j.heightText = txtH_->text();
  });
}

void SizePanel::applyJob(const ProcessingSettings &n) {
  if (n.sizeMode >= 0 && n.sizeMode < cmbSize_->count())
    chooseMode(n.sizeMode);
  const QSignalBlocker bw(txtW_), bh(txtH_);
  txtW_->setText(n.widthText);
  txtH_->setText(n.heightText);
  model_->store([&n](ProcessingSettings &j) {
    j.widthText = n.widthText;
    j.heightText = n.heightText;
  });
}

// The first click into each box tells what it holds and selects its text.
bool SizePanel::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonPress && !firstClickDone_.contains(watched)) {
    firstClickDone_.insert(watched);
    emit status(watched == txtW_ ? QStringLiteral("【提示】输入图片的宽度(单位:像素)，然后按回车键确认。")
                                 : QStringLiteral("【提示】输入图片的高度(单位:像素)，然后按回车键确认。"));
    QTimer::singleShot(0, static_cast<QLineEdit *>(watched), &QLineEdit::selectAll);
  }
  return QGroupBox::eventFilter(watched, event);
}

} // namespace kuvo
