#include "app/option_dialog.h"

#include "platform/settings_store.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDate>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kuvo {

namespace {
QString flagText(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }

QCheckBox *check(const QString &text, const char *name, bool value, QWidget *parent) {
  auto *box = new QCheckBox(text, parent);
  box->setObjectName(QLatin1String(name));
  box->setChecked(value);
  return box;
}
} // namespace

int frmOption::qualityFrom(const QString &text, int previous) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  return ok && v >= 0 && v <= 255 ? v : previous;
}

int frmOption::intervalFrom(const QString &text, int previous) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  return ok && v >= -32768 && v <= 32767 ? v : previous;
}

int frmOption::sizeLimitFrom(const QString &text, int previous) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  return ok && v >= 0 && v <= 1000000 ? v : previous;
}

frmOption::frmOption(Face face, const OptionValues &current, QWidget *parent)
    : QDialog(parent), face_(face), values_(current) {
  setObjectName(QStringLiteral("frmOption"));
  setWindowTitle(face == Options ? QStringLiteral("选项") : QStringLiteral("PDF参数设置"));
  setModal(true);

  // The options frame.
  frameSet_ = new QGroupBox(QStringLiteral("根据你的需要设置下列参数"), this);
  frameSet_->setObjectName(QStringLiteral("frameSet"));
  auto *set = new QVBoxLayout(frameSet_);
  auto *numbers = new QGridLayout;
  const QString labels[2] = {QStringLiteral("输出JPG图片质量(0-100,质量越好文件越大):"),
                             QStringLiteral("幻灯片播放时图片切换的时间间隔(1-30秒):")};
  const int start[2] = {current.jpegQuality, current.slideSeconds};
  for (int i = 0; i < 2; ++i) {
    hsOpt_[i] = new QLineEdit(QString::number(start[i]), frameSet_);
    hsOpt_[i]->setObjectName(QStringLiteral("hsOpt_%1").arg(i));
    hsOpt_[i]->setMaximumWidth(70);
    hsOpt_[i]->installEventFilter(this);
    numbers->addWidget(new QLabel(labels[i], frameSet_), i, 0);
    numbers->addWidget(hsOpt_[i], i, 1);
  }
  set->addLayout(numbers);
  chkAutoODir_ = check(QStringLiteral("处理结束后自动打开输出目录查看处理好的图片。"), "chkAutoODir",
                       current.autoOpenFolder, frameSet_);
  chkAutoURL_ = check(QStringLiteral("上传结束后自动打开PicURL.htm查看上传好的图片。"), "chkAutoURL",
                      current.autoOpenLinkPage, frameSet_);
  chkShowURL_ =
      check(QStringLiteral("PicURL.htm输出网络图片地址。"), "chkShowURL", current.linkPageShowUrl, frameSet_);
  chkShowURLPic_ = check(QStringLiteral("PicURL.htm输出并显示网络图片。"), "chkShowURLPic",
                         current.linkPageShowPicture, frameSet_);
  chkSaveErr_ =
      check(QStringLiteral("输出图片处理过程中的错误记录。"), "chkSaveErr", current.saveErrorLog, frameSet_);
  chkJQ_ = check(QStringLiteral("图片缩放不合比例时剪切图片(不选则扩充画布)。"), "chkJQ", current.cropToFit,
                 frameSet_);
  chkNewVer_ = check(QStringLiteral("软件启动时自动检测新版本。"), "chkNewVer", current.newVersion, frameSet_);
  chkShowToday_ =
      check(QStringLiteral("软件启动时在预览区显示今日资讯。"), "chkShowToday", current.showToday, frameSet_);
  chkResizeOpt_ =
      check(QStringLiteral("小图片不放大（保持原有尺寸）。"), "chkResizeOpt", current.keepSmall, frameSet_);
  for (QCheckBox *box : {chkAutoODir_, chkAutoURL_, chkShowURL_, chkShowURLPic_, chkSaveErr_, chkJQ_})
    set->addWidget(box);
  chkShowURL_->setContentsMargins(20, 0, 0, 0);
  chkShowURLPic_->setContentsMargins(20, 0, 0, 0);

  auto *anchors = new QGridLayout;
  const QString names[7] = {QString(),
                            QStringLiteral("左优先"),
                            QStringLiteral("中间优先"),
                            QStringLiteral("右优先"),
                            QStringLiteral("上优先"),
                            QStringLiteral("中间优先"),
                            QStringLiteral("下优先")};
  auto *horizontal = new QButtonGroup(this);
  auto *vertical = new QButtonGroup(this);
  anchors->addWidget(new QLabel(QStringLiteral("剪切时水平方向:"), frameSet_), 0, 0);
  anchors->addWidget(new QLabel(QStringLiteral("剪切时垂直方向:"), frameSet_), 1, 0);
  for (int i = 1; i <= 6; ++i) {
    Option_[i] = new QRadioButton(names[i], frameSet_);
    Option_[i]->setObjectName(QStringLiteral("Option%1").arg(i));
    (i <= 3 ? horizontal : vertical)->addButton(Option_[i]);
    anchors->addWidget(Option_[i], i <= 3 ? 0 : 1, (i - 1) % 3 + 1);
  }
  if (current.cropAnchorX >= 0 && current.cropAnchorX <= 2)
    Option_[1 + current.cropAnchorX]->setChecked(true);
  if (current.cropAnchorY >= 0 && current.cropAnchorY <= 2)
    Option_[4 + current.cropAnchorY]->setChecked(true);
  anchors->setContentsMargins(20, 0, 0, 0);
  set->addLayout(anchors);
  for (QCheckBox *box : {chkResizeOpt_, chkShowToday_, chkNewVer_})
    set->addWidget(box);

  chkKeepExif_ = check(QStringLiteral("保留照片信息(EXIF)"), "chkKeepExif", current.keepExif, frameSet_);
  chkStripGps_ = check(QStringLiteral("去除GPS位置信息"), "chkStripGps", current.stripGps, frameSet_);
  txtMaxKB_ = new QLineEdit(QString::number(current.maxJpegKb), frameSet_);
  txtMaxKB_->setObjectName(QStringLiteral("txtMaxKB"));
  txtMaxKB_->setMaximumWidth(70);
  txtMaxKB_->setToolTip(QStringLiteral("0表示不限制"));
  txtMaxKB_->installEventFilter(this);
  chkKeepGps_ = check(QStringLiteral("上传时保留GPS位置信息"), "chkKeepGps", current.keepGps, frameSet_);
  chkKeepGps_->setToolTip(QStringLiteral("上传的图片是公开的，默认去除其中的GPS位置信息"));
  auto *metadata = new QHBoxLayout;
  metadata->addWidget(chkKeepExif_);
  metadata->addWidget(chkStripGps_);
  metadata->addWidget(chkKeepGps_);
  metadata->addStretch();
  set->addLayout(metadata);

  // What a run does where an output file is already there; the original
  // picture itself is never overwritten whatever is chosen.
  auto *existing = new QHBoxLayout;
  existing->addWidget(new QLabel(QStringLiteral("已存在的文件:"), frameSet_));
  auto *existingGroup = new QButtonGroup(this);
  const QString existingNames[3] = {QStringLiteral("覆盖"), QStringLiteral("跳过"), QStringLiteral("自动改名")};
  for (int i = 0; i < 3; ++i) {
    optExisting_[i] = new QRadioButton(existingNames[i], frameSet_);
    optExisting_[i]->setObjectName(QStringLiteral("optExisting%1").arg(i));
    existingGroup->addButton(optExisting_[i]);
    existing->addWidget(optExisting_[i]);
  }
  optExisting_[current.existingFiles >= 0 && current.existingFiles <= 2 ? current.existingFiles : 0]->setChecked(true);
  optExisting_[2]->setToolTip(QStringLiteral("写入 名称_2、名称_3 …"));
  existing->addStretch();
  set->addLayout(existing);
  chkKeepTree_ = check(QStringLiteral("保持子文件夹结构"), "chkKeepTree", current.keepFolderTree, frameSet_);
  chkKeepTree_->setToolTip(QStringLiteral("添加包含子文件夹的文件夹时，处理好的图片在输出文件夹中按原来的子文件夹存放"));
  set->addWidget(chkKeepTree_);
  auto *limit = new QHBoxLayout;
  limit->addWidget(new QLabel(QStringLiteral("限制JPG文件大小(KB):"), frameSet_));
  limit->addWidget(txtMaxKB_);
  limit->addStretch();
  set->addLayout(limit);

  // The PDF frame: the page as it will look, title above, signature and
  // date below the picture.
  framePDF_ = new QGroupBox(QStringLiteral("请设置下列参数"), this);
  framePDF_->setObjectName(QStringLiteral("framePDF"));
  auto *pdf = new QVBoxLayout(framePDF_);
  QFont heiti(QStringLiteral("黑体"));
  const QString pdfTexts[4] = {QString(), current.pdfTitle, current.pdfSignature,
                               QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日"))};
  for (int i = 1; i <= 3; ++i) {
    txtPDF_[i] = new QLineEdit(pdfTexts[i], framePDF_);
    txtPDF_[i]->setObjectName(QStringLiteral("txtPDF%1").arg(i));
    txtPDF_[i]->setFont(heiti);
    txtPDF_[i]->installEventFilter(this);
  }
  txtPDF_[1]->setPlaceholderText(QStringLiteral("图片集的标题"));
  txtPDF_[2]->setPlaceholderText(QStringLiteral("您的签名"));
  txtPDF_[3]->setPlaceholderText(QStringLiteral("制作日期"));
  txtPDF_[1]->setAlignment(Qt::AlignCenter);
  txtPDF_[2]->setAlignment(Qt::AlignRight);
  txtPDF_[3]->setAlignment(Qt::AlignRight);
  auto *area = new QLabel(QStringLiteral("<<<<图片及说明区域>>>>"), framePDF_);
  area->setObjectName(QStringLiteral("lblPDFArea"));
  area->setAlignment(Qt::AlignCenter);
  area->setMinimumHeight(140);
  area->setFrameShape(QFrame::Box);
  pdf->addWidget(txtPDF_[1]);
  pdf->addWidget(area, 1);
  pdf->addWidget(txtPDF_[2]);
  pdf->addWidget(txtPDF_[3]);

  auto *ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setDefault(true);
  auto *no = new QPushButton(QStringLiteral("取消"), this);
  no->setObjectName(QStringLiteral("cmdNO"));
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(no);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(frameSet_);
  layout->addWidget(framePDF_);
  layout->addLayout(buttons);
  frameSet_->setVisible(face == Options);
  framePDF_->setVisible(face == Pdf);

  connect(chkAutoURL_, &QCheckBox::toggled, this, &frmOption::updateEnabling);
  connect(chkJQ_, &QCheckBox::toggled, this, &frmOption::updateEnabling);
  connect(chkKeepExif_, &QCheckBox::toggled, this, &frmOption::updateEnabling);
  connect(chkStripGps_, &QCheckBox::toggled, this, &frmOption::updateEnabling);
  connect(ok, &QPushButton::clicked, this, &frmOption::confirm);
  connect(no, &QPushButton::clicked, this, &QDialog::reject);
  updateEnabling();
  setMinimumWidth(face == Options ? 520 : 420);
}

// The link-page boxes matter only with the page opened, the anchors only when
// pictures are cropped, the GPS switch only when the metadata is kept.
void frmOption::updateEnabling() {
  chkShowURL_->setEnabled(chkAutoURL_->isChecked());
  chkShowURLPic_->setEnabled(chkAutoURL_->isChecked());
  for (int i = 1; i <= 6; ++i)
    Option_[i]->setEnabled(chkJQ_->isChecked());
  chkStripGps_->setEnabled(chkKeepExif_->isChecked());
  chkKeepGps_->setEnabled(chkKeepExif_->isChecked() && !chkStripGps_->isChecked());
}

bool frmOption::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::FocusIn)
    for (QLineEdit *box : {hsOpt_[0], hsOpt_[1], txtPDF_[1], txtPDF_[2], txtMaxKB_})
      if (watched == box)
        QTimer::singleShot(0, box, &QLineEdit::selectAll);
  return QDialog::eventFilter(watched, event);
}

// Every step stores its key; a key the store refuses is skipped and the
// next one is written all the same.
void frmOption::confirm() {
  OptionValues v = values_;
  v.jpegQuality = qualityFrom(hsOpt_[0]->text(), values_.jpegQuality);
  saveSetting(QStringLiteral("iJPGQ"), QString::number(v.jpegQuality));
  v.slideSeconds = intervalFrom(hsOpt_[1]->text(), values_.slideSeconds);
  saveSetting(QStringLiteral("iSlideTime"), QString::number(v.slideSeconds));

  const struct {
    QCheckBox *box;
    bool *value;
    const char *key;
  } flags[] = {{chkAutoODir_, &v.autoOpenFolder, "bAutoODir"},   {chkAutoURL_, &v.autoOpenLinkPage, "bAutoURL"},
               {chkShowURL_, &v.linkPageShowUrl, "bShowURL"},    {chkShowURLPic_, &v.linkPageShowPicture, "bShowURLPic"},
               {chkSaveErr_, &v.saveErrorLog, "bSaveErr"},       {chkJQ_, &v.cropToFit, "bPicJQ"},
               {chkShowToday_, &v.showToday, "bShowToday"},      {chkNewVer_, &v.newVersion, "bNewVer"},
               {chkResizeOpt_, &v.keepSmall, "bChkResizeOpt"}};
  for (const auto &f : flags) {
    *f.value = f.box->isChecked();
    saveSetting(QLatin1String(f.key), flagText(*f.value));
  }

  for (int i = 0; i < 3; ++i)
    if (Option_[1 + i]->isChecked()) {
      v.cropAnchorX = i;
      break;
    }
  saveSetting(QStringLiteral("iXCutMode"), QString::number(v.cropAnchorX));
  for (int i = 0; i < 3; ++i)
    if (Option_[4 + i]->isChecked()) {
      v.cropAnchorY = i;
      break;
    }
  saveSetting(QStringLiteral("iYCutMode"), QString::number(v.cropAnchorY));

  v.pdfTitle = txtPDF_[1]->text();
  v.pdfSignature = txtPDF_[2]->text();
  v.pdfDate = txtPDF_[3]->text();
  saveSetting(QStringLiteral("sPDF1"), v.pdfTitle);
  saveSetting(QStringLiteral("sPDF2"), v.pdfSignature);
  saveSetting(QStringLiteral("sPDF3"), v.pdfDate);

  v.keepExif = chkKeepExif_->isChecked();
  v.stripGps = chkStripGps_->isChecked();
  v.maxJpegKb = sizeLimitFrom(txtMaxKB_->text(), values_.maxJpegKb);
  saveSetting(QStringLiteral("bKeepExif"), flagText(v.keepExif));
  saveSetting(QStringLiteral("bStripGps"), flagText(v.stripGps));
  saveSetting(QStringLiteral("iMaxKB"), QString::number(v.maxJpegKb));
  v.keepGps = chkKeepGps_->isChecked();
  saveSetting(QStringLiteral("bKeepGps"), flagText(v.keepGps));
  for (int i = 0; i < 3; ++i)
    if (optExisting_[i]->isChecked())
      v.existingFiles = i;
  saveSetting(QStringLiteral("iExisting"), QString::number(v.existingFiles));
  v.keepFolderTree = chkKeepTree_->isChecked();
  saveSetting(QStringLiteral("bKeepTree"), flagText(v.keepFolderTree));

  values_ = v;
  accept();
}

} // namespace kuvo
