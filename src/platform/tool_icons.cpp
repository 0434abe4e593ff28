#include "platform/tool_icons.h"

#include <QPainter>
#include <QPainterPath>

namespace kuvo {

namespace {

QString themeName(ToolIcon kind) {
  switch (kind) {
  case ToolIcon::Redo:
    return QStringLiteral("view-refresh");
  case ToolIcon::Copy:
    return QStringLiteral("edit-copy");
  case ToolIcon::Save:
    return QStringLiteral("document-save");
  case ToolIcon::Confirm:
    return QStringLiteral("dialog-ok");
  case ToolIcon::Exit:
    break;
  }
  return QStringLiteral("window-close");
}

// Drawn on a 24-unit grid so every size is sharp.
void draw(QPainter &p, ToolIcon kind) {
  const QColor ink(50, 60, 75);
  p.setRenderHint(QPainter::Antialiasing);
  QPen pen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  switch (kind) {
  case ToolIcon::Redo: {
    p.drawArc(QRectF(4, 4, 16, 16), 60 * 16, 290 * 16);
    QPainterPath head;
    head.moveTo(20.5, 3.5);
    head.lineTo(20.5, 9.5);
    head.lineTo(14.5, 9.5);
    p.drawPath(head);
    break;
  }
  case ToolIcon::Copy:
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(3, 3, 12, 14), 1.5, 1.5);
    p.drawRoundedRect(QRectF(9, 8, 12, 14), 1.5, 1.5);
    break;
  case ToolIcon::Save:
    p.setBrush(QColor(70, 120, 200));
    p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 3, 10, 6));
    p.drawRect(QRectF(6, 13, 12, 8));
    break;
  case ToolIcon::Confirm:
    pen.setColor(QColor(30, 140, 60));
    pen.setWidthF(3);
    p.setPen(pen);
    p.drawPolyline(QPolygonF({QPointF(4, 13), QPointF(10, 19), QPointF(20, 5)}));
    break;
  case ToolIcon::Exit:
    pen.setColor(QColor(190, 40, 40));
    pen.setWidthF(3);
    p.setPen(pen);
    p.drawLine(QPointF(6, 6), QPointF(18, 18));
    p.drawLine(QPointF(18, 6), QPointF(6, 18));
    break;
  }
}

} // namespace

QIcon drawnToolIcon(ToolIcon kind) {
  QIcon icon;
  for (int size : {16, 24, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.scale(size / 24.0, size / 24.0);
    draw(p, kind);
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

QIcon toolIcon(ToolIcon kind) {
  return QIcon::fromTheme(themeName(kind), drawnToolIcon(kind));
}

} // namespace kuvo
