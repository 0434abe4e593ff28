#pragma once
// "1.添加要处理的图片": the list of pictures to process, its buttons and
// pop-up, adding files and folders (scanned in the background), dropping,
// removing and restoring entries.
#include "app/window_rules.h"
#include "engine/processing_settings.h"

#include <QGroupBox>
#include <QHash>

class QLabel;
class QListWidget;
class QMenu;
class QMimeData;
class QPushButton;

namespace kuvo {

class FolderScan;
class JobModel;
class WaitWindow;

class FileListPanel : public QGroupBox {
  Q_OBJECT
public:
  explicit FileListPanel(JobModel *model, QWidget *parent = nullptr);
  // The folder scan reports into the wait window and can be cancelled there.
  void setWaitWindow(WaitWindow *wait);

  QStringList files() const;
  // The model's job with the list in order, and the folders below the output
  // folder when the added folders' trees are kept.
  ProcessingSettings job() const;
  int count() const;
  int currentRow() const;
  QString path(int row) const;
  void setCurrentRow(int row); // selects that entry only

  int addFiles(const QStringList &paths); // accepted, not yet listed
  void appendItems(const QStringList &paths, bool makeCurrent);
  void addFolder(const QString &folder, bool recursive);
  bool isScanning() const;
  void removeSelected();
  void removeEntry(int index);
  void restoreRemoved();
  void clearList();
  void copyCurrentPath();
  bool canRestore() const { return !removed_.isEmpty(); }
  // Dropped picture data or files; makeCurrent: the last one added becomes current.
  void dropData(const QMimeData *data, bool makeCurrent);

  // The folder below the output folder that keeps an added folder's tree
  // for a picture found in it; empty for the others.
  QString treeFolder(const QString &file) const { return treeFolders_.value(file); }
  bool hasTreeFolders() const { return !treeFolders_.isEmpty(); }

  void chooseAndAddFiles();
  void chooseAndAddFolder();
  void focusList();
  // The count label, the buttons and the pop-up follow the list.
  void updateListState();

signals:
  void status(const QString &text);
  void currentRowChanged(int row);
  void viewRequested();                    // the original of the current entry, full screen
  void entriesChanged();                   // entries went or came back: the preview is redone
  void emptied();                          // no entry left
  void listChanged(int count, bool canRestore);
  void scanStarted();
  void scanFinished(int added);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void setListEntries(const QStringList &paths, int current);
  void scanDone(const QStringList &pictures, bool cancelled);
  void showListMenu(const QPoint &pos);

  JobModel *model_;
  QListWidget *lstFile_ = nullptr;
  QLabel *lFile_ = nullptr;
  QPushButton *cmdAdd_ = nullptr, *cmdAdds_ = nullptr, *cmdDel_ = nullptr, *cmdClr_ = nullptr;
  QMenu *mLst_ = nullptr;
  QAction *mDel_ = nullptr, *mClr_ = nullptr, *mUndoDelFile_ = nullptr, *mCopyFileName_ = nullptr;
  RemovedStack removed_;
  QString scanTop_;                       // the folder being scanned
  QHash<QString, QString> treeFolders_;   // picture -> folder below the output folder
  FolderScan *scan_ = nullptr;
  WaitWindow *wait_ = nullptr;
};

} // namespace kuvo
