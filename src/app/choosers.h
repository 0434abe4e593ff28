#pragma once
// The window's choosers: add pictures, add a folder, the output folder, a
// folder of borders, the picture watermark. Each returns nothing when the
// user cancelled, and stores the folder it was confirmed in as "sODIR".
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace kuvo {

struct FolderChoice {
  QString folder;
  bool includeSubfolders = false;
};

struct WatermarkChoice {
  QString file;
  QString alphaText; // the transparency box, copied into txtAlpha
};

// Mode 1: the accepted pictures selected, in the order listed.
std::optional<QStringList> choosePictures(QWidget *parent, const QString &hint, const QString &startFolder);
// Mode 0: showSubfolders adds the "包含子文件夹内图片。" box.
std::optional<FolderChoice> chooseFolder(QWidget *parent, const QString &hint, const QString &startFolder,
                                         bool showSubfolders, const QString &pattern = QString());
// Mode 2: a picture and its transparency (start value alpha when 1..100, else 80).
std::optional<WatermarkChoice> chooseWatermark(QWidget *parent, const QString &hint, const QString &startFolder,
                                               int alpha);
// Mode 4: a skin file (*.she) of startFolder.
std::optional<QString> chooseSkin(QWidget *parent, const QString &startFolder);

} // namespace kuvo
