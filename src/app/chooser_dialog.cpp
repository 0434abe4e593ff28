#include "app/chooser_dialog.h"

#include "app/window_rules.h"
#include "engine/native_names.h"
#include "engine/picture_files.h"
#include "platform/settings_store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace kuvo {

namespace {
// The first click into the transparency box selects it, once per program run.
bool alphaBoxClicked = false;

QString rootOf(const QString &folder, const QStringList &roots) {
  QString best = QStringLiteral("/");
  for (const QString &root : roots)
    if ((folder == root || folder.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'))) &&
        root.size() > best.size())
      best = root;
  return best;
}
} // namespace

QStringList ChooserDialog::driveRoots() {
  QStringList roots;
  for (const QFileInfo &drive : QDir::drives())
    roots << QDir::cleanPath(drive.absoluteFilePath());
  for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
    const QString root = QDir::cleanPath(volume.rootPath());
    if (!volume.isValid() || !volume.isReady() || roots.contains(root))
      continue;
    // Pseudo file systems are no places for pictures.
    const QByteArray type = volume.fileSystemType();
    if (type == "proc" || type == "sysfs" || type == "devpts" || type == "cgroup" || type == "cgroup2" ||
        type == "tmpfs" || type == "devtmpfs" || type == "mqueue" || type == "overlay" || type == "securityfs" ||
        type == "debugfs" || type == "tracefs" || type == "pstore" || type == "bpf" || type == "fusectl" ||
        type == "configfs" || type == "hugetlbfs" || type == "autofs" || type == "binfmt_misc" || type == "nsfs")
      continue;
    roots << root;
  }
  return roots;
}

ChooserDialog::ChooserDialog(Mode mode, QWidget *parent) : QDialog(parent), mode_(mode) {
  setObjectName(QStringLiteral("frmDlg"));
  setWindowTitle(QStringLiteral("文件夹/文件选择对话框"));

  hint_ = new QLabel(QStringLiteral("请选择目录或文件。"), this);
  hint_->setObjectName(QStringLiteral("Label1"));
  hint_->setTextFormat(Qt::PlainText);
  hint_->setWordWrap(true);

  drive_ = new QComboBox(this);
  drive_->setObjectName(QStringLiteral("Drive1"));
  drive_->addItems(driveRoots());

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
  model_->setRootPath(QString());
  tree_ = new QTreeView(this);
  tree_->setObjectName(QStringLiteral("Dir1"));
  tree_->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column)
    tree_->hideColumn(column);
  tree_->header()->hide();
  tree_->setMinimumWidth(220);

  files_ = new QListWidget(this);
  files_->setObjectName(QStringLiteral("File1"));
  files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  files_->setMinimumWidth(200);

  previewFrame_ = new QGroupBox(QStringLiteral("图片预览"), this);
  previewFrame_->setObjectName(QStringLiteral("Frame1"));
  preview_ = new QLabel(previewFrame_);
  preview_->setObjectName(QStringLiteral("Image1"));
  preview_->setFixedSize(200, 180);
  preview_->setAlignment(Qt::AlignCenter);
  auto *previewLayout = new QVBoxLayout(previewFrame_);
  previewLayout->addWidget(preview_);
  previewLayout->addStretch();

  subfolders_ = new QCheckBox(QStringLiteral("包含子文件夹内图片。"), this);
  subfolders_->setObjectName(QStringLiteral("chkSelAll"));
  subfolders_->hide();

  alphaFrame_ = new QGroupBox(QStringLiteral("透明度"), this);
  alphaFrame_->setObjectName(QStringLiteral("frmSY"));
  alpha_ = new QLineEdit(QStringLiteral("80"), alphaFrame_);
  alpha_->setObjectName(QStringLiteral("txtSYAlpha"));
  alpha_->setMaximumWidth(50);
  alphaBar_ = new QScrollBar(Qt::Horizontal, alphaFrame_);
  alphaBar_->setObjectName(QStringLiteral("HScroll1"));
  alphaBar_->setRange(0, 100);
  alphaBar_->setValue(80);
  auto *alphaLayout = new QHBoxLayout(alphaFrame_);
  alphaLayout->addWidget(alphaBar_, 1);
  alphaLayout->addWidget(alpha_);
  alphaFrame_->hide();

  auto button = [this](const QString &text, const char *name) {
    auto *b = new QPushButton(text, this);
    b->setObjectName(QLatin1String(name));
    return b;
  };
  QPushButton *desktop = button(QStringLiteral("桌面"), "cmdDir0");
  QPushButton *documents = button(QStringLiteral("我的文档"), "cmdDir1");
  QPushButton *newFolder = button(QStringLiteral("新建"), "cmdDirNew");
  QPushButton *ok = button(QStringLiteral("确定"), "cmdOK");
  QPushButton *cancel = button(QStringLiteral("取消"), "cmdCancel");
  ok->setDefault(true);

  auto *left = new QVBoxLayout;
  left->addWidget(drive_);
  left->addWidget(tree_, 1);
  auto *lists = new QHBoxLayout;
  lists->addLayout(left, 3);
  lists->addWidget(files_, 3);
  lists->addWidget(previewFrame_);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(desktop);
  buttons->addWidget(documents);
  buttons->addWidget(newFolder);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(hint_);
  layout->addLayout(lists, 1);
  layout->addWidget(subfolders_);
  layout->addWidget(alphaFrame_);
  layout->addLayout(buttons);
  resize(760, 460);

  connect(drive_, &QComboBox::textActivated, this, [this](const QString &root) { folderChosen(root, false); });
  connect(tree_, &QTreeView::clicked, this, [this](const QModelIndex &index) {
    folderChosen(model_->filePath(index), true);
    hint_->setText(QStringLiteral("您选择的是\"") + QDir::toNativeSeparators(folder_) + QStringLiteral("\"文件夹。"));
  });
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &index) {
    if (index.isValid() && model_->filePath(index) != folder_)
      folderChosen(model_->filePath(index), true);
  });
  // The model lists folders in the background: show the folder again once its parents are read.
  connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString &path) {
    if (folder_.startsWith(path))
      showFolderInTree();
  });
  connect(files_, &QListWidget::itemClicked, this, [this] { fileClicked(); });
  connect(files_, &QListWidget::itemDoubleClicked, this, [this] { confirm(); });
  connect(desktop, &QPushButton::clicked, this,
          [this] { goToPlace(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)); });
  connect(documents, &QPushButton::clicked, this,
          [this] { goToPlace(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)); });
  connect(newFolder, &QPushButton::clicked, this, &ChooserDialog::makeNewFolder);
  connect(ok, &QPushButton::clicked, this, &ChooserDialog::confirm);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(alphaBar_, &QScrollBar::valueChanged, this, [this](int v) {
    if (alpha_->text().toInt() != v || alpha_->text().isEmpty())
      alpha_->setText(QString::number(v));
  });
  connect(alpha_, &QLineEdit::textChanged, this, [this](const QString &t) {
    bool ok = false;
    const int v = t.trimmed().toInt(&ok);
    if (ok) {
      const QSignalBlocker block(alphaBar_);
      alphaBar_->setValue(v);
    }
  });
  alpha_->installEventFilter(this);

  if (mode_ == SkinMode)
    setWindowTitle(QStringLiteral("请选择皮肤文件"));
  if (mode_ == PicturesMode || mode_ == WatermarkMode)
    pattern_ = pictureNameFilters(mode_ == PicturesMode).join(QLatin1Char(';'));
  setFolder(QDir::homePath());
}

void ChooserDialog::setHint(const QString &text) {
  hint_->setText(text);
}
QString ChooserDialog::hint() const {
  return hint_->text();
}

void ChooserDialog::setFolder(const QString &folder) {
  QString clean = QDir::cleanPath(QDir::fromNativeSeparators(folder));
  if (clean.isEmpty() || !QFileInfo(clean).isDir())
    clean = QDir::homePath();
  folderChosen(clean, false);
}

void ChooserDialog::folderChosen(const QString &folder, bool fromTree) {
  if (folder != madeFolder_)
    madeFolder_.clear();
  folder_ = folder;
  const QString root = rootOf(folder, driveRoots());
  const int driveIndex = drive_->findText(root);
  if (driveIndex >= 0 && drive_->currentIndex() != driveIndex) {
    const QSignalBlocker block(drive_);
    drive_->setCurrentIndex(driveIndex);
  }
  if (!fromTree) {
    tree_->setRootIndex(model_->index(root));
    showFolderInTree();
  }
  fillFiles();
}

void ChooserDialog::showFolderInTree() {
  const QModelIndex index = model_->index(folder_);
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
    tree_->expand(up);
  const QSignalBlocker block(tree_->selectionModel());
  tree_->setCurrentIndex(index);
  tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void ChooserDialog::setPattern(const QString &pattern) {
  pattern_ = pattern;
  fillFiles();
}

void ChooserDialog::fillFiles() {
  files_->clear();
  preview_->clear();
  const QStringList filters = pattern_.isEmpty() ? QStringList() : pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  // The engine's listing also shows names that are not UTF-8 (GBK).
  for (const FolderEntry &entry : folderEntries(folder_))
    if (entry.isFile && (filters.isEmpty() || QDir::match(filters, entry.name)))
      files_->addItem(entry.name);
}

void ChooserDialog::setFileListEnabled(bool on) {
  files_->setEnabled(on);
}
void ChooserDialog::setPreviewVisible(bool on) {
  previewFrame_->setVisible(on);
}
void ChooserDialog::setSubfoldersVisible(bool on) {
  subfolders_->setVisible(on);
}

void ChooserDialog::setTransparencyVisible(bool on, int stored) {
  alphaFrame_->setVisible(on);
  const int start = stored >= 1 && stored <= 100 ? stored : 80;
  alpha_->setText(QString::number(start));
  alphaBar_->setValue(start);
}

bool ChooserDialog::includeSubfolders() const {
  return subfolders_->isChecked();
}

QStringList ChooserDialog::selectedPictures() const {
  QStringList paths;
  for (int i = 0; i < files_->count(); ++i) {
    const QListWidgetItem *item = files_->item(i);
    if (item->isSelected() && isAcceptedPicture(item->text()))
      paths << QDir(folder_).filePath(item->text());
  }
  return paths;
}

QString ChooserDialog::focusedFile() const {
  const QListWidgetItem *item = files_->currentItem();
  return QDir(folder_).filePath(item ? item->text() : QString()) + (item ? QString() : QStringLiteral("/"));
}

QString ChooserDialog::transparencyText() const {
  return alpha_->text();
}

void ChooserDialog::fileClicked() {
  const QListWidgetItem *item = files_->currentItem();
  if (!item)
    return;
  const QString path = QDir(folder_).filePath(item->text());
  if (previewFrame_->isVisible() || previewFrame_->isVisibleTo(this)) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QSize full = reader.size();
    if (full.isValid() && !full.isEmpty())
      reader.setScaledSize(full.scaled(preview_->size(), Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull())
      preview_->clear();
    else
      preview_->setPixmap(QPixmap::fromImage(image));
  }
  hint_->setText(QStringLiteral("您选择的是\"") + QDir::toNativeSeparators(path) + QStringLiteral("\"等共") +
                 QString::number(files_->selectedItems().size()) + QStringLiteral("个文件。"));
}

// The new folder is selected, so "确定" takes it; a further press makes the
// next one beside it ("新建文件夹( 2)"), not inside it.
void ChooserDialog::makeNewFolder() {
  QString base = folder_;
  if (!madeFolder_.isEmpty() && folder_ == madeFolder_)
    base = QFileInfo(folder_).absolutePath();
  const QString made = createNewFolder(base);
  if (made.isEmpty())
    return;
  folderChosen(made, false);
  madeFolder_ = made;
}

void ChooserDialog::goToPlace(const QString &path) {
  if (!path.isEmpty() && QFileInfo(path).isDir())
    folderChosen(QDir::cleanPath(path), false);
}

void ChooserDialog::confirm() {
  confirmed_ = true;
  if (!folder_.isEmpty())
    saveSetting(QStringLiteral("sODIR"), QDir::toNativeSeparators(folder_));
  accept();
}

bool ChooserDialog::eventFilter(QObject *watched, QEvent *event) {
  if (watched == alpha_ && event->type() == QEvent::MouseButtonPress && !alphaBoxClicked) {
    alphaBoxClicked = true;
    QTimer::singleShot(0, alpha_, &QLineEdit::selectAll);
  }
  return QDialog::eventFilter(watched, event);
}

} // namespace kuvo
