#include "app/adjustments_panel.h"

#include "app/job_model.h"
#include "app/widget_helpers.h"
#include "engine/processing_settings.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace kuvo {

namespace {
// The brightness slider works through this hidden effect entry.
constexpr int BrightnessEffect = 12;
} // namespace

using Group = JobModel::Group;

AdjustmentsPanel::AdjustmentsPanel(JobModel *model, QObject *parent) : QObject(parent), model_(model) {
  setObjectName(QStringLiteral("adjustments"));
}

ProcessingSettings &AdjustmentsPanel::job() {
  return model_->fields();
}

// --- Menus ---------------------------------------------------------------

void AdjustmentsPanel::fillRotationMenu(QMenu *rotation) {
  const QStringList rotations{QStringLiteral("取消旋转"),         QString(),
                              QStringLiteral("智能旋转数码照片"), QStringLiteral("顺转90度"),
                              QStringLiteral("逆转90度"),         QStringLiteral("旋转180度"),
                              QStringLiteral("水平镜像"),         QStringLiteral("垂直镜像")};
  auto *group = new QActionGroup(this);
  for (int i = 0; i < 8; ++i) {
    if (i == 1) {
      rotation->addSeparator();
      continue;
    }
    mPRT_[i] = namedAction(rotation, rotations[i], QStringLiteral("mPRT_%1").arg(i));
    mPRT_[i]->setCheckable(true);
    group->addAction(mPRT_[i]);
    connect(mPRT_[i], &QAction::triggered, this, [this, i] { rotationChosen(i); });
  }
  mPRT_[0]->setChecked(true);
}

void AdjustmentsPanel::fillChannelMenu(QMenu *channels) {
  const QStringList names{QStringLiteral("红色通道"), QStringLiteral("绿色通道"), QStringLiteral("蓝色通道")};
  for (int i = 0; i < 3; ++i) {
    mPCR_[i] = namedAction(channels, names[i], QStringLiteral("mPCR_%1").arg(i));
    mPCR_[i]->setCheckable(true);
    mPCR_[i]->setChecked(true);
    connect(mPCR_[i], &QAction::toggled, this, [this, i](bool on) { channelToggled(i, on); });
  }
}

void AdjustmentsPanel::fillEffectsMenu(QMenu *menu) {
  auto *effects = new QActionGroup(this);
  mTXUndo_ = namedAction(menu, QStringLiteral("无特效"), QStringLiteral("mTXUndo"));
  mTXUndo_->setCheckable(true);
  mTXUndo_->setChecked(true);
  effects->addAction(mTXUndo_);
  connect(mTXUndo_, &QAction::triggered, this, [this] { effectChosen(NoEffect); });
  menu->addSeparator();
  const QStringList names{QStringLiteral("一键美容"),  QStringLiteral("棱角分明"), QStringLiteral("暖黄记忆"),
                          QStringLiteral("华贵绛紫"),  QStringLiteral("棕褐怀旧"), QStringLiteral("夜色朦胧"),
                          QStringLiteral("陈旧往事"),  QStringLiteral("扫描线"),   QStringLiteral("浮雕"),
                          QStringLiteral("灰度"),      QStringLiteral("黑白"),     QStringLiteral("底片"),
                          QStringLiteral("BR_NotShow")};
  for (int i = 0; i < 13; ++i) {
    mTX_[i] = namedAction(menu, names[i], QStringLiteral("mTX_%1").arg(i));
    mTX_[i]->setCheckable(true);
    effects->addAction(mTX_[i]);
    connect(mTX_[i], &QAction::triggered, this, [this, i] { effectChosen(i); });
  }
  mTX_[BrightnessEffect]->setVisible(false);
}

// --- Controls ------------------------------------------------------------

QFrame *AdjustmentsPanel::buildRotationBar() {
  auto *bar = named(new QFrame, "Frame4");
  auto *layout = new QHBoxLayout(bar);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  struct Entry {
    int index;
    const char *text;
    const char *tip;
  };
  const Entry entries[] = {{0, "原图", "恢复图片原始方向"}, {2, "自动", "自动扶正非正常方向拍摄的数码照片"},
                           {3, "+90", "顺时针旋转90度"},    {4, "-90", "逆时针旋转90度"},
                           {5, "180", "旋转180度"},         {6, "水平", "以水平线为轴镜像"},
                           {7, "垂直", "以垂线为轴镜像"}};
  layout->addWidget(new QLabel(QStringLiteral("方向:"), bar));
  for (const Entry &e : entries) {
    auto *b = new QToolButton(bar);
    b->setObjectName(QStringLiteral("cmdR_%1").arg(e.index));
    b->setText(QString::fromUtf8(e.text));
    b->setToolTip(QString::fromUtf8(e.tip));
    b->setCheckable(true);
    b->setAutoExclusive(true);
    b->setChecked(e.index == 0);
    b->setMinimumWidth(48);
    connect(b, &QToolButton::clicked, this, [this, i = e.index] { mPRT_[i]->trigger(); });
    connect(mPRT_[e.index], &QAction::toggled, b, [b](bool on) {
      if (on)
        b->setChecked(true);
    });
    layout->addWidget(b);
  }
  layout->addStretch();
  return bar;
}

void AdjustmentsPanel::addChannelRows(QWidget *strip, QVBoxLayout *layout) {
  const QStringList names{QStringLiteral("红"), QStringLiteral("绿"), QStringLiteral("蓝")};
  const QStringList tips{QStringLiteral("红色分量大小(0-1)"), QStringLiteral("绿色分量大小(0-1)"),
                         QStringLiteral("蓝色分量大小(0-1)")};
  for (int i = 0; i < 3; ++i) {
    auto *row = new QHBoxLayout;
    auto *b = new QToolButton(strip);
    b->setObjectName(QStringLiteral("cmdRGB_%1").arg(i));
    b->setDefaultAction(mPCR_[i]);
    b->setText(names[i]);
    txtRGB_[i] = new QLineEdit(QStringLiteral("1"), strip);
    txtRGB_[i]->setObjectName(QStringLiteral("txtRGB_%1").arg(i));
    txtRGB_[i]->setToolTip(tips[i]);
    txtRGB_[i]->setMaximumWidth(40);
    txtRGB_[i]->installEventFilter(this);
    row->addWidget(b);
    row->addWidget(txtRGB_[i]);
    layout->addLayout(row);
    connect(txtRGB_[i], &QLineEdit::textChanged, this, [this] { channelBoxesChanged(); });
  }
}

QGroupBox *AdjustmentsPanel::buildBrightnessPanel(QWidget *parent) {
  frmTZ_ = named(new QGroupBox(QStringLiteral("亮度"), parent), "frmTZ");
  sldLD_ = named(new QSlider(Qt::Horizontal, frmTZ_), "sldLD");
  sldLD_->setRange(-75, 75);
  auto *cmdLD = named(new QPushButton(QStringLiteral("默认"), frmTZ_), "cmdLD");
  auto *cmdCloseTZ = named(new QPushButton(QStringLiteral("关闭"), frmTZ_), "cmdCloseTZ");
  auto *layout = new QHBoxLayout(frmTZ_);
  layout->addWidget(new QLabel(QStringLiteral("亮度"), frmTZ_));
  layout->addWidget(sldLD_, 1);
  layout->addWidget(cmdLD);
  layout->addWidget(cmdCloseTZ);
  connect(cmdLD, &QPushButton::clicked, this, [this] { sldLD_->setValue(0); });
  connect(cmdCloseTZ, &QPushButton::clicked, frmTZ_, &QWidget::hide);
  connect(sldLD_, &QSlider::valueChanged, this, [this](int v) {
    job().brightness = v;
    mTX_[BrightnessEffect]->setChecked(true);
    effectChosen(BrightnessEffect);
  });
  frmTZ_->hide();
  return frmTZ_;
}

QGroupBox *AdjustmentsPanel::buildMatrixPanel(QWidget *parent) {
  frmeJZ_ = named(new QGroupBox(QStringLiteral("颜色矩阵调整"), parent), "frmeJZ");
  auto *grid = new QGridLayout(frmeJZ_);
  grid->setSpacing(3);
  for (int i = 0; i < 25; ++i) {
    Text1_[i] = new QLineEdit(frmeJZ_);
    Text1_[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
    Text1_[i]->setMaximumWidth(56);
    Text1_[i]->setAlignment(Qt::AlignRight);
    grid->addWidget(Text1_[i], i / 5, i % 5);
    connect(Text1_[i], &QLineEdit::textEdited, this, [this, i] { matrixBoxChanged(i); });
  }
  auto *ok = named(new QPushButton(QStringLiteral("确定"), frmeJZ_), "cmdJZOK");
  auto *cancel = named(new QPushButton(QStringLiteral("取消"), frmeJZ_), "cmdJZCancel");
  grid->addWidget(ok, 0, 5);
  grid->addWidget(cancel, 1, 5);
  grid->setColumnStretch(6, 1);
  connect(ok, &QPushButton::clicked, frmeJZ_, &QWidget::hide);
  connect(cancel, &QPushButton::clicked, this, [this] {
    frmeJZ_->hide();
    model_->change(Group::Adjustments, [this](ProcessingSettings &j) { j.imageMatrix = savedMatrix_; });
  });
  frmeJZ_->hide();
  return frmeJZ_;
}

void AdjustmentsPanel::showBrightnessPanel() {
  frmTZ_->show();
}

void AdjustmentsPanel::showMatrixPanel() {
  savedMatrix_ = job().imageMatrix;
  for (int i = 0; i < 25; ++i)
    Text1_[i]->setText(QString::number(double(job().imageMatrix[i])));
  frmeJZ_->show();
}

void AdjustmentsPanel::chooseEffect(int index) {
  if (index >= 0 && index < 13)
    mTX_[index]->trigger();
}

// --- Handlers ------------------------------------------------------------

void AdjustmentsPanel::rotationChosen(int index) {
  job().rotateMode = index;
  if (mPRT_[index] && !mPRT_[index]->isChecked())
    mPRT_[index]->setChecked(true);
  model_->announce(Group::Adjustments);
}

void AdjustmentsPanel::effectChosen(int index) {
  job().effect = index;
  if (index == NoEffect)
    mTXUndo_->setChecked(true);
  else
    mTX_[index]->setChecked(true);
  model_->announce(Group::Adjustments);
}

void AdjustmentsPanel::channelToggled(int channel, bool on) {
  if (updatingChannels_ || !txtRGB_[channel])
    return;
  txtRGB_[channel]->setText(on ? QStringLiteral("1") : QStringLiteral("0"));
}

void AdjustmentsPanel::channelBoxesChanged() {
  double f[3] = {1, 1, 1};
  for (int i = 0; i < 3; ++i)
    if (!toNumber(txtRGB_[i]->text(), f[i]))
      return; // the matrix in force stays
  job().imageMatrix = channelMatrix(float(f[0]), float(f[1]), float(f[2]));
  updatingChannels_ = true;
  for (int i = 0; i < 3; ++i)
    mPCR_[i]->setChecked(f[i] != 0);
  updatingChannels_ = false;
  model_->announce(Group::Adjustments);
}

void AdjustmentsPanel::matrixBoxChanged(int cell) {
  double v = 0;
  if (!toNumber(Text1_[cell]->text(), v))
    return;
  job().imageMatrix[cell] = static_cast<float>(v);
  model_->announce(Group::Adjustments);
}

void AdjustmentsPanel::applyJob(const ProcessingSettings &n) {
  if (n.rotateMode >= 0 && n.rotateMode < 8 && mPRT_[n.rotateMode])
    rotationChosen(n.rotateMode);
  {
    const QSignalBlocker block(sldLD_);
    sldLD_->setValue(n.brightness);
  }
  job().brightness = n.brightness;
  if (n.effect >= NoEffect && n.effect < 13)
    effectChosen(n.effect);
  job().imageMatrix = n.imageMatrix;
  showChannels(n.imageMatrix);
}

// A matrix of channel factors alone shows them in the boxes and ticks, so
// the next box edit starts from the loaded factors rather than from stale
// boxes; any other matrix leaves the boxes as they are.
void AdjustmentsPanel::showChannels(const ColorMatrix &m) {
  if (!txtRGB_[0] || m != channelMatrix(m[0], m[6], m[12]))
    return;
  updatingChannels_ = true;
  for (int i = 0; i < 3; ++i) {
    const float f = m[i * 6];
    const QSignalBlocker block(txtRGB_[i]);
    txtRGB_[i]->setText(QString::number(double(f)));
    mPCR_[i]->setChecked(f != 0);
  }
  updatingChannels_ = false;
}

// Every click into a channel box tells what it takes.
bool AdjustmentsPanel::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonPress)
    for (QLineEdit *box : txtRGB_)
      if (watched == box)
        emit status(QStringLiteral("【提示】请输入数字。数字越大该颜色越重(建议0-10之间，可以是小数)。"));
  return QObject::eventFilter(watched, event);
}

} // namespace kuvo
