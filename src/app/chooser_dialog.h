#pragma once
// frmDlg "文件夹/文件选择对话框": the program's own chooser with drives and
// places, a folder tree, a multi-select file list with a pattern, a picture
// preview, "桌面", "我的文档", "新建" and the watermark transparency box.
// The caller prepares it, runs exec() and reads the results on confirmation.
#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QScrollBar;
class QTreeView;

namespace kuvo {

class ChooserDialog : public QDialog {
  Q_OBJECT
public:
  enum Mode { FolderMode = 0, PicturesMode = 1, WatermarkMode = 2, NoActionMode = 3, SkinMode = 4 };

  explicit ChooserDialog(Mode mode, QWidget *parent = nullptr);

  Mode mode() const { return mode_; }
  void setHint(const QString &text);
  QString hint() const;
  void setFolder(const QString &folder);
  QString folder() const { return folder_; }
  void setPattern(const QString &pattern); // e.g. "*.png"; empty: every file
  void setFileListEnabled(bool on);
  void setPreviewVisible(bool on);
  void setSubfoldersVisible(bool on);
  // Shows the transparency frame, starting at stored when it lies in 1..100, else 80.
  void setTransparencyVisible(bool on, int stored);

  // Results, valid after a confirmed close.
  bool confirmed() const { return confirmed_; }
  bool includeSubfolders() const;
  QStringList selectedPictures() const; // accepted picture names, in list order, as full paths
  QString focusedFile() const;          // folder + "/" + the focused entry's name
  QString transparencyText() const;

  // The roots offered by the drive box: "/" and the mounted volumes.
  static QStringList driveRoots();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void confirm();
  void folderChosen(const QString &folder, bool fromTree);
  void fillFiles();
  void showFolderInTree();
  void fileClicked();
  void makeNewFolder();
  void goToPlace(const QString &path);

  Mode mode_;
  QString folder_;
  QString madeFolder_; // the folder the last "新建" made and selected
  QString pattern_;
  bool confirmed_ = false;
  QComboBox *drive_;
  QTreeView *tree_;
  QFileSystemModel *model_;
  QListWidget *files_;
  QLabel *hint_;
  QGroupBox *previewFrame_;
  QLabel *preview_;
  QCheckBox *subfolders_;
  QGroupBox *alphaFrame_;
  QLineEdit *alpha_;
  QScrollBar *alphaBar_;
};

} // namespace kuvo
