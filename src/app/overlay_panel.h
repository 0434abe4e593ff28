#pragma once
// "3.添加边框和水印": the border list and its folder, the text watermark (its
// tick, the text dialog, position and size), the picture watermark (its tick,
// the chooser, position, opacity and scale) and the tile controls. Edits the
// job's overlay group.
#include <QGroupBox>
#include <QSet>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace kuvo {

class JobModel;
class TileControls;
struct ProcessingSettings;

class OverlayPanel : public QGroupBox {
  Q_OBJECT
public:
  explicit OverlayPanel(JobModel *model, QWidget *parent = nullptr);

  // Border list: adds the *.png of folder, chooses the last one added.
  void addBorderFolder(const QString &folder);
  // Fit-to-border needs a border: the first one is chosen.
  void fitBorderChosen();
  // The border list position of a path (0 = "无边框"), -1 when not listed;
  // the path of a border entry, empty for "无边框" and out-of-range positions.
  int borderIndexOf(const QString &path) const;
  QString borderPathAt(int index) const;
  // The caption of the border in force, "无边框" for none.
  QString borderName() const;

  // The text dialog; afterwards the tick is set when a text is set.
  void openTextDialog();
  // The watermark chooser; true when a watermark file is set afterwards.
  bool choosePictureWatermark();
  // The chooser, then the tick when a file is set (the menu commands).
  void choosePictureAndTick();

  // A loaded job, each control through its own handler.
  void applyJob(const ProcessingSettings &job);
  // Shows the job's overlay fields as they stand, without running handlers.
  void showJob();

signals:
  void status(const QString &text);
  // A position list entry was chosen (before the preview refreshes).
  void positionChosen(bool text, int index);
  // "无边框" was chosen while the size follows the border.
  void borderCleared();
  // The scale slider moved: the preview takes the focus back.
  void previewFocusWanted();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  ProcessingSettings &job();
  bool loaded() const;
  void fillBorderList();
  void borderChosen(int index);
  void chooseBorderFolder();
  void textWatermarkToggled(bool on);
  void pictureWatermarkToggled(bool on);
  void listChosen(bool text, int index);
  void updateTextLabel();
  void updatePictureLabel();
  void updateTileControls();
  void announce();

  JobModel *model_;
  QComboBox *cmbBK_ = nullptr, *cmbPos_ = nullptr, *cmbPosImg_ = nullptr;
  QLineEdit *txtSize_ = nullptr, *txtAlpha_ = nullptr;
  QCheckBox *chkInfoTxt_ = nullptr, *chkInfoImg_ = nullptr;
  QLabel *lTxt_ = nullptr, *lSY_ = nullptr, *lScale_ = nullptr;
  QSlider *hscSY_ = nullptr;
  TileControls *tileControls_ = nullptr; // angle, spacing and text opacity of "平铺"
  QStringList borderPaths_;              // by border list position; 0 = "无边框"
  int lastBorderIndex_ = 0;
  QSet<QObject *> firstClickDone_;
};

} // namespace kuvo
