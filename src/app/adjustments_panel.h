#pragma once
// The picture adjustments: rotation (menu "方向旋转" and the bar `Frame4`),
// the effects menu, the colour channels (menu "色彩通道", the side buttons
// and boxes `txtRGB`), the brightness panel `frmTZ` and the colour matrix
// panel `frmeJZ`. Owns these controls wherever the window places them and
// edits the job's adjustment group.
#include "engine/color_matrix.h"

#include <QObject>

class QAction;
class QFrame;
class QGroupBox;
class QLineEdit;
class QMenu;
class QSlider;
class QVBoxLayout;
class QWidget;

namespace kuvo {

class JobModel;
struct ProcessingSettings;

class AdjustmentsPanel : public QObject {
  Q_OBJECT
public:
  explicit AdjustmentsPanel(JobModel *model, QObject *parent = nullptr);

  // The menu entries, added to the window's menus.
  void fillRotationMenu(QMenu *menu);
  void fillChannelMenu(QMenu *menu);
  void fillEffectsMenu(QMenu *menu);
  // The controls; built after the menus, whose entries they share.
  QFrame *buildRotationBar();
  void addChannelRows(QWidget *strip, QVBoxLayout *layout);
  QGroupBox *buildBrightnessPanel(QWidget *parent);
  QGroupBox *buildMatrixPanel(QWidget *parent);

  void showBrightnessPanel();   // "调整亮度..."
  void showMatrixPanel();       // "高级...": the matrix in force into the boxes
  void chooseEffect(int index); // an entry of the effects menu, as if chosen

  // A loaded job, through the handlers.
  void applyJob(const ProcessingSettings &job);

signals:
  void status(const QString &text);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  ProcessingSettings &job();
  void rotationChosen(int index);
  void effectChosen(int index);
  void channelToggled(int channel, bool on);
  void channelBoxesChanged();
  void matrixBoxChanged(int cell);
  void showChannels(const ColorMatrix &matrix);

  JobModel *model_;
  QAction *mPRT_[8] = {};
  QAction *mPCR_[3] = {};
  QAction *mTX_[13] = {};
  QAction *mTXUndo_ = nullptr;
  QSlider *sldLD_ = nullptr;
  QGroupBox *frmTZ_ = nullptr, *frmeJZ_ = nullptr;
  QLineEdit *txtRGB_[3] = {};
  QLineEdit *Text1_[25] = {};
  ColorMatrix savedMatrix_{}; // restored by "取消" of the matrix panel
  bool updatingChannels_ = false;
};

} // namespace kuvo
