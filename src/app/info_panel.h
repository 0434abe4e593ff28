#pragma once
// "处理信息" (NiceContainr6): the panel along the bottom of the maximised
// window with the current picture's facts, the job in short and the last
// run's result. The normal window hides it, so the preview keeps its room.
#include "engine/processing_settings.h"

#include <QGroupBox>

class QLabel;

namespace kuvo {

// The job in a few lines: size, border, watermarks, effects, output.
QStringList jobSummaryLines(const ProcessingSettings &s, const QString &sizeName, const QString &borderName);

class InfoPanel : public QGroupBox {
  Q_OBJECT
public:
  explicit InfoPanel(QWidget *parent = nullptr);

  void setPictureFacts(const QString &text);
  void setJob(const QStringList &lines);
  void setRunResult(const QString &text);
  QString text() const; // everything shown, for tests and the clipboard

private:
  QLabel *picture_;
  QLabel *job_;
  QLabel *run_;
};

} // namespace kuvo
