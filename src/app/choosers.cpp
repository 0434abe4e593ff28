#include "app/choosers.h"

#include "app/window_rules.h"
#include "engine/picture_files.h"
#include "platform/settings_store.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

namespace kuvo {

namespace {
QString existingFolder(const QString &folder) {
  return !folder.isEmpty() && QDir(folder).exists() ? folder : QDir::homePath();
}

// The chooser is Qt's own (non-native) dialog so it looks and behaves the same
// everywhere and tests can drive it; extra controls go below its grid.
void prepare(QFileDialog &dialog, const QString &hint) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setObjectName(QStringLiteral("frmDlg"));
  dialog.setWindowTitle(QStringLiteral("文件夹/文件选择对话框"));
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("确定"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
  dialog.setLabelText(QFileDialog::LookIn, hint);
}

void addBelow(QFileDialog &dialog, QWidget *widget) {
  if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
    grid->addWidget(widget, grid->rowCount(), 0, 1, grid->columnCount());
}

void storeFolder(const QString &folder) {
  if (!folder.isEmpty())
    saveSetting(QStringLiteral("sODIR"), QDir::toNativeSeparators(folder));
}
} // namespace

std::optional<QStringList> choosePictures(QWidget *parent, const QString &hint, const QString &startFolder) {
  QFileDialog dialog(parent);
  prepare(dialog, hint);
  dialog.setDirectory(existingFolder(startFolder));
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilter(QStringLiteral("图片文件 (*.jpg *.JPG *.bmp *.BMP *.gif *.GIF *.png *.PNG *.tiff *.TIFF);;所有文件 (*)"));
  if (dialog.exec() != QDialog::Accepted)
    return std::nullopt;
  storeFolder(dialog.directory().absolutePath());
  QStringList accepted;
  for (const QString &file : dialog.selectedFiles())
    if (isAcceptedPicture(file))
      accepted << file;
  return accepted;
}

std::optional<FolderChoice> chooseFolder(QWidget *parent, const QString &hint, const QString &startFolder,
                                         bool showSubfolders, const QString &pattern) {
  QFileDialog dialog(parent);
  prepare(dialog, hint);
  dialog.setDirectory(existingFolder(startFolder));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  if (!pattern.isEmpty())
    dialog.setNameFilter(pattern);
  QCheckBox *subfolders = nullptr;
  if (showSubfolders) {
    subfolders = new QCheckBox(QStringLiteral("包含子文件夹内图片。"), &dialog);
    subfolders->setObjectName(QStringLiteral("chkSelAll"));
    addBelow(dialog, subfolders);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  FolderChoice choice;
  choice.folder = QDir::cleanPath(dialog.selectedFiles().constFirst());
  choice.includeSubfolders = subfolders && subfolders->isChecked();
  storeFolder(choice.folder);
  return choice;
}

std::optional<WatermarkChoice> chooseWatermark(QWidget *parent, const QString &hint, const QString &startFolder,
                                               int alpha) {
  QFileDialog dialog(parent);
  prepare(dialog, hint);
  dialog.setDirectory(existingFolder(startFolder));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("图片文件 (*.png *.PNG *.gif *.GIF *.jpg *.JPG *.bmp *.BMP *.tiff *.TIFF);;所有文件 (*)"));

  auto *frame = new QWidget(&dialog);
  frame->setObjectName(QStringLiteral("frmSY"));
  auto *row = new QHBoxLayout(frame);
  row->setContentsMargins(0, 0, 0, 0);
  auto *box = new QLineEdit(frame);
  box->setObjectName(QStringLiteral("txtSYAlpha"));
  box->setMaximumWidth(50);
  auto *slider = new QSlider(Qt::Horizontal, frame);
  slider->setObjectName(QStringLiteral("HScroll1"));
  slider->setRange(0, 100);
  row->addWidget(new QLabel(QStringLiteral("透明度"), frame));
  row->addWidget(slider, 1);
  row->addWidget(box);
  const int start = alpha >= 1 && alpha <= 100 ? alpha : 80;
  box->setText(QString::number(start));
  slider->setValue(start);
  QObject::connect(slider, &QSlider::valueChanged, box, [box](int v) {
    if (box->text().toInt() != v)
      box->setText(QString::number(v));
  });
  QObject::connect(box, &QLineEdit::textChanged, slider, [slider](const QString &t) {
    bool ok = false;
    const int v = t.toInt(&ok);
    if (ok)
      slider->setValue(v);
  });
  addBelow(dialog, frame);

  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  storeFolder(dialog.directory().absolutePath());
  return WatermarkChoice{dialog.selectedFiles().constFirst(), box->text()};
}

} // namespace kuvo
