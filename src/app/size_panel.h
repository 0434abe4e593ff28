#pragma once
// "2.指定尺寸": the size list (fixed width, fit to border, original size, the
// size.ini presets, custom) and the width and height boxes. Edits the job's
// size group.
#include "engine/size_presets.h"

#include <QGroupBox>
#include <QSet>

class QComboBox;
class QLineEdit;

namespace kuvo {

class JobModel;
struct ProcessingSettings;

class SizePanel : public QGroupBox {
  Q_OBJECT
public:
  explicit SizePanel(JobModel *model, QWidget *parent = nullptr);

  int mode() const;
  int modeCount() const;
  QString modeName() const;
  // Chooses a list entry; its handler runs even when it is chosen already.
  void chooseMode(int index);
  // Only when another entry is chosen.
  void switchMode(int index);
  void focusWidth(); // the width box, its text selected
  // The list entry and the boxes from a loaded job.
  void applyJob(const ProcessingSettings &job);

signals:
  void status(const QString &text);
  // "适应边框" was chosen: it needs a border.
  void fitBorderChosen();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void sizeChosen(int index);

  JobModel *model_;
  QComboBox *cmbSize_ = nullptr;
  QLineEdit *txtW_ = nullptr, *txtH_ = nullptr;
  QVector<SizePreset> presets_;
  QSet<QObject *> firstClickDone_;
};

} // namespace kuvo
