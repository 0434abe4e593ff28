// The options dialog, job files, the command line, the preview's placement
// entries and the facts of the current entry.
#include "app/choosers.h"
#include "app/file_list_panel.h"
#include "app/main_window.h"
#include "app/run_controls.h"
#include "app/window_menus.h"
#include "app/window_shell.h"
#include "app/tile_controls.h"
#include "app/job_model.h"
#include "app/output_panel.h"
#include "app/adjustments_panel.h"
#include "app/overlay_panel.h"
#include "app/size_panel.h"
#include "app/info_panel.h"
#include "app/preview_panel.h"
#include "app/skins.h"
#include "app/tool_strips.h"
#include "app/web_links.h"
#include "engine/decoder.h"
#include "engine/job_file.h"
#include "engine/native_names.h"
#include "platform/settings_store.h"
#include "viewer/frm_pic.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSlider>
#include <QTextBrowser>
#include <QToolButton>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>

namespace kuvo {

namespace {
// Sets a check box and runs its handler even when the tick does not change.
template <typename F> void setTick(QCheckBox *box, bool on, F handler) {
  if (box->isChecked() == on)
    handler(on);
  else
    box->setChecked(on);
}
} // namespace

// The placement entries of the preview's pop-up, the tool strips that float
// over its edges when unpinned, and the facts of the current entry.
void MainWindow::buildPreviewExtras() {
  // Unticked, a strip gives its room to the preview and shows over the
  // preview's edge while the pointer is near it.
  strips_ = new ToolStrips(preview_, frame3_, frame4_, this);

  // Placement entries of the picture pop-up.
  const QList<QAction *> popup = mImgOpt_->actions();
  QAction *copy = mImgOpt_->findChild<QAction *>(QStringLiteral("mCopyPic"));
  auto *mSetXYPos = new QAction(QStringLiteral("移动图片"), mImgOpt_);
  mSetXYPos->setObjectName(QStringLiteral("mSetXYPos"));
  auto *mSet0 = new QAction(QStringLiteral("恢复原点"), mImgOpt_);
  mSet0->setObjectName(QStringLiteral("mSet0"));
  mXYPos_ = new QAction(QStringLiteral("坐标定位"), mImgOpt_);
  mXYPos_->setObjectName(QStringLiteral("mXYPos"));
  mXYPos_->setEnabled(false);
  mImgOpt_->insertActions(copy ? copy : popup.value(0), {mSetXYPos, mSet0, mXYPos_});
  mImgOpt_->insertSeparator(copy ? copy : popup.value(0));
  connect(mSetXYPos, &QAction::triggered, preview_, &PreviewPanel::enterMoveMode);
  connect(mSet0, &QAction::triggered, preview_, &PreviewPanel::resetOrigin);
  connect(mXYPos_, &QAction::triggered, preview_, &PreviewPanel::askOrigin);
  connect(list_, &FileListPanel::currentRowChanged, this, &MainWindow::currentEntryChanged);
}

namespace {
// The pixel size for the status line. The file is opened by its own bytes, so
// a GBK-named picture has its size too; formats Qt reads only from the header
// (JPEG, PNG, ...) are not read whole. HEIC/AVIF, which Qt cannot read, go
// through the engine's probe when the file is of a sane size.
QSize listedPictureSize(const QString &path) {
  QFile file;
  if (!openForReading(file, path))
    return {};
  QImageReader reader(&file);
  const QSize size = reader.size();
  if (size.isValid() || file.size() > 64 * 1024 * 1024 || !file.seek(0))
    return size;
  return probePictureSize(file.readAll());
}
} // namespace

// The facts of the entry that became current, the caption and the title.
void MainWindow::currentEntryChanged(int row) {
  const bool listed = row >= 0 && row < list_->count();
  preview_->showEntry(listed ? row : -1, listed ? list_->path(row) : QString(),
                      listed && row > 0 ? list_->path(row - 1) : QString(),
                      listed && row + 1 < list_->count() ? list_->path(row + 1) : QString());
  if (!listed) {
    if (shell_)
      shell_->infoPanel()->setPictureFacts(QString());
    setWindowTitle(AppTitle + VersionText);
    return;
  }
  const QString path = list_->path(row);
  QString facts = QStringLiteral("【图片信息】文件名:") + QFileInfo(path).fileName();
  const QSize size = listedPictureSize(path);
  if (size.isValid())
    facts += QStringLiteral("  宽:%1  高:%2").arg(size.width()).arg(size.height());
  facts += QStringLiteral("  大小:%1K   双击文件名可全屏浏览。").arg(nativeFileFacts(path).size / 1024);
  ShowStatus(facts);
  if (shell_)
    shell_->infoPanel()->setPictureFacts(facts + QLatin1Char('\n') + QDir::toNativeSeparators(path));
  setWindowTitle(AppTitle + VersionText + QStringLiteral(" - ") + QDir::toNativeSeparators(path));
}

OptionValues MainWindow::optionValues() const {
  OptionValues v;
  v.jpegQuality = job_.jpegQuality;
  v.slideSeconds = slideSeconds_;
  v.autoOpenFolder = job_.openOutputFolder;
  v.autoOpenLinkPage = job_.openLinkPage;
  v.linkPageShowUrl = job_.linkPageShowUrl;
  v.linkPageShowPicture = job_.linkPageShowPicture;
  v.saveErrorLog = job_.saveErrorLog;
  v.cropToFit = job_.cropToFit;
  v.showToday = shell_->showToday();
  v.newVersion = newVersion_;
  v.keepSmall = job_.keepSmall;
  v.cropAnchorX = job_.cropAnchorX;
  v.cropAnchorY = job_.cropAnchorY;
  v.pdfTitle = job_.pdfTitle;
  v.pdfSignature = job_.pdfSignature;
  v.pdfDate = job_.pdfDate;
  v.keepExif = job_.keepMetadata;
  v.stripGps = job_.stripGps;
  v.keepGps = job_.keepGps;
  v.maxJpegKb = job_.maxJpegKb;
  v.existingFiles = static_cast<int>(job_.existingFiles);
  v.keepFolderTree = model_->keepFolderTree();
  return v;
}

bool MainWindow::openOptions(frmOption::Face face) {
  if (face == frmOption::Options)
    ShowStatus(QStringLiteral("【提示】请根据需要设置相关参数。"));
  frmOption dialog(face, optionValues(), this);
  if (dialog.exec() != QDialog::Accepted)
    return false;
  // The dialog stored every key; the window takes them back from its values,
  // so a key the store refused still takes effect for this session.
  const OptionValues &v = dialog.values();
  job_.jpegQuality = v.jpegQuality;
  slideSeconds_ = v.slideSeconds;
  job_.openOutputFolder = v.autoOpenFolder;
  job_.openLinkPage = v.autoOpenLinkPage;
  job_.linkPageShowUrl = v.linkPageShowUrl;
  job_.linkPageShowPicture = v.linkPageShowPicture;
  job_.saveErrorLog = v.saveErrorLog;
  job_.cropToFit = v.cropToFit;
  shell_->setShowToday(v.showToday);
  newVersion_ = v.newVersion;
  job_.keepSmall = v.keepSmall;
  job_.cropAnchorX = v.cropAnchorX;
  job_.cropAnchorY = v.cropAnchorY;
  job_.pdfTitle = v.pdfTitle;
  job_.pdfSignature = v.pdfSignature;
  job_.pdfDate = v.pdfDate;
  job_.keepMetadata = v.keepExif;
  job_.stripGps = v.stripGps;
  job_.keepGps = v.keepGps;
  job_.maxJpegKb = v.maxJpegKb;
  job_.existingFiles = static_cast<ExistingFiles>(v.existingFiles);
  model_->setKeepFolderTree(v.keepFolderTree);
  frmPic::setSlideInterval(v.slideSeconds);
  settingsChanged();
  return true;
}

bool MainWindow::saveJob(const QString &path) {
  if (!saveJobFile(path, jobSettings())) {
    ShowStatus(QStringLiteral("【错误提示】无法保存任务文件:") + QDir::toNativeSeparators(path));
    return false;
  }
  ShowStatus(QStringLiteral("【提示】任务已保存到:") + QDir::toNativeSeparators(path));
  return true;
}

bool MainWindow::loadJob(const QString &path) {
  ProcessingSettings loaded = jobSettings();
  bool ok = false;
  const QStringList skipped = loadJobFile(path, loaded, &ok);
  if (!ok) {
    ShowStatus(QStringLiteral("【错误提示】无法读取任务文件:") + QDir::toNativeSeparators(path));
    return false;
  }
  applyJob(loaded);
  QString text = QStringLiteral("【提示】已载入任务:") + QDir::toNativeSeparators(path);
  if (!skipped.isEmpty())
    text += QStringLiteral("。跳过的设置:") + skipped.join(QStringLiteral("、"));
  ShowStatus(text);
  return true;
}

// Puts a loaded job into the controls, each through its own handler, so the
// window shows what will run.
void MainWindow::applyJob(const ProcessingSettings &n) {
  const bool wasLoaded = loaded();
  model_->setLoading(true); // no dialogs and no previews while the controls change
  size_->applyJob(n);
  overlay_->applyJob(n);
  if (n.sizeMode == SizeFitBorder && size_->mode() != SizeFitBorder)
    size_->switchMode(SizeFitBorder);

  adjust_->applyJob(n);
  job_.originX = n.originX;
  job_.originY = n.originY;
  preview_->showOrigin();

  for (auto field :
       {&ProcessingSettings::keepSmall, &ProcessingSettings::cropToFit, &ProcessingSettings::keepMetadata,
        &ProcessingSettings::stripGps, &ProcessingSettings::keepGps, &ProcessingSettings::keepFileDate,
        &ProcessingSettings::openOutputFolder, &ProcessingSettings::openLinkPage, &ProcessingSettings::linkPageShowUrl,
        &ProcessingSettings::linkPageShowPicture, &ProcessingSettings::saveErrorLog})
    job_.*field = n.*field;
  job_.jpegQuality = n.jpegQuality;
  job_.cropAnchorX = n.cropAnchorX;
  job_.cropAnchorY = n.cropAnchorY;
  job_.maxJpegKb = n.maxJpegKb;
  job_.existingFiles = n.existingFiles;
  job_.pdfTitle = n.pdfTitle;
  job_.pdfSignature = n.pdfSignature;
  job_.pdfDate = n.pdfDate;
  output_->applyJob(n);
  model_->setLoading(!wasLoaded);
  settingsChanged();
}

void MainWindow::openCommandLine(const QStringList &arguments) {
  const QStringList pictures = commandLinePictures(arguments);
  if (pictures.isEmpty())
    return;
  list_->appendItems(pictures, true);
}

} // namespace kuvo
