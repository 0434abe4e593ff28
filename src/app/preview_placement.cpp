// Placement on the preview: the hit test, dragging (a tiled grid included),
// the arrow keys and the wheel, the move-picture mode, the origin boxes and
// "坐标定位". Positions go into the job model.
#include "app/job_model.h"
#include "app/preview_panel.h"
#include "app/tile_controls.h"
#include "app/window_rules.h"

#include <QDropEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

namespace kuvo {

namespace {
const QString DragHint = QStringLiteral("【提示】按住鼠标左键拖动蓝色条块即可调整位置,方向键微调。");
const QString MoveHint =
    QStringLiteral("【提示】按住鼠标左键拖动蓝色方块即可调整图片位置,方向键微调,鼠标右键退出移动模式。");

using Group = JobModel::Group;

QString numberText(double v) {
  return QString::number(v, 'g', 10);
}

bool textShown(const ProcessingSettings &job) {
  return job.textWatermarkOn && !job.text.isEmpty();
}
} // namespace

void PreviewPanel::addOriginControls(QWidget *strip, QVBoxLayout *layout) {
  auto *cmdSetPos = new QToolButton(strip);
  cmdSetPos->setObjectName(QStringLiteral("cmdSetPos"));
  cmdSetPos->setText(QStringLiteral("移动图片"));
  cmdSetPos->setToolTip(QStringLiteral("改变图片在画布上(边框内)的位置"));
  cmdSetPos->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  layout->addSpacing(8);
  layout->addWidget(cmdSetPos);
  connect(cmdSetPos, &QToolButton::clicked, this, &PreviewPanel::enterMoveMode);
  struct Box {
    QLineEdit **edit;
    const char *name, *tip, *button, *buttonTip, *hint;
    float ProcessingSettings::*field;
  };
  const Box boxes[] = {{&txtXp_, "txtXp", "图片左边", "cmdSetPX0", "设置图片左右与画布重合",
                        "【提示】请输入数字。该数字指定了图片的左边界。", &ProcessingSettings::originX},
                       {&txtYp_, "txtYp", "图片上边", "cmdSetPY0", "设置图片上下与画布重合",
                        "【提示】请输入数字。该数字指定了图片的上边界。", &ProcessingSettings::originY}};
  for (const Box &b : boxes) {
    auto *row = new QHBoxLayout;
    auto *edit = new QLineEdit(QStringLiteral("0"), strip);
    edit->setObjectName(QLatin1String(b.name));
    edit->setToolTip(QString::fromUtf8(b.tip));
    edit->setMaximumWidth(48);
    auto *zero = new QToolButton(strip);
    zero->setObjectName(QLatin1String(b.button));
    zero->setText(b.field == &ProcessingSettings::originX ? QStringLiteral("X0") : QStringLiteral("Y0"));
    zero->setToolTip(QString::fromUtf8(b.buttonTip));
    row->addWidget(edit);
    row->addWidget(zero);
    layout->addLayout(row);
    *b.edit = edit;
    connect(zero, &QToolButton::clicked, edit, [edit] { edit->setText(QStringLiteral("0")); });
    connect(edit, &QLineEdit::textChanged, this, [this, field = b.field](const QString &t) {
      bool ok = false;
      const double v = t.trimmed().toDouble(&ok);
      if (!ok || !std::isfinite(v) || std::abs(v) > OriginLimit)
        return;
      model_->change(Group::Size, [&](ProcessingSettings &j) { j.*field = static_cast<float>(v); });
    });
    // The first click into each box tells what it holds.
    edit->installEventFilter(this);
    edit->setProperty("kuvoFirstHint", QString::fromUtf8(b.hint));
  }
}

// A tiled watermark covers the whole picture: a press anywhere on it that
// does not catch the other, untiled watermark takes hold of the grid.
bool PreviewPanel::grabTile(QPointF p) {
  const ProcessingSettings &job = model_->settings();
  const bool textTile = textWatermarkTiled(job), pictureTile = pictureWatermarkTiled(job);
  if (shownRect_.isEmpty() || (!textTile && !pictureTile))
    return false;
  const PreviewGeometry g = previewGeometry();
  const PlacementTarget other =
      hitTest(g, p, textShown(job) && !textTile, job.textX, job.textY, job.pictureWatermarkOn && !pictureTile,
              job.pictureWatermarkX, job.pictureWatermarkY);
  if (other != PlacementTarget::None)
    return false;
  target_ = textTile ? PlacementTarget::Text : PlacementTarget::Picture;
  tileGrabbed_ = true;
  tileGrabPoint_ = p;
  tileGrabX_ = target_ == PlacementTarget::Text ? job.textX : job.pictureWatermarkX;
  tileGrabY_ = target_ == PlacementTarget::Text ? job.textY : job.pictureWatermarkY;
  setCursor(Qt::SizeAllCursor);
  emit status(TileHint);
  dragging_ = true;
  return true;
}

void PreviewPanel::dragTo(QPointF p, bool released) {
  const PreviewGeometry g = previewGeometry();
  if (g.shown.isEmpty())
    return;
  const QPointF inArea = p + g.shown.topLeft();
  const bool text = target_ == PlacementTarget::Text;
  if (tileGrabbed_) {
    const Fraction f = dragGrid(g, {tileGrabX_, tileGrabY_}, tileGrabPoint_, p);
    if (released)
      tileGrabbed_ = false;
    model_->change(Group::Overlays, [&](ProcessingSettings &j) {
      (text ? j.textX : j.pictureWatermarkX) = f.x;
      (text ? j.textY : j.pictureWatermarkY) = f.y;
    });
  } else if (moveMode_) {
    const QPointF o = dragOrigin(g, p);
    lblPosMove_->move((inArea - QPointF(lblPosMove_->width() / 2.0, lblPosMove_->height() / 2.0)).toPoint());
    lblPosMove_->setProperty("kuvoPlaced", true);
    model_->store([&](ProcessingSettings &j) {
      j.originX = float(o.x());
      j.originY = float(o.y());
    });
    if (released)
      showOrigin();
    model_->announce(Group::Size);
  } else if (target_ == PlacementTarget::Picture || target_ == PlacementTarget::Text) {
    const Fraction f = text ? dragText(g, p) : dragPicture(g, p);
    QFrame *m = text ? lblPos_ : lblPosImg_;
    m->move(QPointF(inArea.x() - m->width() / 2.0, inArea.y()).toPoint());
    model_->change(Group::Overlays, [&](ProcessingSettings &j) {
      (text ? j.textX : j.pictureWatermarkX) = f.x;
      (text ? j.textY : j.pictureWatermarkY) = f.y;
    });
  }
}

void PreviewPanel::showOrigin() {
  const QSignalBlocker bx(txtXp_), by(txtYp_);
  txtXp_->setText(numberText(model_->settings().originX));
  txtYp_->setText(numberText(model_->settings().originY));
}

bool PreviewPanel::event(QEvent *e) {
  if (previewEvent(e))
    return true;
  return QFrame::event(e);
}

// A left press: the move mode's square, a tiled grid, or the watermark hit.
bool PreviewPanel::pressed(QPointF p) {
  setFocus();
  if (moveMode_) {
    dragging_ = true;
    dragTo(p, false);
    return true;
  }
  if (grabTile(p))
    return true;
  const ProcessingSettings &job = model_->settings();
  const PlacementTarget hit = shownRect_.isEmpty()
                                  ? PlacementTarget::None
                                  : hitTest(previewGeometry(), p, textShown(job), job.textX, job.textY,
                                            job.pictureWatermarkOn, job.pictureWatermarkX, job.pictureWatermarkY);
  if (hit == PlacementTarget::None) {
    unsetCursor();
    return false;
  }
  target_ = hit;
  // The watermark caught goes to "自定义" where it stands.
  const bool text = hit == PlacementTarget::Text;
  if ((text ? job.textAnchor : job.pictureWatermarkAnchor) != AnchorFree) {
    model_->store([text](ProcessingSettings &j) { (text ? j.textAnchor : j.pictureWatermarkAnchor) = AnchorFree; });
    emit anchorFreed();
  }
  emit originEntryEnabled(false);
  placeMarkers();
  (text ? lblPos_ : lblPosImg_)->show();
  setCursor(Qt::SizeAllCursor);
  emit status(DragHint);
  dragging_ = true;
  return true;
}

bool PreviewPanel::previewEvent(QEvent *event) {
  switch (event->type()) {
  case QEvent::Resize:
    layoutPreview();
    return false;
  case QEvent::MouseButtonPress: {
    auto *e = static_cast<QMouseEvent *>(event);
    if (e->button() != Qt::LeftButton)
      return false;
    return pressed(e->position() - QPointF(shownRect_.topLeft()));
  }
  case QEvent::MouseMove: {
    auto *e = static_cast<QMouseEvent *>(event);
    if (dragging_ && (e->buttons() & Qt::LeftButton)) {
      dragTo(e->position() - QPointF(shownRect_.topLeft()), false);
      return true;
    }
    return false;
  }
  case QEvent::MouseButtonRelease: {
    auto *e = static_cast<QMouseEvent *>(event);
    if (e->button() != Qt::LeftButton || !dragging_)
      return false;
    dragTo(e->position() - QPointF(shownRect_.topLeft()), true);
    dragging_ = false;
    if (!moveMode_)
      unsetCursor();
    placeMarkers();
    return true;
  }
  case QEvent::Wheel: {
    auto *e = static_cast<QWheelEvent *>(event);
    const int key = wheelKey(e->angleDelta().y(), e->modifiers(), e->buttons());
    if (key)
      previewKey(key);
    return true;
  }
  case QEvent::KeyPress: {
    auto *e = static_cast<QKeyEvent *>(event);
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      emit fullScreenRequested();
      return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
      previewKey(e->key());
      return true;
    default:
      return false;
    }
  }
  case QEvent::DragEnter:
  case QEvent::DragMove:
  case QEvent::Drop: {
    auto *drag = static_cast<QDropEvent *>(event);
    if (!drag->mimeData()->hasImage() && !drag->mimeData()->hasUrls())
      return false;
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (event->type() == QEvent::Drop)
      emit dropped(drag->mimeData());
    return true;
  }
  default:
    return false;
  }
}

void PreviewPanel::previewKey(int key) {
  const int dx = key == Qt::Key_Right ? 1 : key == Qt::Key_Left ? -1 : 0;
  const int dy = key == Qt::Key_Down ? 1 : key == Qt::Key_Up ? -1 : 0;
  if (dx == 0 && dy == 0)
    return;
  const ProcessingSettings &job = model_->settings();
  const bool textActive = (job.textWatermarkOn && job.textAnchor == AnchorFree) || textWatermarkTiled(job);
  const bool pictureActive =
      (job.pictureWatermarkOn && job.pictureWatermarkAnchor == AnchorFree) || pictureWatermarkTiled(job);
  const PreviewGeometry g = previewGeometry();
  if (moveMode_) {
    model_->store([&](ProcessingSettings &j) {
      j.originX += float(dx);
      j.originY += float(dy);
    });
    showOrigin();
    model_->announce(Group::Size);
  } else if (pictureActive && (target_ == PlacementTarget::Picture || !textActive)) {
    const Fraction f = nudgeFraction(g, {job.pictureWatermarkX, job.pictureWatermarkY}, dx, dy);
    model_->change(Group::Overlays, [&](ProcessingSettings &j) {
      j.pictureWatermarkX = f.x;
      j.pictureWatermarkY = f.y;
    });
  } else if (textActive) {
    const Fraction f = nudgeFraction(g, {job.textX, job.textY}, dx, dy);
    model_->change(Group::Overlays, [&](ProcessingSettings &j) {
      j.textX = f.x;
      j.textY = f.y;
    });
  } else {
    // No placement: the arrows walk through the list.
    emit stepRequested(dx + dy);
  }
}

void PreviewPanel::startPlacement(PlacementTarget target) {
  target_ = target;
  if (moveMode_)
    leaveMoveMode();
  const ProcessingSettings &job = model_->settings();
  const bool text = target == PlacementTarget::Text;
  const double x = text ? job.textX : job.pictureWatermarkX;
  const double y = text ? job.textY : job.pictureWatermarkY;
  if (!(x == 0 && y == 0) && !shownRect_.isEmpty())
    blinkMarker(text ? lblPos_ : lblPosImg_, true);
  setFocus();
}

void PreviewPanel::enterMoveMode() {
  moveMode_ = true;
  setCursor(Qt::SizeAllCursor);
  emit status(MoveHint);
  lblPosMove_->move(width() / 2, height() / 2);
  lblPosMove_->setProperty("kuvoPlaced", true);
  lblPos_->hide();
  lblPosImg_->hide();
  blinkMarker(lblPosMove_, true);
  emit originEntryEnabled(true);
  setFocus();
}

void PreviewPanel::leaveMoveMode() {
  moveMode_ = false;
  dragging_ = false;
  unsetCursor();
  lblPosMove_->hide();
  placeMarkers();
}

void PreviewPanel::resetOrigin() {
  txtXp_->setText(QStringLiteral("0"));
  txtYp_->setText(QStringLiteral("0"));
}

void PreviewPanel::askOrigin() {
  QInputDialog box(this);
  box.setObjectName(QStringLiteral("dlgXYPos"));
  box.setWindowTitle(QStringLiteral("起始点坐标"));
  box.setLabelText(QStringLiteral("请输入主图起始点坐标，格式为X,Y。\n如:要定点于左100像素、上120像素，请输入100,120"));
  const ProcessingSettings &job = model_->settings();
  box.setTextValue(numberText(job.originX) + QLatin1Char(',') + numberText(job.originY));
  if (box.exec() != QDialog::Accepted)
    return;
  const auto origin = parseOrigin(box.textValue());
  if (!origin)
    return;
  model_->store([&](ProcessingSettings &j) {
    j.originX = float(origin->x());
    j.originY = float(origin->y());
  });
  showOrigin();
  model_->announce(Group::Size);
}

} // namespace kuvo
