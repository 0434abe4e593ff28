// The main window and the settings store: the stored keys read into the job
// at start and after the options dialog, and written back on close.
#include "app/file_list_panel.h"
#include "app/job_model.h"
#include "app/main_window.h"
#include "app/output_panel.h"
#include "app/size_panel.h"
#include "app/tile_controls.h"
#include "app/widget_helpers.h"
#include "platform/program_paths.h"
#include "platform/settings_store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QLineEdit>
#include <cmath>

namespace kuvo {

// Settings store: keys 1-31 in their order, with their dependencies.
void MainWindow::loadSettings() {
  auto number = [](const QString &key, double &value) {
    if (hasSetting(key))
      toNumber(readSetting(key), value);
  };
  auto integer = [&number](const QString &key, int &value) {
    double v = value;
    number(key, v);
    if (std::abs(v) < 2147483647.0)
      value = static_cast<int>(std::nearbyint(v));
  };
  auto truth = [](const QString &key, bool &value) {
    const QString v = readSetting(key).trimmed();
    if (v.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || v == QLatin1String("1"))
      value = true;
    else if (v.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || v == QLatin1String("0"))
      value = false;
  };

  // 1. the last chooser folder
  model_->setChooserFolder(QDir::fromNativeSeparators(readSetting(QStringLiteral("sODIR"), programDataDir())));
  // 2. watermark opacity
  int alpha = 80;
  integer(QStringLiteral("iuSYAlpha"), alpha);
  txtAlpha_->setText(QString::number(alpha));
  job_.watermarkMatrix[3 * 5 + 3] = alpha / 100.0f;
  // 3. size and border selections, after both lists are filled
  int sizeIndex = 0, borderIndex = 0;
  integer(QStringLiteral("iuSize"), sizeIndex);
  integer(QStringLiteral("iuBk"), borderIndex);
  if (sizeIndex < 0 || sizeIndex >= size_->modeCount())
    sizeIndex = 0;
  // A stored border that is no border entry any more means no border.
  if (borderIndex < 0 || borderIndex >= cmbBK_->count() - 2)
    borderIndex = 0;
  if (cmbBK_->currentIndex() == borderIndex)
    borderChosen(borderIndex);
  else
    cmbBK_->setCurrentIndex(borderIndex);
  size_->chooseMode(sizeIndex);
  // 4. text watermark
  job_.text = readSetting(QStringLiteral("sText"));
  integer(QStringLiteral("iSize"), job_.fontSize);
  {
    const QSignalBlocker block(txtSize_);
    txtSize_->setText(QString::number(job_.fontSize));
  }
  job_.fontName = readSetting(QStringLiteral("sFont"), job_.fontName);
  double color = job_.textColor;
  number(QStringLiteral("lColor"), color);
  if (color >= 0 && color <= 4294967295.0)
    job_.textColor = static_cast<quint32>(std::llround(color));
  truth(QStringLiteral("sBold"), job_.bold);
  truth(QStringLiteral("sUnderline"), job_.underline);
  truth(QStringLiteral("sItalic"), job_.italic);
  if (!job_.text.isEmpty()) {
    double x = 0, y = 0;
    number(QStringLiteral("iuTSyX"), x);
    number(QStringLiteral("iuTSyY"), y);
    chkInfoTxt_->setChecked(true);
    cmbPos_->setCurrentIndex(AnchorFree);
    job_.textAnchor = AnchorFree;
    job_.textX = x;
    job_.textY = y;
  }
  updateTextLabel();
  // 5. picture watermark
  job_.pictureWatermarkFile = readSetting(QStringLiteral("suISyF"));
  if (!job_.pictureWatermarkFile.isEmpty()) {
    double x = 0, y = 0;
    number(QStringLiteral("iuISyX"), x);
    number(QStringLiteral("iuISyY"), y);
    chkInfoImg_->setChecked(true);
    cmbPosImg_->setCurrentIndex(AnchorFree);
    job_.pictureWatermarkAnchor = AnchorFree;
    job_.pictureWatermarkX = x;
    job_.pictureWatermarkY = y;
  }
  updatePictureLabel();
  // 6. keys 17-30
  loadOptionKeys();
  TileControls::loadSettings(job_);
  tileControls_->showValues(job_);
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
  flag(QStringLiteral("bShowToday"), showToday_);
  flag(QStringLiteral("bKeepExif"), job_.keepMetadata);
  flag(QStringLiteral("bStripGps"), job_.stripGps);
  flag(QStringLiteral("bKeepGps"), job_.keepGps);
  int existing = static_cast<int>(job_.existingFiles);
  integer(QStringLiteral("iExisting"), existing);
  if (existing >= 0 && existing <= 2)
    job_.existingFiles = static_cast<ExistingFiles>(existing);
  flag(QStringLiteral("bKeepTree"), keepFolderTree_);
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
  const int border = cmbBK_->currentIndex();
  if (border >= 0 && border < cmbBK_->count() - 2)
    saveSetting(QStringLiteral("iuBk"), QString::number(border));
  saveSetting(QStringLiteral("iuSYAlpha"), txtAlpha_->text());
  saveSetting(QStringLiteral("suISyF"), job_.pictureWatermarkFile);
  saveSetting(QStringLiteral("iuISyX"), QString::number(job_.pictureWatermarkX, 'g', 17));
  saveSetting(QStringLiteral("iuISyY"), QString::number(job_.pictureWatermarkY, 'g', 17));
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
}

} // namespace kuvo
