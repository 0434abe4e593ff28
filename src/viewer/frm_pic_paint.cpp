// Painting the viewer: the picture, the thumbnail page and the selection.
#include "viewer/frm_pic.h"

#include "viewer/frm_pic_detail.h"
#include "viewer/viewer_geometry.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

namespace kuvo {

using namespace viewer;

void frmPic::paintEvent(QPaintEvent *) {
  QPainter p(this);
  const QColor bg = backgroundColor(bgIndex_);
  p.fillRect(rect(), bg);
  if (mode_ == ViewerMode::List) {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int i = 0; i < int(thumbs_.size()); ++i) {
      const QRect cell = thumbnailRect(i, size());
      p.fillRect(cell, overlayOn(bg, i == hoverThumb_ ? 60 : 28));
      const Thumb &t = thumbs_[size_t(i)];
      if (t.loaded && !t.image.isNull()) {
        const QRect inner = cell.adjusted(3, 3, -3, -3);
        QRect target(QPoint(0, 0), t.image.size().scaled(inner.size(), Qt::KeepAspectRatio));
        target.moveCenter(inner.center());
        p.drawImage(target, t.image);
      } else if (!t.loaded) {
        p.setPen(overlayOn(bg, 110));
        p.drawText(cell, Qt::AlignCenter, QStringLiteral("…"));
      }
      if (i == hoverThumb_) {
        p.setPen(QPen(overlayOn(bg, 200), 2));
        p.drawRect(cell.adjusted(1, 1, -1, -1));
      }
    }
    return;
  }
  if (image_.isNull() || picRect_.isEmpty()) {
    if (!message_.isEmpty()) {
      QFont f = font();
      f.setPixelSize(20);
      p.setFont(f);
      p.setPen(overlayOn(bg, 220));
      p.drawText(rect().adjusted(40, 40, -40, -40), Qt::AlignCenter | Qt::TextWordWrap, message_);
    }
    paintStatusLines(p);
    return;
  }
  if (picRect_.size() == image_.size()) {
    // Natural size: only the part on the screen is drawn, so a huge picture
    // never needs a second full-size copy.
    const QRect visible = picRect_.intersected(rect());
    p.drawImage(visible, image_, visible.translated(-picRect_.topLeft()));
  } else {
    // Scaled once per layout, at the screen's device pixels.
    const qreal dpr = devicePixelRatioF();
    if (pix_.isNull() || pixFor_ != picRect_.size()) {
      pixFor_ = picRect_.size();
      const QSize device =
          (QSizeF(picRect_.size()) * dpr).toSize().boundedTo(image_.size().expandedTo(picRect_.size()));
      pix_ = QPixmap::fromImage(image_.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
      pix_.setDevicePixelRatio(qreal(pix_.width()) / picRect_.width());
    }
    p.drawPixmap(picRect_.topLeft(), pix_);
  }
  if (crop_ && selVisible_) {
    const QRect s = selectionOnScreen();
    QPainterPath shade;
    shade.addRect(picRect_.intersected(rect()));
    QPainterPath hole;
    hole.addRect(s);
    p.fillPath(shade.subtracted(hole), QColor(0, 0, 0, 90));
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(s.adjusted(0, 0, -1, -1));
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.drawRect(s.adjusted(0, 0, -1, -1));
    for (int k = 0; k < 8; ++k) {
      QRect h(0, 0, HandleSize, HandleSize);
      h.moveCenter(handlePoint(s, k));
      p.fillRect(h, Qt::white);
      p.setPen(QPen(QColor(30, 30, 30), 1));
      p.drawRect(h.adjusted(0, 0, -1, -1));
    }
  }
  paintStatusLines(p);
}

// The information line at the top and, while the next picture is decoded,
// a small "正在载入" in the corner (the previous picture stays meanwhile).
void frmPic::paintStatusLines(QPainter &p) {
  QFont f = font();
  f.setPixelSize(14);
  p.setFont(f);
  const QFontMetrics fm(f);
  if (showInfo_) {
    const QString text = infoText();
    if (!text.isEmpty()) {
      const QRect box(0, 0, width(), fm.height() + 12);
      p.fillRect(box, QColor(0, 0, 0, 150));
      p.setPen(Qt::white);
      p.drawText(box.adjusted(14, 0, -14, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    }
  }
  if (!pending_.isEmpty() || !fullPending_.isEmpty()) {
    const QString text = tr8("正在载入……");
    QRect box(0, 0, fm.horizontalAdvance(text) + 20, fm.height() + 10);
    box.moveBottomRight(rect().bottomRight() - QPoint(16, 16));
    p.fillRect(box, QColor(0, 0, 0, 150));
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, text);
  }
}

void frmPic::resizeEvent(QResizeEvent *e) {
  if (e->size() == e->oldSize())
    return;
  if (!image_.isNull())
    layoutPicture();
  bar_->move(buttonBarRect(size()).topLeft());
  if (tip_->isVisible())
    placeHint();
  update();
}

} // namespace kuvo
