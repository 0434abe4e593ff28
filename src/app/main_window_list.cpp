// The main window's side of the file list: the panel's operations offered to
// the capture tools, the viewer and the tests, drops on the window, and the
// preview and menus following the list.
#include "app/file_list_panel.h"
#include "app/main_window.h"
#include "app/preview_panel.h"
#include "app/run_controls.h"
#include "app/window_menus.h"
#include "app/window_shell.h"
#include "app/wait_window.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTextBrowser>

namespace kuvo {

void MainWindow::connectFileList() {
  list_->setWaitWindow(run_->waitWindow());
  connect(list_, &FileListPanel::status, this, &MainWindow::ShowStatus);
  connect(list_, &FileListPanel::currentRowChanged, this, [this] { ReDrawPic(); });
  connect(list_, &FileListPanel::entriesChanged, this, [this] { ReDrawPic(); });
  connect(list_, &FileListPanel::emptied, this, &MainWindow::showEmptyList);
  connect(list_, &FileListPanel::viewRequested, this, [this] { openViewer(false, false); });
  connect(list_, &FileListPanel::listChanged, this, [this](int count, bool restorable) {
    const bool any = count > 0;
    menus_->setListState(any, restorable);
    if (any && shell_)
      shell_->hideNewsPage();
  });
  connect(list_, &FileListPanel::scanStarted, this, [this] { menus_->setScanning(true); });
  connect(list_, &FileListPanel::scanFinished, this, [this] {
    if (!run_->isRunning())
      run_->waitWindow()->hide();
    menus_->setScanning(false);
  });
  connect(list_, &FileListPanel::scanFinished, this, &MainWindow::scanFinished);
}

QStringList MainWindow::files() const {
  return list_->files();
}

int MainWindow::addFiles(const QStringList &paths) {
  return list_->addFiles(paths);
}

void MainWindow::appendPicture(const QString &path) {
  list_->appendItems({path}, true);
}

void MainWindow::addFolder(const QString &folder, bool recursive) {
  list_->addFolder(folder, recursive);
}

bool MainWindow::isScanning() const {
  return list_->isScanning();
}

void MainWindow::removeSelected() {
  list_->removeSelected();
}

void MainWindow::restoreRemoved() {
  list_->restoreRemoved();
}

void MainWindow::clearList() {
  list_->clearList();
}

void MainWindow::copyCurrentPath() {
  list_->copyCurrentPath();
}

bool MainWindow::canRestore() const {
  return list_->canRestore();
}

void MainWindow::dropData(const QMimeData *data, bool onList) {
  list_->dropData(data, onList);
}

// The list's signals were blocked while it emptied, so the current-entry
// handlers did not run: the preview, its arrows, thumbnail, caption box and
// the title are reset here.
void MainWindow::showEmptyList() {
  currentEntryChanged(-1);
  preview_->showIdle();
  ShowStatus(IdleStatus);
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
