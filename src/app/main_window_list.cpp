// The file list of the main window: adding, dropping, removing, restoring.
#include "app/choosers.h"
#include "app/folder_scan.h"
#include "app/main_window.h"
#include "app/wait_window.h"
#include "engine/native_names.h"
#include "engine/picture_files.h"
#include "platform/program_paths.h"
#include "platform/settings_store.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>

namespace kuvo {

namespace {
// A file name in the scratch folder for dropped picture data. The time stamp
// changes once a second, so later drops in the same second get a counter.
QString dropFileName() {
  const QString folder = scratchFolder();
  QDir().mkpath(folder);
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("ddhhmmss"));
  QString path = folder + QStringLiteral("/tempWL") + stamp + QStringLiteral(".bmp");
  for (int n = 2; QFileInfo::exists(path); ++n)
    path =
        folder + QStringLiteral("/tempWL") + stamp + QStringLiteral("_") + QString::number(n) + QStringLiteral(".bmp");
  return path;
}

QStringList localFiles(const QMimeData *data) {
  QStringList paths;
  for (const QUrl &url : data->urls())
    if (url.isLocalFile())
      paths << QDir::cleanPath(localFileFromUrl(url));
  return paths;
}
} // namespace

void MainWindow::appendItems(const QStringList &paths, bool makeCurrent) {
  if (paths.isEmpty())
    return;
  lstFile_->setUpdatesEnabled(false);
  for (const QString &path : paths) {
    auto *item = new QListWidgetItem(path);
    item->setToolTip(path);
    lstFile_->addItem(item);
  }
  lstFile_->setUpdatesEnabled(true);
  if (makeCurrent)
    lstFile_->setCurrentRow(lstFile_->count() - 1, QItemSelectionModel::ClearAndSelect);
  updateListState();
}

int MainWindow::addFiles(const QStringList &paths) {
  QStringList list = files();
  const qsizetype before = list.size();
  const int added = appendNewPictures(list, paths);
  appendItems(list.mid(before), true);
  if (lstFile_->count() > 0)
    lstFile_->setFocus();
  return added;
}

void MainWindow::appendPicture(const QString &path) {
  appendItems({path}, true);
}

void MainWindow::setListEntries(const QStringList &paths, int current) {
  lstFile_->setUpdatesEnabled(false);
  {
    const QSignalBlocker block(lstFile_);
    lstFile_->clear();
    for (const QString &path : paths) {
      auto *item = new QListWidgetItem(path);
      item->setToolTip(path);
      lstFile_->addItem(item);
    }
  }
  lstFile_->setUpdatesEnabled(true);
  if (!paths.isEmpty())
    lstFile_->setCurrentRow(std::clamp(current, 0, static_cast<int>(paths.size()) - 1),
                            QItemSelectionModel::ClearAndSelect);
  updateListState();
  ReDrawPic();
}

void MainWindow::updateListState() {
  const bool any = lstFile_->count() > 0;
  lFile_->setText(countLabelText(lstFile_->count()));
  cmdDel_->setVisible(any);
  cmdClr_->setVisible(any);
  mDelFile_->setEnabled(any);
  mClear_->setEnabled(any);
  mDel_->setEnabled(any);
  mClr_->setEnabled(any);
  mCopyFileName_->setEnabled(any);
  mUndoDel_->setEnabled(!removed_.isEmpty());
  mUndoDelFile_->setEnabled(!removed_.isEmpty());
  if (any && web_)
    web_->hide();
}

void MainWindow::chooseAndAddFiles() {
  ShowStatus(QStringLiteral("【提示】选择要添加的图片,可多选。"));
  const auto chosen = choosePictures(this, QStringLiteral("选择要添加的图片,可多选。"), lastChooserFolder_);
  if (!chosen)
    return;
  lastChooserFolder_ = QDir::fromNativeSeparators(readSetting(QStringLiteral("sODIR"), lastChooserFolder_));
  addFiles(*chosen);
}

void MainWindow::chooseAndAddFolder() {
  ShowStatus(QStringLiteral("【提示】请选择文件夹,该文件夹内所有图片将被添加。"));
  const auto chosen =
      chooseFolder(this, QStringLiteral("请选择文件夹,该文件夹内所有图片将被添加。"), lastChooserFolder_, true);
  if (!chosen)
    return;
  lastChooserFolder_ = chosen->folder;
  addFolder(chosen->folder, chosen->includeSubfolders);
}

void MainWindow::addFolder(const QString &folder, bool recursive) {
  if (scan_->isRunning())
    return;
  QApplication::setOverrideCursor(Qt::BusyCursor);
  wait_->begin(0);
  wait_->setDetail(QDir::toNativeSeparators(folder));
  wait_->setCancelVisible(true);
  wait_->show();
  cmdAdds_->setEnabled(false);
  mAddDir_->setEnabled(false);
  scanTop_ = folder;
  scan_->start(folder, recursive);
}

bool MainWindow::isScanning() const {
  return scan_->isRunning();
}

void MainWindow::scanDone(const QStringList &pictures, bool cancelled) {
  QStringList list = files();
  const qsizetype before = list.size();
  const int added = appendNewPictures(list, pictures);
  for (const QString &picture : list.mid(before)) {
    const QString sub = outputSubfolderBelow(scanTop_, picture);
    if (!sub.isEmpty())
      treeFolders_.insert(picture, sub);
  }
  appendItems(list.mid(before), false);
  QApplication::restoreOverrideCursor();
  wait_->setCancelVisible(false);
  if (!isRunning())
    wait_->hide();
  cmdAdds_->setEnabled(true);
  mAddDir_->setEnabled(true);
  if (lstFile_->count() > 0) {
    lstFile_->setCurrentRow(lstFile_->count() - 1, QItemSelectionModel::ClearAndSelect);
    lstFile_->setFocus();
  }
  if (!cancelled && added > 0)
    ShowStatus(QStringLiteral("【提示】已添加%1个图片。").arg(added));
  emit scanFinished(added);
}

void MainWindow::removeSelected() {
  if (lstFile_->count() == 0)
    return;
  int lastRemoved = -1;
  lstFile_->setUpdatesEnabled(false);
  {
    const QSignalBlocker block(lstFile_);
    for (int i = lstFile_->count() - 1; i >= 0; --i) {
      QListWidgetItem *item = lstFile_->item(i);
      if (!item->isSelected())
        continue;
      removed_.push(item->text(), i);
      delete lstFile_->takeItem(i);
      lastRemoved = i;
    }
  }
  lstFile_->setUpdatesEnabled(true);
  lstFile_->setFocus();
  if (lstFile_->count() == 0) {
    showEmptyList();
  } else if (lastRemoved >= 0) {
    // The entry after the removed ones becomes current.
    lstFile_->setCurrentRow(std::min(lastRemoved, lstFile_->count() - 1), QItemSelectionModel::ClearAndSelect);
    ReDrawPic();
  }
  updateListState();
}

void MainWindow::restoreRemoved() {
  if (removed_.isEmpty())
    return;
  QStringList list = files();
  removed_.restoreInto(list);
  setListEntries(list, lstFile_->currentRow());
}

void MainWindow::clearList() {
  {
    const QSignalBlocker block(lstFile_);
    lstFile_->clear();
  }
  removed_.clear();
  treeFolders_.clear();
  updateListState();
  cmdAdds_->setFocus();
  showEmptyList();
}

// The list's signals were blocked while it emptied, so the current-entry
// handlers did not run: the preview, its arrows, thumbnail, caption box and
// the title are reset here.
void MainWindow::showEmptyList() {
  currentEntryChanged(-1);
  if (moveMode_)
    leaveMoveMode();
  previewImage_ = QImage();
  placement_ = OverlayPlacement();
  imgM_->clear();
  imgM_->setText(IdlePreviewText);
  imgM_->show();
  layoutPreview();
  ShowStatus(IdleStatus);
}

void MainWindow::copyCurrentPath() {
  QListWidgetItem *item = lstFile_->currentItem();
  if (!item)
    return;
  QApplication::clipboard()->setText(item->text());
  ShowStatus(QStringLiteral("【提示】文件路径已复制:") + item->text());
}

void MainWindow::showListMenu(const QPoint &pos) {
  if (!lstFile_->currentItem())
    return;
  mLst_->popup(lstFile_->viewport()->mapToGlobal(pos));
}

void MainWindow::dropData(const QMimeData *data, bool onList) {
  if (!data)
    return;
  if (data->hasImage()) {
    const QImage image = qvariant_cast<QImage>(data->imageData());
    const QString path = dropFileName();
    if (!image.isNull() && image.save(path, "BMP"))
      appendItems({path}, onList);
  } else if (data->hasUrls()) {
    QStringList list = files();
    const qsizetype before = list.size();
    appendNewPictures(list, localFiles(data));
    appendItems(list.mid(before), onList);
  }
  updateListState();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event) {
  if (event->mimeData()->hasImage() || event->mimeData()->hasUrls())
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event) {
  event->setDropAction(Qt::CopyAction);
  event->accept();
  dropData(event->mimeData(), false);
}

} // namespace kuvo
