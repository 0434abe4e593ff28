#pragma once
// The row of the watermark panel for tiled watermarks ("平铺"): the grid's
// angle and spacing, and the text's opacity.
#include <QString>
#include <QWidget>

class QSpinBox;

namespace kuvo {

struct ProcessingSettings;

inline const QString TileHint =
    QStringLiteral("【提示】水印已平铺整张图片,在图片上按住鼠标左键拖动即可移动平铺水印,方向键微调。");

class TileControls : public QWidget {
  Q_OBJECT
public:
  explicit TileControls(QWidget *parent = nullptr);

  // Shows the job's values without reporting a change.
  void showValues(const ProcessingSettings &job);
  // Writes the boxes' values into the job.
  void apply(ProcessingSettings &job) const;
  // Angle and spacing matter while a watermark is tiled, the opacity while
  // the text watermark is on.
  void setTileEnabled(bool on);
  void setTextEnabled(bool on);

  // Writes the tile and text-opacity keys of the settings store (the
  // engine's store keys read them back).
  static void saveSettings(const ProcessingSettings &job);

signals:
  void changed();

private:
  QSpinBox *angle_ = nullptr, *spacing_ = nullptr, *textOpacity_ = nullptr;
};

} // namespace kuvo
