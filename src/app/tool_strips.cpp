#include "app/tool_strips.h"

#include <QBoxLayout>
#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace kuvo {

namespace {
// The box layout under root that holds w, searched through nested layouts.
QBoxLayout *layoutHolding(QLayout *layout, QWidget *w) {
  if (!layout)
    return nullptr;
  auto *box = qobject_cast<QBoxLayout *>(layout);
  if (box && box->indexOf(w) >= 0)
    return box;
  for (int i = 0; i < layout->count(); ++i)
    if (QBoxLayout *found = layoutHolding(layout->itemAt(i)->layout(), w))
      return found;
  return nullptr;
}
} // namespace

ToolStrips::ToolStrips(QWidget *preview, QWidget *side, QWidget *top, QObject *parent)
    : QObject(parent), preview_(preview) {
  strips_[0].widget = side;
  strips_[0].side = true;
  strips_[1].widget = top;
  strips_[1].side = false;
  preview->installEventFilter(this);
  for (Strip &s : strips_)
    if (s.widget)
      s.widget->installEventFilter(this);
}

ToolStrips::Strip *ToolStrips::find(QWidget *w) {
  for (Strip &s : strips_)
    if (s.widget == w)
      return &s;
  return nullptr;
}

const ToolStrips::Strip *ToolStrips::find(QWidget *w) const {
  return const_cast<ToolStrips *>(this)->find(w);
}

bool ToolStrips::isPinned(QWidget *strip) const {
  const Strip *s = find(strip);
  return s && s->pinned;
}

void ToolStrips::setPinned(QWidget *strip, bool pinned) {
  Strip *s = find(strip);
  if (!s || !preview_ || s->pinned == pinned)
    return;
  QWidget *w = s->widget;
  if (!pinned) {
    // Remember the place in the layout, then float over the preview.
    s->home = layoutHolding(w->parentWidget() ? w->parentWidget()->layout() : nullptr, w);
    s->index = s->home ? s->home->indexOf(w) : 0;
    if (s->home)
      s->home->removeWidget(w);
    w->setParent(preview_);
    w->setAutoFillBackground(true);
    w->hide();
  } else {
    w->setAutoFillBackground(false);
    if (s->home)
      s->home->insertWidget(s->index, w);
    w->show();
  }
  s->pinned = pinned;
  bool anyFloating = false;
  for (const Strip &t : strips_)
    anyFloating = anyFloating || (t.widget && !t.pinned);
  preview_->setMouseTracking(anyFloating);
}

void ToolStrips::place(Strip &s) {
  QWidget *w = s.widget;
  const QRect area = preview_->contentsRect();
  const QSize hint = w->sizeHint();
  if (s.side)
    w->setGeometry(area.right() + 1 - hint.width(), area.top(), hint.width(), std::min(area.height(), hint.height()));
  else
    w->setGeometry(area.left() + (area.width() - std::min(area.width(), hint.width())) / 2, area.top(),
                   std::min(area.width(), hint.width()), hint.height());
}

bool ToolStrips::inZone(const Strip &s, const QPoint &pos) const {
  const QRect area = preview_->rect();
  if (!area.contains(pos))
    return false;
  const QSize hint = s.widget->sizeHint();
  if (s.side)
    return pos.x() >= area.right() + 1 - hint.width();
  const int width = std::min(area.width(), hint.width());
  const int left = (area.width() - width) / 2;
  return pos.y() < hint.height() && pos.x() >= left && pos.x() < left + width;
}

void ToolStrips::pointerAt(const QPoint &pos) {
  for (Strip &s : strips_) {
    if (!s.widget || s.pinned)
      continue;
    const bool show = inZone(s, pos);
    if (show && !s.widget->isVisible()) {
      place(s);
      s.widget->show();
      s.widget->raise();
    } else if (!show && s.widget->isVisible()) {
      s.widget->hide();
    }
  }
}

bool ToolStrips::eventFilter(QObject *watched, QEvent *event) {
  if (!preview_)
    return false;
  if (watched == preview_) {
    if (event->type() == QEvent::MouseMove) {
      auto *e = static_cast<QMouseEvent *>(event);
      if (e->buttons() == Qt::NoButton)
        pointerAt(e->position().toPoint());
    } else if (event->type() == QEvent::Leave) {
      pointerAt(preview_->mapFromGlobal(QCursor::pos()));
    } else if (event->type() == QEvent::Resize) {
      for (Strip &s : strips_)
        if (s.widget && !s.pinned && s.widget->isVisible())
          place(s);
    }
  } else if (event->type() == QEvent::Leave) {
    // Leaving a floating strip: hide it unless the pointer is still in its zone.
    pointerAt(preview_->mapFromGlobal(QCursor::pos()));
  }
  return false;
}

} // namespace kuvo
