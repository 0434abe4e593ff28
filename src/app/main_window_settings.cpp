// The main window and the settings store: the stored keys read into the job
// at start and after the options dialog, and written back on close.
#include "app/file_list_panel.h"
#include "app/job_model.h"
#include "app/main_window.h"
#include "app/output_panel.h"
#include "app/overlay_panel.h"
#include "app/size_panel.h"
#include "app/tile_controls.h"
#include "app/window_shell.h"
#include "app/widget_helpers.h"
#include "engine/store_keys.h"
#include "platform/program_paths.h"
#include "platform/settings_store.h"

#include <QDate>
#include <QDir>
#include <cmath>

namespace kuvo {

namespace {
// The positions of the watermarks, under the names job files use for them.
const QString TextAnchorKey = QStringLiteral("iTextPos");
const QString PictureAnchorKey = QStringLiteral("iImgPos");

// A stored position list entry; a watermark without one stands on "自定义".
int storedAnchor(const QString &key) {
  bool ok = false;
  const int v = readSetting(key).trimmed().toInt(&ok);
  return ok && v >= 0 && v <= AnchorLast ? v : AnchorFree;
}
} // namespace

// The stored keys are read into the job model with the engine's rules; the
// panels then show the model.
void MainWindow::loadSettings() {
  model_->setChooserFolder(QDir::fromNativeSeparators(readSetting(QStringLiteral("sODIR"), programDataDir())));
  KeyValues values;
  for (const QString &key : storeKeyNames())
    if (hasSetting(key))
      values.insert(key, readSetting(key));
  applyStoreKeys(job_, values);
  if (job_.textWatermarkOn)
    job_.textAnchor = storedAnchor(TextAnchorKey);
  if (job_.pictureWatermarkOn)
    job_.pictureWatermarkAnchor = storedAnchor(PictureAnchorKey);
  // A stored border that is no border entry any more means no border.
  double border = 0;
  if (hasSetting(QStringLiteral("iuBk")))
    toNumber(readSetting(QStringLiteral("iuBk")), border);
  job_.borderFile = std::abs(border) < 2147483647.0 ? overlay_->borderPathAt(int(std::nearbyint(border))) : QString();
  overlay_->showJob();
  const int sizeIndex = job_.sizeMode >= 0 && job_.sizeMode < size_->modeCount() ? job_.sizeMode : 0;
  size_->chooseMode(sizeIndex);
  loadOptionKeys();
  setOutputFolder(job_.outputFolder);
}

void MainWindow::loadOptionKeys() {
  auto integer = [](const QString &key, int &value) {
    double v = value;
    if (hasSetting(key) && toNumber(readSetting(key), v) && std::abs(v) < 2147483647.0)
      value = static_cast<int>(std::nearbyint(v));
  };
  auto flag = [&integer](const QString &key, bool &value) {
    int v = value ? 1 : 0;
    integer(key, v);
    value = v != 0;
  };
  integer(QStringLiteral("iJPGQ"), job_.jpegQuality);
  flag(QStringLiteral("bPicJQ"), job_.cropToFit);
  flag(QStringLiteral("bAutoODir"), job_.openOutputFolder);
  flag(QStringLiteral("bAutoURL"), job_.openLinkPage);
  flag(QStringLiteral("bShowURL"), job_.linkPageShowUrl);
  flag(QStringLiteral("bShowURLPic"), job_.linkPageShowPicture);
  flag(QStringLiteral("bSaveErr"), job_.saveErrorLog);
  integer(QStringLiteral("iXCutMode"), job_.cropAnchorX);
  integer(QStringLiteral("iYCutMode"), job_.cropAnchorY);
  flag(QStringLiteral("bChkResizeOpt"), job_.keepSmall);
  job_.pdfTitle = readSetting(QStringLiteral("sPDF1"), job_.pdfTitle);
  job_.pdfSignature = readSetting(QStringLiteral("sPDF2"), job_.pdfSignature);
  job_.pdfDate = readSetting(QStringLiteral("sPDF3"), QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")));
  integer(QStringLiteral("iSlideTime"), slideSeconds_);
  bool showToday = shell_->showToday();
  flag(QStringLiteral("bShowToday"), showToday);
  shell_->setShowToday(showToday);
  flag(QStringLiteral("bKeepExif"), job_.keepMetadata);
  flag(QStringLiteral("bStripGps"), job_.stripGps);
  flag(QStringLiteral("bKeepGps"), job_.keepGps);
  int existing = static_cast<int>(job_.existingFiles);
  integer(QStringLiteral("iExisting"), existing);
  if (existing >= 0 && existing <= 2)
    job_.existingFiles = static_cast<ExistingFiles>(existing);
  bool keepTree = model_->keepFolderTree();
  flag(QStringLiteral("bKeepTree"), keepTree);
  model_->setKeepFolderTree(keepTree);
  int maxKb = job_.maxJpegKb;
  integer(QStringLiteral("iMaxKB"), maxKb);
  if (maxKb >= 0)
    job_.maxJpegKb = maxKb;
  if (loaded())
    settingsChanged();
}

void MainWindow::saveSettings() {
  TileControls::saveSettings(job_);
  saveSetting(QStringLiteral("iuSize"), QString::number(job_.sizeMode));
  // The border by its list position; one added from another folder is gone
  // after a restart and is then read as no border.
  if (const int border = overlay_->borderIndexOf(job_.borderFile); border >= 0)
    saveSetting(QStringLiteral("iuBk"), QString::number(border));
  saveSetting(QStringLiteral("iuSYAlpha"), QString::number(std::lround(job_.watermarkMatrix[3 * 5 + 3] * 100)));
  saveSetting(QStringLiteral("suISyF"), job_.pictureWatermarkFile);
  saveSetting(QStringLiteral("iuISyX"), QString::number(job_.pictureWatermarkX, 'g', 17));
  saveSetting(QStringLiteral("iuISyY"), QString::number(job_.pictureWatermarkY, 'g', 17));
  saveSetting(PictureAnchorKey, QString::number(job_.pictureWatermarkAnchor));
  saveSetting(QStringLiteral("sText"), job_.text);
  saveSetting(QStringLiteral("iSize"), QString::number(job_.fontSize));
  saveSetting(QStringLiteral("sFont"), job_.fontName);
  saveSetting(QStringLiteral("lColor"), QString::number(job_.textColor));
  auto truthText = [](bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); };
  saveSetting(QStringLiteral("sBold"), truthText(job_.bold));
  saveSetting(QStringLiteral("sUnderline"), truthText(job_.underline));
  saveSetting(QStringLiteral("sItalic"), truthText(job_.italic));
  saveSetting(QStringLiteral("iuTSyX"), QString::number(job_.textX, 'g', 17));
  saveSetting(QStringLiteral("iuTSyY"), QString::number(job_.textY, 'g', 17));
  saveSetting(TextAnchorKey, QString::number(job_.textAnchor));
}

} // namespace kuvo
