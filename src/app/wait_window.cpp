#include "app/wait_window.h"

#include "app/window_rules.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace kuvo {

WaitWindow::WaitWindow(QWidget *parent) : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setObjectName(QStringLiteral("frmWait"));
  setWindowTitle(AppTitle);
  setAttribute(Qt::WA_ShowWithoutActivating);

  auto *title = new QLabel(QStringLiteral("正在处理，请稍候"), this);
  title->setObjectName(QStringLiteral("lWait"));
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.2);
  title->setFont(big);
  dots_ = new QLabel(QStringLiteral(" …"), this);
  dots_->setObjectName(QStringLiteral("lDots"));
  dots_->setFont(big);
  // The dots keep their room while hidden, so the caption does not jump.
  QSizePolicy keep = dots_->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  dots_->setSizePolicy(keep);

  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("pbWait"));
  bar_->setTextVisible(false);
  bar_->setMinimumWidth(320);
  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("lWaitCount"));
  detail_ = new QLabel(this);
  detail_->setObjectName(QStringLiteral("lWaitDetail"));
  detail_->setMaximumWidth(420);
  detail_->setTextFormat(Qt::PlainText);

  cancel_ = new QPushButton(QStringLiteral("取消"), this);
  cancel_->setObjectName(QStringLiteral("cmdWaitCancel"));
  cancel_->hide();
  connect(cancel_, &QPushButton::clicked, this, &WaitWindow::cancelRequested);

  auto *head = new QHBoxLayout;
  head->addWidget(title);
  head->addWidget(dots_);
  head->addStretch();
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 14, 18, 14);
  layout->setSpacing(8);
  layout->addLayout(head);
  layout->addWidget(bar_);
  layout->addWidget(count_);
  auto *foot = new QHBoxLayout;
  foot->addWidget(detail_, 1);
  foot->addWidget(cancel_);
  layout->addLayout(foot);

  blink_.setInterval(100);
  connect(&blink_, &QTimer::timeout, this, [this] { dots_->setVisible(!dots_->isVisible()); });
  blink_.start();
  begin(0);
}

void WaitWindow::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr) {
    adjustSize();
    move(owner->frameGeometry().center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
}

void WaitWindow::begin(int total) {
  clock_.start();
  setProgress(0, total);
  detail_->clear();
}

void WaitWindow::setProgress(int done, int total) {
  if (total <= 0) {
    bar_->setRange(0, 0);
    count_->setText(done > 0 ? QStringLiteral("已找到 %1 个图片").arg(done) : QString());
    return;
  }
  bar_->setRange(0, total);
  bar_->setValue(std::min(done, total));
  QString text = QStringLiteral("%1 / %2").arg(done).arg(total);
  const QString left = timeLeftText(clock_.elapsed(), done, total);
  if (!left.isEmpty())
    text += QStringLiteral("    剩余时间: ") + left;
  count_->setText(text);
}

void WaitWindow::setDetail(const QString &text) {
  detail_->setText(detail_->fontMetrics().elidedText(text, Qt::ElideMiddle, detail_->maximumWidth()));
}

void WaitWindow::setCancelVisible(bool on) {
  cancel_->setVisible(on);
}

QString WaitWindow::detailText() const {
  return detail_->text();
}
QString WaitWindow::progressText() const {
  return count_->text();
}

QString WaitWindow::timeLeftText(qint64 elapsedMs, int done, int total) {
  if (done <= 0 || total <= 0 || done >= total)
    return QString();
  const qint64 leftMs = elapsedMs * (total - done) / done;
  const qint64 seconds = (leftMs + 999) / 1000;
  if (seconds < 60)
    return QStringLiteral("约%1秒").arg(seconds);
  if (seconds < 3600)
    return QStringLiteral("约%1分%2秒").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
  return QStringLiteral("约%1小时%2分").arg(seconds / 3600).arg((seconds % 3600) / 60, 2, 10, QLatin1Char('0'));
}

} // namespace kuvo
