// The crop tool: the selection, the cut from the original and confirming
// it into a new list entry; the blinking hint.
#include "viewer/frm_pic.h"

#include "viewer/frm_pic_detail.h"
#include "viewer/viewer_geometry.h"
#include "platform/program_paths.h"
#include "viewer/frm_box.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>

namespace kuvo {

using namespace viewer;

void frmPic::setSelectionVisible(bool on) {
  selVisible_ = on;
  toolbar_->setVisible(on && hasSel_);
  update();
}

void frmPic::clearSelection() {
  setSelectionVisible(false);
  toolbar_->hide();
  hasSel_ = moving_ = drawing_ = resizing_ = false;
  setCursor(crop_ ? Qt::CrossCursor : Qt::ArrowCursor);
}

void frmPic::enterCropMode() {
  crop_ = true;
  clearSelection();
}

void frmPic::leaveCropMode() {
  crop_ = false;
  clearSelection();
  tip_->hide();
}

void frmPic::restartCrop() {
  clearSelection();
}

QImage frmPic::loadOriginal(const QString &path) {
  if (path != originalPath_ || original_.isNull()) {
    QImage image = loadPicture(path).image; // full size, upright as shown
    if (!image.isNull()) {
      original_ = image;
      originalPath_ = path;
    }
  }
  return original_;
}

void frmPic::computeCut() {
  // The region is cut from the original file at full resolution; when that
  // cannot be read, from the picture on the screen.
  QImage source = current_ >= 0 ? loadOriginal(files_.at(current_)) : QImage();
  if (source.isNull())
    source = image_;
  const QRect region = cutRegion(sel_, picRect_.width(), source.size());
  cut_ = region.isEmpty() ? QImage() : source.copy(region);
}

void frmPic::placeToolbar(int gap) {
  toolbar_->adjustSize();
  const QRect s = selectionOnScreen();
  int x = s.x() + s.width() - toolbar_->width();
  int y = s.y() + s.height() + gap;
  if (y + toolbar_->height() > height())
    y = std::max(0, s.y() - gap - toolbar_->height());
  x = std::clamp(x, 0, std::max(0, width() - toolbar_->width()));
  toolbar_->move(x, y);
  toolbar_->show();
  toolbar_->raise();
}

void frmPic::copyCut() {
  setSelectionVisible(false);
  if (!cut_.isNull()) {
    QApplication::clipboard()->clear();
    QApplication::clipboard()->setImage(cut_);
  }
  leaveCropMode();
}

void frmPic::confirmCrop() {
  if (!hasSel_ || cut_.isNull())
    return;
  setSelectionVisible(false);
  const QImage cut = cut_;
  showImage(cut, QString());
  repaint();

  frmBox box(this);
  const int x = (width() - box.width()) / 2;
  const int y = std::min(picRect_.y() + picRect_.height() + 7, height() - box.height() - 13);
  box.move(mapToGlobal(QPoint(x, std::max(0, y))));
  QPointer<frmPic> self(this);
  box.exec();
  if (!self)
    return;
  if (box.answeredYes()) {
    const QString folder = scratchFolder();
    QDir().mkpath(folder);
    const QString path =
        uniqueCropPath(folder, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss")));
    if (flattenedOnWhite(cut).save(path, "BMP")) {
      const int replaced = current_;
      if (current_ >= 0 && current_ < files_.size())
        files_.removeAt(current_);
      files_.append(path);
      current_ = int(files_.size()) - 1;
      imagePath_ = path;
      emit cropAdded(path, replaced);
      emit currentChanged(current_);
      leaveCropMode();
      return;
    }
    // Nothing was written: the list keeps its entry and the user is told.
    QMessageBox::critical(this, tr8("Kuvo图片批处理"), tr8("裁剪后的图片无法保存：") + QDir::toNativeSeparators(path));
    if (!self)
      return;
  }
  if (current_ >= 0)
    ShowPic(files_.at(current_));
  clearSelection();
}

// ---- crop hint ---------------------------------------------------------------

void frmPic::placeHint() {
  tip_->adjustSize();
  tip_->move((width() - tip_->width()) / 2, height() / 2);
}

void frmPic::hintTick() {
  if (!crop_)
    return;
  ++hintCount_;
  if (hintCount_ > 5) {
    tip_->hide();
    hintCount_ = 0;
    hintTimer_.stop();
    return;
  }
  placeHint();
  tip_->setVisible(hintCount_ % 5 != 0);
  tip_->raise();
}

} // namespace kuvo
