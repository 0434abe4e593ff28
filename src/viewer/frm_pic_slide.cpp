// The slide show over the file list and its speed dialog.
#include "viewer/frm_pic.h"

#include "viewer/frm_pic_detail.h"
#include "viewer/viewer_geometry.h"

#include <QAction>
#include <QFrame>
#include <QInputDialog>
#include <QPointer>

namespace kuvo {

using namespace viewer;

int frmPic::slideInterval() const {
  return g_slideInterval > 0 ? g_slideInterval : SlideIntervalDefault;
}
int frmPic::slideCounter() {
  return g_slideCounter;
}
void frmPic::setSlideInterval(int seconds) {
  if (seconds >= 1 && seconds <= SlideIntervalMax)
    g_slideInterval = seconds;
}
bool frmPic::slideShowRunning() const {
  return slideTimer_.isActive();
}

void frmPic::toggleSlideShow() {
  if (mode_ == ViewerMode::SlideShow) {
    // Ended (running or paused): the picture on screen becomes the current one.
    slideTimer_.stop();
    actSlide_->setChecked(false);
    mode_ = ViewerMode::Single;
    const int shown = imagePath_.isEmpty() ? -1 : int(files_.indexOf(imagePath_));
    if (shown >= 0 && shown != current_ && source_ == ViewerSource::Original) {
      current_ = shown;
      emit currentChanged(current_);
    }
    showNotice(tr8("【提示】幻灯片已结束。"));
    return;
  }
  actSlide_->setChecked(true);
  slideTimer_.setInterval(slideInterval() * 1000);
  slideTimer_.start();
  bar_->hide();
  if (crop_)
    leaveCropMode();
  mode_ = ViewerMode::SlideShow;
  hideThumbnails();
  if (!files_.isEmpty() && source_ == ViewerSource::Original) {
    const int n = int(files_.size());
    requestPicture(files_.at(((g_slideCounter % n) + n) % n)); // the first slide
  }
  showNotice(tr8("【提示】幻灯片播放中：空格键暂停，Esc 结束。"));
}

void frmPic::pauseSlideShow() {
  if (mode_ != ViewerMode::SlideShow)
    return;
  if (slideTimer_.isActive()) {
    slideTimer_.stop();
    showNotice(tr8("【提示】幻灯片已暂停，按空格键继续。"));
  } else {
    slideTimer_.start();
    showNotice(tr8("【提示】幻灯片继续播放。"));
  }
}

void frmPic::slideTick() {
  if (files_.isEmpty())
    return;
  const int n = int(files_.size());
  ShowPic(files_.at(((g_slideCounter % n) + n) % n));
  ++g_slideCounter;
}

void frmPic::editSlideInterval() {
  QInputDialog box(this);
  box.setObjectName(QStringLiteral("slideSpeedBox"));
  box.setWindowTitle(tr8("设置"));
  box.setLabelText(tr8("请输入幻灯片时间间隔(单位:秒)"));
  box.setInputMode(QInputDialog::TextInput);
  box.setTextValue(QString::number(slideInterval()));
  box.setOkButtonText(tr8("确定"));
  box.setCancelButtonText(tr8("取消"));
  QPointer<frmPic> self(this);
  if (box.exec() != QDialog::Accepted || !self)
    return;
  g_slideInterval = parseSlideInterval(box.textValue(), slideInterval());
  slideTimer_.setInterval(slideInterval() * 1000);
}

} // namespace kuvo
