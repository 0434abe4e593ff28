#pragma once
// frmMain: the file list, the job panels, the preview of the current entry,
// the menus and the status line, and the batch run started from the window.
#include "app/option_dialog.h"
#include "app/placement.h"
#include "app/window_rules.h"
#include "engine/processing_settings.h"
#include "engine/size_presets.h"

#include <QHash>
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <memory>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMimeData;
class QPushButton;
class QToolButton;
class QTimer;

namespace kuvo {

enum class ViewerMode;
class AdjustmentsPanel;
class FileListPanel;
class JobModel;
class OutputPanel;
class OverlayPanel;
class PreviewPanel;
class SizePanel;
class ToolStrips;
class WindowMenus;
class WindowShell;
class RunControls;

class MainWindow : public QMainWindow {
  Q_OBJECT
public:
  explicit MainWindow(QWidget *parent = nullptr);
  ~MainWindow() override;

  // ShowStatus: one line, long texts shortened.
  void ShowStatus(const QString &text);
  QString statusText() const;

  // The job as it stands: the panel's values and the list in order.
  ProcessingSettings jobSettings() const;
  QStringList files() const;

  // File list operations (also used by the capture tools and the chooser).
  int addFiles(const QStringList &paths);                // accepted, not yet listed
  void appendPicture(const QString &path);               // without the duplicate test
  void addFolder(const QString &folder, bool recursive); // scanned in the background
  bool isScanning() const;
  void removeSelected();
  void restoreRemoved();
  void clearList();
  void copyCurrentPath();
  bool canRestore() const;
  // Handles dropped data; onList: dropped on the list or the preview.
  void dropData(const QMimeData *data, bool onList);

  void setOutputFolder(const QString &folder);

  // ReDrawPic: recompute the preview of the current entry.
  void ReDrawPic();
  PreviewPanel *preview() const { return preview_; }

  // The viewer, the capture tools and the Word import.
  void openViewer(bool processed, bool cropMode);
  void openViewer(bool processed, bool cropMode, ViewerMode mode);
  // The viewer commands, with their checks and hints.
  void showOriginalFullScreen();  // "全屏查看原图"
  void showProcessedFullScreen(); // "全屏预览处理图"
  void browseOriginals(ViewerMode mode); // "多图列表浏览原图", "幻灯片模式浏览原图"
  void startScreenCapture();
  void startWebcam();
  void importWordPictures();
  // "开始处理", "停止处理", the wait window and the upload parameters.
  RunControls *runControls() const { return run_; }

  // The settings store: read at start, written on close.
  void loadSettings();
  void saveSettings();
  // Re-reads the keys the options dialog writes (JPEG quality, crop, after-run
  // switches, PDF texts) into the job and refreshes the preview.
  void loadOptionKeys();

  // frmOption on the job's values: the options (face Options) or the PDF
  // texts (face Pdf). Returns true when confirmed (the keys are then stored
  // and re-read).
  bool openOptions(frmOption::Face face);
  OptionValues optionValues() const;

  // A whole job in one file (the list is not part of it).
  bool saveJob(const QString &path);
  bool loadJob(const QString &path);

  // The pictures named on the command line (arguments after the program).
  void openCommandLine(const QStringList &arguments);

  // The menu bar (with the skin menu), and the info row and news page.
  WindowMenus *menus() const { return menus_; }
  WindowShell *shell() const { return shell_; }

signals:
  void scanFinished(int added);
  void runProgressed(int done, int total); // after each picture of a run
  void runFinished();

protected:
  void closeEvent(QCloseEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

private:
  // Building the window.
  void connectMenus();
  void connectFileList();
  QWidget *buildPreviewArea();
  QWidget *buildSideStrip();
  void connectPanel();
  void connectRun();

  // File list.
  void showEmptyList(); // no entry left: idle preview, title and status

  // Panel handlers.
  // The preview's part of a position list choice.
  void positionChosen(bool text, int index);
  void settingsChanged();       // refresh the preview and hand the change to a running job
  void setLivePreview(bool on); // the "实时预览" switch and its two menu ticks

  void connectPreview();
  void buildPreviewExtras(); // placement entries, caption box, arrows, thumbnail, strips
  void buildCropButton();
  void refreshInfoPanel();
  void applyJob(const ProcessingSettings &loaded);
  void currentEntryChanged(int row);

  // Controls, named as in the window design.
  QLabel *lInfo_ = nullptr;
  PreviewPanel *preview_ = nullptr; // picImg
  QMenu *mImgOpt_ = nullptr;
  QAction *mShowOn_ = nullptr;
  WindowMenus *menus_ = nullptr;
  WindowShell *shell_ = nullptr;

  // Job state: the model every panel edits. job_ is the not yet panelled
  // code's way into the same settings.
  JobModel *model_;
  ProcessingSettings &job_;
  FileListPanel *list_ = nullptr;
  SizePanel *size_ = nullptr;
  OutputPanel *output_ = nullptr;
  OverlayPanel *overlay_ = nullptr;
  AdjustmentsPanel *adjust_ = nullptr;
  bool loaded() const;

  // Background work.
  RunControls *run_ = nullptr;

  QAction *mXYPos_ = nullptr; // "坐标定位", available in move mode

  // Options kept by the window beyond the job.
  int slideSeconds_ = 3;
  bool newVersion_ = false; // "bNewVer" is written, never read back
  QFrame *frame3_ = nullptr, *frame4_ = nullptr;
  ToolStrips *strips_ = nullptr;
};

} // namespace kuvo
