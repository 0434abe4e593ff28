// The mouse on the viewer: panning, drawing, moving and resizing the crop
// selection, opening thumbnails and the context menus.
#include "viewer/frm_pic.h"

#include "viewer/frm_pic_detail.h"
#include "viewer/viewer_geometry.h"

#include <QFrame>
#include <QMenu>
#include <QMouseEvent>

namespace kuvo {

using namespace viewer;

int frmPic::handleAt(QPoint pos) const {
  if (!selVisible_)
    return -1;
  const QRect s = selectionOnScreen();
  for (int k = 0; k < 8; ++k) {
    QRect r(0, 0, HandleHit, HandleHit);
    r.moveCenter(handlePoint(s, k));
    if (r.contains(pos))
      return k;
  }
  return -1;
}

QRect frmPic::selectionOnScreen() const {
  return sel_.translated(picRect_.topLeft());
}

void frmPic::updateHoverCursor(QPoint pos) {
  if (mode_ == ViewerMode::List) {
    const int t = thumbnailAt(pos);
    if (t != hoverThumb_) {
      hoverThumb_ = t;
      update();
    }
    setCursor(t >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    return;
  }
  const int h = crop_ ? handleAt(pos) : -1;
  if (h >= 0)
    setCursor(handleCursor(h));
  else if (picRect_.contains(pos) && crop_)
    setCursor(hasSel_ && selectionOnScreen().contains(pos) ? Qt::SizeAllCursor : Qt::CrossCursor);
  else if (picRect_.contains(pos) && !fit_ && (picRect_.width() > width() || picRect_.height() > height()))
    setCursor(Qt::OpenHandCursor);
  else
    setCursor(Qt::ArrowCursor);
}

void frmPic::mousePressEvent(QMouseEvent *e) {
  const QPoint pos = e->position().toPoint();
  if (mode_ == ViewerMode::List) {
    const int t = thumbnailAt(pos);
    if (t < 0)
      return;
    if (e->button() == Qt::LeftButton) {
      ignoreDoubleClick_ = true;
      openThumbnail(t);
    } else if (e->button() == Qt::RightButton) {
      thumbMenuIndex_ = t;
      thumbMenu_->popup(e->globalPosition().toPoint());
    }
    return;
  }
  ignoreDoubleClick_ = false;
  if (e->button() == Qt::RightButton) {
    if (crop_)
      leaveCropMode();
    else if (source_ == ViewerSource::Original && mode_ != ViewerMode::List)
      menu_->popup(e->globalPosition().toPoint());
    return;
  }
  if (e->button() != Qt::LeftButton)
    return;
  const QPoint p = pos - picRect_.topLeft();
  if (crop_) {
    const int h = handleAt(pos);
    if (h >= 0) {
      resizing_ = true;
      handle_ = h;
      grab_ = pos;
      selAtPress_ = sel_;
      toolbar_->hide();
      return;
    }
    if (!picRect_.contains(pos))
      return;
    panAllowed_ = false;
    start_ = end_ = p;
    drawing_ = true;
    if (hasSel_) {
      setCursor(Qt::SizeAllCursor);
      const QRect s = selectionOnScreen();
      if (pos.x() > s.left() && pos.x() < s.x() + s.width() && pos.y() > s.top() && pos.y() < s.y() + s.height()) {
        moving_ = true;
        drawing_ = false;
        selAtPress_ = sel_;
        grab_ = pos;
      }
    } else {
      setCursor(Qt::CrossCursor);
    }
    return;
  }
  if (!fit_ && picRect_.contains(pos)) {
    panAllowed_ = true;
    panning_ = true;
    panPress_ = pos;
    picPosAtPress_ = picRect_.topLeft();
    setCursor(Qt::ClosedHandCursor);
  }
}

void frmPic::mouseMoveEvent(QMouseEvent *e) {
  const QPoint pos = e->position().toPoint();
  if (!(e->buttons() & Qt::LeftButton)) {
    updateHoverCursor(pos);
    return;
  }
  const QRect bounds(QPoint(0, 0), picRect_.size());
  if (resizing_) {
    sel_ = resizedSelection(selAtPress_, handle_, pos - grab_, bounds);
    update();
  } else if (moving_) {
    sel_ = movedSelection(selAtPress_, pos - grab_, bounds);
    update();
  } else if (drawing_) {
    toolbar_->hide();
    const QPoint p = pos - picRect_.topLeft();
    end_ = QPoint(std::clamp(p.x(), 0, picRect_.width()), std::clamp(p.y(), 0, picRect_.height()));
    if (end_ != start_) {
      sel_ = spanRect(start_, end_);
      selVisible_ = true;
    }
    update();
  } else if (panning_ && panAllowed_ && (picRect_.width() > width() || picRect_.height() > height())) {
    setCursor(Qt::SizeAllCursor);
    const QPoint d = pos - panPress_;
    picRect_.moveTopLeft(QPoint(pannedPosition(picPosAtPress_.x(), d.x(), picRect_.width(), width()),
                                pannedPosition(picPosAtPress_.y(), d.y(), picRect_.height(), height())));
    update();
  }
}

void frmPic::mouseReleaseEvent(QMouseEvent *e) {
  if (e->button() != Qt::LeftButton)
    return;
  const QPoint pos = e->position().toPoint();
  if (resizing_) {
    resizing_ = false;
    computeCut();
    placeToolbar(ToolbarGapAfterResize);
  } else if (moving_ || (drawing_ && hasSel_)) {
    moving_ = drawing_ = false;
    computeCut();
    placeToolbar(ToolbarGapAfterDraw);
  } else if (drawing_) {
    drawing_ = false;
    const QPoint p = pos - picRect_.topLeft();
    if (p.x() == start_.x() || p.y() == start_.y()) {
      // A click, or a drag back onto the start line: no selection.
      setSelectionVisible(false);
      hasSel_ = false;
      update();
      return;
    }
    end_ = QPoint(std::clamp(p.x(), 0, picRect_.width()), std::clamp(p.y(), 0, picRect_.height()));
    sel_ = spanRect(start_, end_);
    start_ = sel_.topLeft();
    end_ = sel_.topLeft() + QPoint(sel_.width(), sel_.height());
    hasSel_ = true;
    selVisible_ = true;
    computeCut();
    placeToolbar(ToolbarGapAfterDraw);
  } else if (panning_) {
    panning_ = false;
  }
  updateHoverCursor(pos);
  update();
}

void frmPic::mouseDoubleClickEvent(QMouseEvent *e) {
  if (e->button() != Qt::LeftButton)
    return;
  if (ignoreDoubleClick_) {
    // The second click of a double click on a thumbnail opens nothing more.
    ignoreDoubleClick_ = false;
    return;
  }
  const QPoint pos = e->position().toPoint();
  if (crop_ && hasSel_ && selectionOnScreen().contains(pos)) {
    moving_ = drawing_ = resizing_ = false;
    confirmCrop();
    return;
  }
  if (mode_ == ViewerMode::List && thumbnailAt(pos) >= 0)
    return;
  close();
}

} // namespace kuvo
