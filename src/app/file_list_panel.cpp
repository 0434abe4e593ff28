#include "app/file_list_panel.h"

#include "app/choosers.h"
#include "app/folder_scan.h"
#include "app/job_model.h"
#include "app/wait_window.h"
#include "app/widget_helpers.h"
#include "engine/native_names.h"
#include "engine/picture_files.h"
#include "platform/program_paths.h"
#include "platform/settings_store.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

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

FileListPanel::FileListPanel(JobModel *model, QWidget *parent) : QGroupBox(parent), model_(model) {
  boldGroup(this, QStringLiteral("1.添加要处理的图片"), "frmList");
  cmdAdd_ = named(new QPushButton(QStringLiteral("添加图片"), this), "cmdAdd");
  cmdAdd_->setToolTip(QStringLiteral("选择要添加的图片"));
  cmdAdds_ = named(new QPushButton(QStringLiteral("添加文件夹"), this), "cmdAdds");
  cmdAdds_->setToolTip(QStringLiteral("将指定文件夹内图片全部导入"));
  cmdDel_ = named(new QPushButton(QStringLiteral("移除图片"), this), "cmdDel");
  cmdDel_->setToolTip(QStringLiteral("移除选定图片"));
  cmdClr_ = named(new QPushButton(QStringLiteral("全部清空"), this), "cmdClr");
  cmdClr_->setToolTip(QStringLiteral("移除所有已添加图片"));
  lstFile_ = named(new QListWidget(this), "lstFile");
  lstFile_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstFile_->setUniformItemSizes(true);
  lstFile_->setTextElideMode(Qt::ElideLeft);
  lstFile_->setContextMenuPolicy(Qt::CustomContextMenu);
  lstFile_->setAlternatingRowColors(true);
  lstFile_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lstFile_->viewport()->setAcceptDrops(true);
  lstFile_->viewport()->installEventFilter(this);
  lstFile_->installEventFilter(this);
  lFile_ = named(new QLabel(countLabelText(0), this), "lFile");

  auto *grid = new QGridLayout;
  grid->addWidget(cmdAdd_, 0, 0);
  grid->addWidget(cmdAdds_, 0, 1);
  grid->addWidget(cmdDel_, 1, 0);
  grid->addWidget(cmdClr_, 1, 1);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(lstFile_, 1);
  layout->addWidget(lFile_);
  for (QWidget *w : {static_cast<QWidget *>(cmdAdd_), static_cast<QWidget *>(cmdAdds_), static_cast<QWidget *>(cmdDel_),
                     static_cast<QWidget *>(cmdClr_), static_cast<QWidget *>(lstFile_), static_cast<QWidget *>(lFile_)})
    plainFont(w);

  mLst_ = new QMenu(this);
  mLst_->setObjectName(QStringLiteral("mLst"));
  mDel_ = namedAction(mLst_, QStringLiteral("移除图片"), QStringLiteral("mDel"));
  mClr_ = namedAction(mLst_, QStringLiteral("全部清空"), QStringLiteral("mClr"));
  mUndoDelFile_ = namedAction(mLst_, QStringLiteral("取消移除"), QStringLiteral("mUndoDelFile"));
  mLst_->addSeparator();
  mCopyFileName_ = namedAction(mLst_, QStringLiteral("复制文件路径"), QStringLiteral("mCopyFileName"));
  // The list's own pop-up and double click open the viewer on the original.
  QAction *mShowFSrc = namedAction(mLst_, QStringLiteral("全屏查看"), QStringLiteral("mShowFSrc"));
  connect(mShowFSrc, &QAction::triggered, this, &FileListPanel::viewRequested);
  connect(lstFile_, &QListWidget::itemDoubleClicked, this, &FileListPanel::viewRequested);
  connect(mDel_, &QAction::triggered, this, &FileListPanel::removeSelected);
  connect(mClr_, &QAction::triggered, this, &FileListPanel::clearList);
  connect(mUndoDelFile_, &QAction::triggered, this, &FileListPanel::restoreRemoved);
  connect(mCopyFileName_, &QAction::triggered, this, &FileListPanel::copyCurrentPath);
  connect(lstFile_, &QWidget::customContextMenuRequested, this, &FileListPanel::showListMenu);
  connect(cmdAdd_, &QPushButton::clicked, this, &FileListPanel::chooseAndAddFiles);
  connect(cmdAdds_, &QPushButton::clicked, this, &FileListPanel::chooseAndAddFolder);
  connect(cmdDel_, &QPushButton::clicked, this, &FileListPanel::removeSelected);
  connect(cmdClr_, &QPushButton::clicked, this, &FileListPanel::clearList);
  connect(lstFile_, &QListWidget::currentRowChanged, this, &FileListPanel::currentRowChanged);

  scan_ = new FolderScan(this);
  connect(scan_, &FolderScan::finished, this, &FileListPanel::scanDone);
}

void FileListPanel::setWaitWindow(WaitWindow *wait) {
  wait_ = wait;
  connect(scan_, &FolderScan::progress, wait_, [this](int found, const QString &folder) {
    wait_->setProgress(found, 0);
    wait_->setDetail(QDir::toNativeSeparators(folder));
  });
  connect(wait_, &WaitWindow::cancelRequested, scan_, &FolderScan::cancel);
}

QStringList FileListPanel::files() const {
  QStringList list;
  list.reserve(lstFile_->count());
  for (int i = 0; i < lstFile_->count(); ++i)
    list << lstFile_->item(i)->text();
  return list;
}

ProcessingSettings FileListPanel::job() const {
  ProcessingSettings s = model_->settings();
  s.files = files();
  if (model_->keepFolderTree() && hasTreeFolders()) {
    s.outputSubfolders.reserve(s.files.size());
    for (const QString &file : s.files)
      s.outputSubfolders << treeFolder(file);
  }
  return s;
}

int FileListPanel::count() const {
  return lstFile_->count();
}

int FileListPanel::currentRow() const {
  return lstFile_->currentRow();
}

QString FileListPanel::path(int row) const {
  const QListWidgetItem *item = lstFile_->item(row);
  return item ? item->text() : QString();
}

void FileListPanel::setCurrentRow(int row) {
  lstFile_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void FileListPanel::focusList() {
  lstFile_->setFocus();
}

void FileListPanel::appendItems(const QStringList &paths, bool makeCurrent) {
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

int FileListPanel::addFiles(const QStringList &paths) {
  QStringList list = files();
  const qsizetype before = list.size();
  const int added = appendNewPictures(list, paths);
  appendItems(list.mid(before), true);
  if (lstFile_->count() > 0)
    lstFile_->setFocus();
  return added;
}

void FileListPanel::setListEntries(const QStringList &paths, int current) {
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
  emit entriesChanged();
}

void FileListPanel::updateListState() {
  const bool any = lstFile_->count() > 0;
  lFile_->setText(countLabelText(lstFile_->count()));
  cmdDel_->setVisible(any);
  cmdClr_->setVisible(any);
  mDel_->setEnabled(any);
  mClr_->setEnabled(any);
  mCopyFileName_->setEnabled(any);
  mUndoDelFile_->setEnabled(!removed_.isEmpty());
  emit listChanged(lstFile_->count(), !removed_.isEmpty());
}

void FileListPanel::chooseAndAddFiles() {
  emit status(QStringLiteral("【提示】选择要添加的图片,可多选。"));
  const auto chosen =
      choosePictures(this, QStringLiteral("选择要添加的图片,可多选。"), model_->chooserFolder());
  if (!chosen)
    return;
  model_->setChooserFolder(QDir::fromNativeSeparators(readSetting(QStringLiteral("sODIR"), model_->chooserFolder())));
  addFiles(*chosen);
}

void FileListPanel::chooseAndAddFolder() {
  emit status(QStringLiteral("【提示】请选择文件夹,该文件夹内所有图片将被添加。"));
  const auto chosen = chooseFolder(this, QStringLiteral("请选择文件夹,该文件夹内所有图片将被添加。"),
                                   model_->chooserFolder(), true);
  if (!chosen)
    return;
  model_->setChooserFolder(chosen->folder);
  addFolder(chosen->folder, chosen->includeSubfolders);
}

void FileListPanel::addFolder(const QString &folder, bool recursive) {
  if (scan_->isRunning())
    return;
  QApplication::setOverrideCursor(Qt::BusyCursor);
  wait_->begin(0);
  wait_->setDetail(QDir::toNativeSeparators(folder));
  wait_->setCancelVisible(true);
  wait_->show();
  cmdAdds_->setEnabled(false);
  emit scanStarted();
  scanTop_ = folder;
  scan_->start(folder, recursive);
}

bool FileListPanel::isScanning() const {
  return scan_->isRunning();
}

void FileListPanel::scanDone(const QStringList &pictures, bool cancelled) {
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
  cmdAdds_->setEnabled(true);
  if (lstFile_->count() > 0) {
    lstFile_->setCurrentRow(lstFile_->count() - 1, QItemSelectionModel::ClearAndSelect);
    lstFile_->setFocus();
  }
  if (!cancelled && added > 0)
    emit status(QStringLiteral("【提示】已添加%1个图片。").arg(added));
  emit scanFinished(added);
}

void FileListPanel::removeSelected() {
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
    emit emptied();
  } else if (lastRemoved >= 0) {
    // The entry after the removed ones becomes current.
    lstFile_->setCurrentRow(std::min(lastRemoved, lstFile_->count() - 1), QItemSelectionModel::ClearAndSelect);
    emit entriesChanged();
  }
  updateListState();
}

void FileListPanel::removeEntry(int index) {
  if (index < 0 || index >= lstFile_->count())
    return;
  lstFile_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
  removeSelected();
}

void FileListPanel::restoreRemoved() {
  if (removed_.isEmpty())
    return;
  QStringList list = files();
  removed_.restoreInto(list);
  setListEntries(list, lstFile_->currentRow());
}

void FileListPanel::clearList() {
  {
    const QSignalBlocker block(lstFile_);
    lstFile_->clear();
  }
  removed_.clear();
  treeFolders_.clear();
  updateListState();
  cmdAdds_->setFocus();
  emit emptied();
}

void FileListPanel::copyCurrentPath() {
  QListWidgetItem *item = lstFile_->currentItem();
  if (!item)
    return;
  QApplication::clipboard()->setText(item->text());
  emit status(QStringLiteral("【提示】文件路径已复制:") + item->text());
}

void FileListPanel::showListMenu(const QPoint &pos) {
  if (!lstFile_->currentItem())
    return;
  mLst_->popup(lstFile_->viewport()->mapToGlobal(pos));
}

void FileListPanel::dropData(const QMimeData *data, bool makeCurrent) {
  if (!data)
    return;
  if (data->hasImage()) {
    const QImage image = qvariant_cast<QImage>(data->imageData());
    const QString path = dropFileName();
    if (!image.isNull() && image.save(path, "BMP"))
      appendItems({path}, makeCurrent);
  } else if (data->hasUrls()) {
    QStringList list = files();
    const qsizetype before = list.size();
    appendNewPictures(list, localFiles(data));
    appendItems(list.mid(before), makeCurrent);
  }
  updateListState();
}

// Delete removes the selected entries, Esc brings the last ones back; files
// and picture data dropped on the list are added.
bool FileListPanel::eventFilter(QObject *watched, QEvent *event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::KeyPress && watched == lstFile_) {
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Delete) {
      removeSelected();
      return true;
    }
    if (key->key() == Qt::Key_Escape && canRestore()) {
      restoreRemoved();
      return true;
    }
  } else if (watched == lstFile_->viewport() &&
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
  return QGroupBox::eventFilter(watched, event);
}

} // namespace kuvo
