// The main window's side of the run: what it opens when a job is refused,
// the run's signals passed on, and the run stopped before the window goes.
#include "app/file_list_panel.h"
#include "app/main_window.h"
#include "app/output_panel.h"
#include "app/run_controls.h"
#include "app/size_panel.h"

#include <QCloseEvent>

namespace kuvo {

void MainWindow::connectRun() {
  connect(run_, &RunControls::status, this, &MainWindow::ShowStatus);
  connect(run_, &RunControls::runProgressed, this, &MainWindow::runProgressed);
  connect(run_, &RunControls::runFinished, this, &MainWindow::runFinished);
  connect(run_, &RunControls::startRefused, this, [this](StartProblem problem) {
    switch (problem) {
    case StartProblem::EmptyList:
      list_->chooseAndAddFiles();
      break;
    case StartProblem::ZeroSize:
      size_->focusWidth();
      break;
    case StartProblem::NoOutputFolder:
      output_->chooseOutputFolder();
      break;
    default:
      break;
    }
  });
}

void MainWindow::closeEvent(QCloseEvent *event) {
  run_->stopAndWait();
  saveSettings();
  event->accept();
}

MainWindow::~MainWindow() {
  run_->stopAndWait();
}

} // namespace kuvo
