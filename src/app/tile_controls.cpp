#include "app/tile_controls.h"

#include "engine/processing_settings.h"
#include "platform/settings_store.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

namespace kuvo {

namespace {
QSpinBox *spin(QWidget *parent, const char *name, int lo, int hi, const QString &suffix, const QString &tip) {
  auto *box = new QSpinBox(parent);
  box->setObjectName(QLatin1String(name));
  box->setRange(lo, hi);
  box->setSuffix(suffix);
  box->setToolTip(tip);
  box->setKeyboardTracking(false); // typed digits count once the box is left or Enter pressed
  return box;
}
} // namespace

TileControls::TileControls(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmTile"));
  angle_ = spin(this, "spnTileAngle", TileAngleMin, TileAngleMax, QStringLiteral("°"),
                QStringLiteral("平铺水印的倾斜角度(-90到90度，负数向右上倾斜)"));
  spacing_ = spin(this, "spnTileSpacing", 0, TileSpacingMax, QStringLiteral("%"),
                  QStringLiteral("平铺水印之间的间距(占水印宽、高的百分比)"));
  textOpacity_ = spin(this, "spnTextAlpha", 0, 100, QStringLiteral("%"),
                      QStringLiteral("文字水印的不透明度(0-完全透明,100-不透明)"));
  // Two rows: one row of three captioned boxes is wider than the watermark group.
  auto *grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  auto label = [this, grid](const QString &text, QSpinBox *box, int row, int column) {
    auto *l = new QLabel(text, this);
    l->setBuddy(box);
    grid->addWidget(l, row, column);
    grid->addWidget(box, row, column + 1);
  };
  label(QStringLiteral("平铺角度:"), angle_, 0, 0);
  label(QStringLiteral("间距:"), spacing_, 0, 2);
  label(QStringLiteral("文字不透明度:"), textOpacity_, 1, 0);
  grid->setColumnStretch(4, 1);
  for (QSpinBox *box : {angle_, spacing_, textOpacity_})
    connect(box, &QSpinBox::valueChanged, this, &TileControls::changed);
  setTileEnabled(false);
  setTextEnabled(false);
}

void TileControls::showValues(const ProcessingSettings &job) {
  const QSignalBlocker a(angle_), s(spacing_), t(textOpacity_);
  angle_->setValue(job.tileAngle);
  spacing_->setValue(job.tileSpacing);
  textOpacity_->setValue(job.textOpacity);
}

void TileControls::apply(ProcessingSettings &job) const {
  job.tileAngle = angle_->value();
  job.tileSpacing = spacing_->value();
  job.textOpacity = textOpacity_->value();
}

namespace {
const char *const keys[] = {"iTileAngle", "iTileSpacing", "iTextAlpha"};
}

void TileControls::saveSettings(const ProcessingSettings &job) {
  saveSetting(QLatin1String(keys[0]), QString::number(job.tileAngle));
  saveSetting(QLatin1String(keys[1]), QString::number(job.tileSpacing));
  saveSetting(QLatin1String(keys[2]), QString::number(job.textOpacity));
}

void TileControls::setTileEnabled(bool on) {
  angle_->setEnabled(on);
  spacing_->setEnabled(on);
}

void TileControls::setTextEnabled(bool on) {
  textOpacity_->setEnabled(on);
}

} // namespace kuvo
