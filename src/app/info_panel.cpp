#include "app/info_panel.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>

namespace kuvo {

QStringList jobSummaryLines(const ProcessingSettings &s, const QString &sizeName, const QString &borderName) {
  QStringList lines;
  QString size = QStringLiteral("尺寸:") + sizeName;
  if (s.sizeMode != SizeFitBorder && s.sizeMode != SizeOriginal)
    size += QStringLiteral(" (宽%1 高%2)").arg(s.widthText, s.heightText);
  lines << size + QStringLiteral("    边框:") + borderName;
  QStringList marks;
  if (s.textWatermarkOn && !s.text.isEmpty())
    marks << QStringLiteral("文字「%1」").arg(s.text);
  if (s.pictureWatermarkOn && !s.pictureWatermarkFile.isEmpty())
    marks << QStringLiteral("图片「%1」").arg(QDir::toNativeSeparators(s.pictureWatermarkFile).section(QDir::separator(), -1));
  lines << QStringLiteral("水印:") + (marks.isEmpty() ? QStringLiteral("无") : marks.join(QStringLiteral("、")));
  lines << QStringLiteral("格式:%1    JPG质量:%2    输出文件夹:%3")
               .arg(s.outputFormat)
               .arg(s.jpegQuality)
               .arg(QDir::toNativeSeparators(s.outputFolder));
  return lines;
}

InfoPanel::InfoPanel(QWidget *parent) : QGroupBox(QStringLiteral("处理信息"), parent) {
  setObjectName(QStringLiteral("NiceContainr6"));
  auto make = [this](const char *name) {
    auto *l = new QLabel(this);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
  };
  picture_ = make("lblInfoPicture");
  job_ = make("lblInfoJob");
  run_ = make("lblInfoRun");
  picture_->setText(QStringLiteral("当前图片:无"));
  run_->setText(QStringLiteral("尚未处理。"));
  auto *layout = new QHBoxLayout(this);
  layout->addWidget(picture_, 3);
  layout->addWidget(job_, 4);
  layout->addWidget(run_, 3);
}

void InfoPanel::setPictureFacts(const QString &text) {
  picture_->setText(text.isEmpty() ? QStringLiteral("当前图片:无") : text);
}

void InfoPanel::setJob(const QStringList &lines) {
  job_->setText(lines.join(QLatin1Char('\n')));
}

void InfoPanel::setRunResult(const QString &text) {
  run_->setText(text);
}

QString InfoPanel::text() const {
  return picture_->text() + QLatin1Char('\n') + job_->text() + QLatin1Char('\n') + run_->text();
}

} // namespace kuvo
