#include "app/choosers.h"

#include "app/chooser_dialog.h"

#include <QFileInfo>

namespace kuvo {

std::optional<QStringList> choosePictures(QWidget *parent, const QString &hint, const QString &startFolder) {
  ChooserDialog dialog(ChooserDialog::PicturesMode, parent);
  dialog.setHint(hint);
  dialog.setFolder(startFolder);
  if (dialog.exec() != QDialog::Accepted || !dialog.confirmed())
    return std::nullopt;
  return dialog.selectedPictures();
}

std::optional<FolderChoice> chooseFolder(QWidget *parent, const QString &hint, const QString &startFolder,
                                         bool showSubfolders, const QString &pattern) {
  ChooserDialog dialog(ChooserDialog::FolderMode, parent);
  dialog.setHint(hint);
  dialog.setFileListEnabled(false);
  dialog.setPreviewVisible(false);
  dialog.setSubfoldersVisible(showSubfolders);
  dialog.setFolder(startFolder);
  dialog.setPattern(pattern);
  if (dialog.exec() != QDialog::Accepted || !dialog.confirmed() || dialog.folder().isEmpty())
    return std::nullopt;
  return FolderChoice{dialog.folder(), showSubfolders && dialog.includeSubfolders()};
}

std::optional<WatermarkChoice> chooseWatermark(QWidget *parent, const QString &hint, const QString &startFolder,
                                               int alpha) {
  ChooserDialog dialog(ChooserDialog::WatermarkMode, parent);
  dialog.setHint(hint);
  dialog.setTransparencyVisible(true, alpha);
  dialog.setFolder(startFolder);
  if (dialog.exec() != QDialog::Accepted || !dialog.confirmed())
    return std::nullopt;
  // With no file focused the chooser's path is the folder itself: no picture then.
  const QString file = dialog.focusedFile();
  return WatermarkChoice{QFileInfo(file).isFile() ? file : QString(), dialog.transparencyText()};
}

std::optional<QString> chooseSkin(QWidget *parent, const QString &startFolder) {
  ChooserDialog dialog(ChooserDialog::SkinMode, parent);
  dialog.setHint(QStringLiteral("请选择皮肤文件。"));
  dialog.setPreviewVisible(false);
  dialog.setFolder(startFolder);
  dialog.setPattern(QStringLiteral("*.she"));
  if (dialog.exec() != QDialog::Accepted || !dialog.confirmed())
    return std::nullopt;
  const QString file = dialog.focusedFile();
  if (!QFileInfo(file).isFile())
    return std::nullopt;
  return file;
}

} // namespace kuvo
