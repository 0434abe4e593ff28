#include "app/output_panel.h"

#include "app/choosers.h"
#include "app/job_model.h"
#include "app/widget_helpers.h"
#include "app/window_rules.h"
#include "engine/output_naming.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

namespace kuvo {

using Group = JobModel::Group;

OutputPanel::OutputPanel(JobModel *model, QWidget *parent) : QGroupBox(parent), model_(model) {
  boldGroup(this, QStringLiteral("4.设置输出参数"), "frmOutput");
  const ProcessingSettings &job = model_->settings();
  cmbEncode_ = named(new QComboBox(this), "cmbEncode");
  cmbEncode_->setToolTip(QStringLiteral("选择输出文件格式"));
  cmbEncode_->addItems({OriginalFormatText, QStringLiteral("jpg"), QStringLiteral("png"), QStringLiteral("tiff"),
                        QStringLiteral("bmp"), QStringLiteral("webp")});
  chkRM_ = named(new QCheckBox(QStringLiteral("改名:"), this), "chkRM");
  chkRM_->setToolTip(QStringLiteral("统一文件名"));
  txtFileName_ = named(new QLineEdit(job.prefix, this), "txtFileName");
  txtFileName_->setToolTip(QStringLiteral("文件名前缀(双击调出更多选项)"));
  txtFileName_->setEnabled(false);
  txtNum_ = named(new QLineEdit(job.counterWidth, this), "txtNum");
  txtNum_->setToolTip(QStringLiteral("文件名数字序号个数"));
  txtNum_->setMaximumWidth(36);
  txtNum_->setEnabled(false);
  cmdODir_ = named(new QPushButton(QStringLiteral("输出目录"), this), "cmdODir");
  cmdODir_->setToolTip(QStringLiteral("指定处理好的图片放到哪个文件夹"));
  lOut_ = named(new QLabel(QStringLiteral("输出目录:未设置"), this), "lOut");
  lOut_->setTextFormat(Qt::PlainText);

  auto *grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("格式:"), this), 0, 0);
  grid->addWidget(cmbEncode_, 0, 1, 1, 3);
  grid->addWidget(chkRM_, 1, 0);
  grid->addWidget(txtFileName_, 1, 1);
  grid->addWidget(txtNum_, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("位数字"), this), 1, 3);
  grid->addWidget(cmdODir_, 2, 0);
  grid->addWidget(lOut_, 2, 1, 1, 3);
  chkFtp_ = named(new QCheckBox(QStringLiteral("上传到互联网"), this), "chkFtp");
  chkPDF_ = named(new QCheckBox(QStringLiteral("生成PDF文件"), this), "chkPDF");
  grid->addWidget(chkFtp_, 3, 0, 1, 2);
  grid->addWidget(chkPDF_, 3, 2, 1, 2);
  auto *cmdOption = named(new QPushButton(QStringLiteral("选项"), this), "cmdOption");
  cmdOption->setToolTip(QStringLiteral("打开软件选项窗口"));
  grid->addWidget(cmdOption, 4, 0);
  connect(cmdOption, &QPushButton::clicked, this, [this] { emit optionsRequested(frmOption::Options); });
  auto *cmdPDFSet = named(new QPushButton(QStringLiteral("PDF设置"), this), "cmdPDFSet");
  cmdPDFSet->setToolTip(QStringLiteral("设置PDF文件的标题、签名和日期"));
  cmdPDFSet->setEnabled(false);
  grid->addWidget(cmdPDFSet, 4, 2, 1, 2, Qt::AlignLeft);
  connect(cmdPDFSet, &QPushButton::clicked, this, [this] { emit optionsRequested(frmOption::Pdf); });
  connect(chkPDF_, &QCheckBox::toggled, cmdPDFSet, &QWidget::setEnabled);
  connect(chkFtp_, &QCheckBox::clicked, this, &OutputPanel::uploadClicked);
  grid->setColumnStretch(1, 1);
  plainFontForChildren(this);

  mFN_ = new QMenu(this);
  mFN_->setObjectName(QStringLiteral("mFN"));
  const QStringList stamps{QStringLiteral("#当前日期#"), QStringLiteral("#当前时间#"), QStringLiteral("#日期和时间#"),
                           QStringLiteral("#不要前缀#")};
  for (int i = 0; i < 4; ++i) {
    QAction *a = namedAction(mFN_, stamps[i], QStringLiteral("mFNOpt_%1").arg(i));
    connect(a, &QAction::triggered, this, [this, i] { txtFileName_->setText(prefixFor(static_cast<PrefixStamp>(i))); });
  }

  connect(cmbEncode_, &QComboBox::currentTextChanged, this,
          [this](const QString &t) { model_->change(Group::Output, [&](ProcessingSettings &j) { j.outputFormat = t; }); });
  connect(chkRM_, &QCheckBox::toggled, this, [this](bool on) {
    txtFileName_->setEnabled(on);
    txtNum_->setEnabled(on);
    model_->change(Group::Output, [on](ProcessingSettings &j) { j.rename = on; });
  });
  connect(txtFileName_, &QLineEdit::textChanged, this,
          [this](const QString &t) { model_->change(Group::Output, [&](ProcessingSettings &j) { j.prefix = t; }); });
  connect(txtNum_, &QLineEdit::textChanged, this, [this](const QString &t) {
    model_->change(Group::Output, [&](ProcessingSettings &j) { j.counterWidth = t; });
  });
  // The publishing switches take effect at the next run.
  connect(chkFtp_, &QCheckBox::toggled, this,
          [this](bool on) { model_->store([on](ProcessingSettings &j) { j.upload = on; }); });
  connect(chkPDF_, &QCheckBox::toggled, this,
          [this](bool on) { model_->store([on](ProcessingSettings &j) { j.makePdf = on; }); });
  connect(cmdODir_, &QPushButton::clicked, this, &OutputPanel::chooseOutputFolder);
  for (QLineEdit *box : {txtFileName_, txtNum_})
    box->installEventFilter(this);
  cmbEncode_->setCurrentIndex(1);
}

void OutputPanel::chooseOutputFolder() {
  const auto chosen = chooseFolder(this, QStringLiteral("请选择文件夹(处理好的文件将被保存到该文件夹)。"),
                                   model_->settings().outputFolder, false);
  if (!chosen)
    return;
  emit folderChosen(chosen->folder);
  setOutputFolder(chosen->folder);
}

void OutputPanel::setOutputFolder(const QString &folder) {
  QString clean = QDir::cleanPath(folder);
  while (clean.size() > 1 && clean.endsWith(QLatin1Char('/')))
    clean.chop(1);
  lOut_->setText(QStringLiteral("输出文件夹:") + shortenedPath(QDir::toNativeSeparators(clean)));
  lOut_->setToolTip(QDir::toNativeSeparators(clean));
  model_->change(Group::Output, [&clean](ProcessingSettings &j) { j.outputFolder = clean; });
}

void OutputPanel::setUploadOn(bool on) {
  chkFtp_->setChecked(on);
}

void OutputPanel::applyJob(const ProcessingSettings &n) {
  if (cmbEncode_->findText(n.outputFormat) >= 0)
    cmbEncode_->setCurrentText(n.outputFormat);
  chkRM_->setChecked(n.rename);
  txtFileName_->setText(n.prefix);
  txtNum_->setText(n.counterWidth);
  chkPDF_->setChecked(n.makePdf);
  if (!n.outputFolder.isEmpty())
    setOutputFolder(n.outputFolder);
}

// The first click into each box tells what it holds; a double click on the
// prefix offers the date and time stamps.
bool OutputPanel::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonPress && !firstClickDone_.contains(watched)) {
    firstClickDone_.insert(watched);
    if (watched == txtFileName_) {
      emit status(QStringLiteral("【提示】请输入图片文件名的前缀(如输入Tupian_,那么文件名将类似Tupian_001.jpg)。"
                                 "双击文本框弹出更多设置。"));
      QTimer::singleShot(0, txtFileName_, &QLineEdit::selectAll);
    } else if (watched == txtNum_) {
      emit status(QStringLiteral("【提示】请输入图片文件名的顺序号位数(比如输入3,那么文件名将类似Kuvo_001.jpg)。"));
    }
  } else if (event->type() == QEvent::MouseButtonDblClick && watched == txtFileName_) {
    mFN_->popup(txtFileName_->mapToGlobal(QPoint(0, txtFileName_->height())));
    return true;
  }
  return QGroupBox::eventFilter(watched, event);
}

} // namespace kuvo
