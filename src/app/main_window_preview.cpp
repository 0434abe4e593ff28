// Placement on the preview: the markers of the two watermarks and of the
// picture's start point, the hit test, dragging, the arrow keys and the wheel,
// the offset boxes and "坐标定位".
#include "app/file_list_panel.h"
#include "app/job_model.h"
#include "app/main_window.h"
#include "app/overlay_panel.h"
#include "app/tile_controls.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

namespace kuvo {

namespace {
const QString DragHint = QStringLiteral("【提示】按住鼠标左键拖动蓝色条块即可调整位置,方向键微调。");
const QString MoveHint =
    QStringLiteral("【提示】按住鼠标左键拖动蓝色方块即可调整图片位置,方向键微调,鼠标右键退出移动模式。");

QString numberText(double v) {
  return QString::number(v, 'g', 10);
}
} // namespace

void MainWindow::buildPlacementControls(QWidget *strip) {
  auto *layout = static_cast<QVBoxLayout *>(strip->layout());
  auto *cmdSetPos = new QToolButton(strip);
  cmdSetPos->setObjectName(QStringLiteral("cmdSetPos"));
  cmdSetPos->setText(QStringLiteral("移动图片"));
  cmdSetPos->setToolTip(QStringLiteral("改变图片在画布上(边框内)的位置"));
  cmdSetPos->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  layout->addSpacing(8);
  layout->addWidget(cmdSetPos);
  connect(cmdSetPos, &QToolButton::clicked, this, &MainWindow::enterMoveMode);
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
    const QString hint = QString::fromUtf8(b.hint);
    connect(zero, &QToolButton::clicked, edit, [edit] { edit->setText(QStringLiteral("0")); });
    connect(edit, &QLineEdit::textChanged, this, [this, field = b.field](const QString &t) {
      bool ok = false;
      const double v = t.trimmed().toDouble(&ok);
      if (!ok || !std::isfinite(v) || std::abs(v) > 1e6)
        return;
      job_.*field = static_cast<float>(v);
      settingsChanged();
    });
    // The first click into each box tells what it holds.
    edit->installEventFilter(this);
    edit->setProperty("kuvoFirstHint", hint);
  }
}

PreviewGeometry MainWindow::previewGeometry() const {
  PreviewGeometry g;
  g.shown = QRectF(shownRect_);
  g.scale = previewImage_.isNull() || previewImage_.width() <= 0 ? 1.0
                                                                 : double(shownRect_.width()) / previewImage_.width();
  g.textSize = QSizeF(placement_.textRect.size());
  g.pictureSize = QSizeF(placement_.pictureRect.size());
  return g;
}

QRect MainWindow::shownPictureRect() const {
  return shownRect_;
}

// The canvas fitted into the preview area without enlarging it.
void MainWindow::layoutPreview() {
  if (!picImg_ || !imgM_)
    return;
  const QRect area = picImg_->contentsRect().adjusted(6, 6, -6, -6);
  if (web_)
    web_->setGeometry(picImg_->contentsRect());
  if (imgPre_) {
    const QRect r = picImg_->contentsRect();
    imgPre_->move(r.left() + 2, r.center().y() - imgPre_->height() / 2);
    imgFor_->move(r.right() - imgFor_->width() - 1, r.center().y() - imgFor_->height() / 2);
    imgSmall_->move(r.left() + 6, r.bottom() - imgSmall_->height() - 6 - (txtPicTxt_->isVisible() ? txtPicTxt_->height() : 0));
    for (QWidget *w : {static_cast<QWidget *>(imgPre_), static_cast<QWidget *>(imgFor_),
                       static_cast<QWidget *>(imgSmall_)})
      w->raise();
  }
  if (txtPicTxt_) {
    const int h = txtPicTxt_->sizeHint().height();
    txtPicTxt_->setGeometry(picImg_->contentsRect().left(), picImg_->contentsRect().bottom() + 1 - h,
                            picImg_->contentsRect().width(), h);
  }
  if (previewImage_.isNull() || list_->count() == 0) {
    shownRect_ = QRect();
    imgM_->setGeometry(area);
    placeMarkers();
    return;
  }
  const QRect fitted = fitRect(area.size(), previewImage_.size());
  if (fitted.isEmpty())
    return;
  shownRect_ = fitted.translated(area.topLeft());
  // Scaled in device pixels, so the preview stays sharp at 150 % and 200 %.
  const qreal ratio = imgM_->devicePixelRatioF();
  QImage shown = previewImage_;
  const QSize device = shownRect_.size() * ratio;
  if (shown.size() != device && (shown.width() > device.width() || shown.height() > device.height()))
    shown = shown.scaled(device, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QPixmap pixmap = QPixmap::fromImage(shown);
  pixmap.setDevicePixelRatio(std::max<qreal>(ratio, qreal(shown.width()) / std::max(1, shownRect_.width())));
  imgM_->setGeometry(shownRect_);
  imgM_->setPixmap(pixmap);
  placeMarkers();
}

// A marker shows while its placement is active; the drag moves it itself.
void MainWindow::placeMarkers() {
  if (!lblPos_ || dragging_)
    return;
  const PreviewGeometry g = previewGeometry();
  const bool shown = !shownRect_.isEmpty();
  const bool textActive = job_.textWatermarkOn && job_.textAnchor == AnchorFree &&
                          !g.textSize.isEmpty() && !(job_.textX == 0 && job_.textY == 0);
  const bool pictureActive = job_.pictureWatermarkOn && job_.pictureWatermarkAnchor == AnchorFree &&
                             !g.pictureSize.isEmpty() &&
                             !(job_.pictureWatermarkX == 0 && job_.pictureWatermarkY == 0);
  if (shown && textActive)
    lblPos_->setGeometry(textMarker(g, job_.textX, job_.textY).toAlignedRect());
  if (shown && pictureActive)
    lblPosImg_->setGeometry(pictureMarker(g, job_.pictureWatermarkX, job_.pictureWatermarkY).toAlignedRect());
  if (blinkTimer_ && blinkTimer_->isActive())
    return;
  lblPos_->setVisible(shown && textActive && !moveMode_);
  lblPosImg_->setVisible(shown && pictureActive && !moveMode_);
  lblPosMove_->setVisible(moveMode_);
  if (moveMode_ && !lblPosMove_->property("kuvoPlaced").toBool()) {
    lblPosMove_->move(picImg_->width() / 2, picImg_->height() / 2);
    lblPosMove_->setProperty("kuvoPlaced", true);
  }
  for (QWidget *m : {lblPos_, lblPosImg_, lblPosMove_})
    m->raise();
}

// Shown, hidden, shown, hidden, shown; then the markers take their state.
void MainWindow::blinkMarker(QWidget *m, bool staysVisible) {
  if (!blinkTimer_) {
    blinkTimer_ = new QTimer(this);
    blinkTimer_->setInterval(90);
  }
  blinkTimer_->stop();
  blinkTimer_->disconnect();
  m->show();
  m->raise();
  auto phase = std::make_shared<int>(1);
  connect(blinkTimer_, &QTimer::timeout, this, [this, m, phase, staysVisible] {
    ++*phase;
    m->setVisible(*phase % 2 == 1);
    if (*phase >= 5) {
      blinkTimer_->stop();
      m->setVisible(staysVisible);
      placeMarkers();
    }
  });
  blinkTimer_->start();
}

bool MainWindow::textTiled() const {
  return textWatermarkTiled(job_);
}

bool MainWindow::pictureTiled() const {
  return pictureWatermarkTiled(job_);
}

// A tiled watermark covers the whole picture: a press anywhere on it that
// does not catch the other, untiled watermark takes hold of the grid.
bool MainWindow::grabTile(QPointF p) {
  if (shownRect_.isEmpty() || (!textTiled() && !pictureTiled()))
    return false;
  const PreviewGeometry g = previewGeometry();
  const PlacementTarget other =
      hitTest(g, p, job_.textWatermarkOn && !job_.text.isEmpty() && !textTiled(), job_.textX, job_.textY,
              job_.pictureWatermarkOn && !pictureTiled(), job_.pictureWatermarkX, job_.pictureWatermarkY);
  if (other != PlacementTarget::None)
    return false;
  target_ = textTiled() ? PlacementTarget::Text : PlacementTarget::Picture;
  tileGrabbed_ = true;
  tileGrabPoint_ = p;
  tileGrabX_ = target_ == PlacementTarget::Text ? job_.textX : job_.pictureWatermarkX;
  tileGrabY_ = target_ == PlacementTarget::Text ? job_.textY : job_.pictureWatermarkY;
  picImg_->setCursor(Qt::SizeAllCursor);
  ShowStatus(TileHint);
  dragging_ = true;
  return true;
}

void MainWindow::dragTo(QPointF p, bool released) {
  const PreviewGeometry g = previewGeometry();
  if (g.shown.isEmpty())
    return;
  const QPointF inArea = p + g.shown.topLeft();
  if (tileGrabbed_) {
    const Fraction f = dragGrid(g, {tileGrabX_, tileGrabY_}, tileGrabPoint_, p);
    (target_ == PlacementTarget::Text ? job_.textX : job_.pictureWatermarkX) = f.x;
    (target_ == PlacementTarget::Text ? job_.textY : job_.pictureWatermarkY) = f.y;
    if (released)
      tileGrabbed_ = false;
  } else if (moveMode_) {
    const QPointF o = dragOrigin(g, p);
    job_.originX = float(o.x());
    job_.originY = float(o.y());
    lblPosMove_->move((inArea - QPointF(lblPosMove_->width() / 2.0, lblPosMove_->height() / 2.0)).toPoint());
    lblPosMove_->setProperty("kuvoPlaced", true);
    if (released)
      setOriginBoxes();
  } else if (target_ == PlacementTarget::Picture) {
    const Fraction f = dragPicture(g, p);
    job_.pictureWatermarkX = f.x;
    job_.pictureWatermarkY = f.y;
    lblPosImg_->move(QPointF(inArea.x() - lblPosImg_->width() / 2.0, inArea.y()).toPoint());
  } else if (target_ == PlacementTarget::Text) {
    const Fraction f = dragText(g, p);
    job_.textX = f.x;
    job_.textY = f.y;
    lblPos_->move(QPointF(inArea.x() - lblPos_->width() / 2.0, inArea.y()).toPoint());
  } else {
    return;
  }
  settingsChanged();
}

void MainWindow::setOriginBoxes() {
  const QSignalBlocker bx(txtXp_), by(txtYp_);
  txtXp_->setText(numberText(job_.originX));
  txtYp_->setText(numberText(job_.originY));
}

bool MainWindow::previewEvent(QEvent *event) {
  switch (event->type()) {
  case QEvent::Resize:
    layoutPreview();
    return false;
  case QEvent::MouseButtonPress: {
    auto *e = static_cast<QMouseEvent *>(event);
    if (e->button() != Qt::LeftButton)
      return false;
    picImg_->setFocus();
    const QPointF p = e->position() - QPointF(shownRect_.topLeft());
    if (moveMode_) {
      dragging_ = true;
      dragTo(p, false);
      return true;
    }
    const PreviewGeometry g = previewGeometry();
    if (grabTile(p))
      return true;
    const PlacementTarget hit = shownRect_.isEmpty()
                                    ? PlacementTarget::None
                                    : hitTest(g, p, job_.textWatermarkOn && !job_.text.isEmpty(), job_.textX,
                                              job_.textY, job_.pictureWatermarkOn, job_.pictureWatermarkX,
                                              job_.pictureWatermarkY);
    if (hit == PlacementTarget::None) {
      picImg_->unsetCursor();
      return false;
    }
    target_ = hit;
    int &anchor = hit == PlacementTarget::Text ? job_.textAnchor : job_.pictureWatermarkAnchor;
    if (anchor != AnchorFree) {
      anchor = AnchorFree;
      overlay_->showJob();
    }
    if (mXYPos_)
      mXYPos_->setEnabled(false);
    placeMarkers();
    (hit == PlacementTarget::Text ? lblPos_ : lblPosImg_)->show();
    picImg_->setCursor(Qt::SizeAllCursor);
    ShowStatus(DragHint);
    dragging_ = true;
    return true;
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
      picImg_->unsetCursor();
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
      showProcessedFullScreen();
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
  default:
    return false;
  }
}

void MainWindow::previewKey(int key) {
  const int dx = key == Qt::Key_Right ? 1 : key == Qt::Key_Left ? -1 : 0;
  const int dy = key == Qt::Key_Down ? 1 : key == Qt::Key_Up ? -1 : 0;
  if (dx == 0 && dy == 0)
    return;
  const bool textActive = (job_.textWatermarkOn && job_.textAnchor == AnchorFree) || textTiled();
  const bool pictureActive =
      (job_.pictureWatermarkOn && job_.pictureWatermarkAnchor == AnchorFree) || pictureTiled();
  const PreviewGeometry g = previewGeometry();
  if (moveMode_) {
    job_.originX += float(dx);
    job_.originY += float(dy);
    setOriginBoxes();
  } else if (pictureActive && (target_ == PlacementTarget::Picture || !textActive)) {
    const Fraction f = nudgeFraction(g, {job_.pictureWatermarkX, job_.pictureWatermarkY}, dx, dy);
    job_.pictureWatermarkX = f.x;
    job_.pictureWatermarkY = f.y;
  } else if (textActive) {
    const Fraction f = nudgeFraction(g, {job_.textX, job_.textY}, dx, dy);
    job_.textX = f.x;
    job_.textY = f.y;
  } else {
    // No placement: the arrows walk through the list.
    const int row = list_->currentRow() + dx + dy;
    if (row < 0 || row >= list_->count())
      QApplication::beep();
    else
      list_->setCurrentRow(row);
    return;
  }
  settingsChanged();
}

void MainWindow::enterMoveMode() {
  moveMode_ = true;
  picImg_->setCursor(Qt::SizeAllCursor);
  ShowStatus(MoveHint);
  lblPosMove_->setProperty("kuvoPlaced", false);
  lblPosMove_->move(picImg_->width() / 2, picImg_->height() / 2);
  lblPosMove_->setProperty("kuvoPlaced", true);
  lblPos_->hide();
  lblPosImg_->hide();
  blinkMarker(lblPosMove_, true);
  if (mXYPos_)
    mXYPos_->setEnabled(true);
  picImg_->setFocus();
}

void MainWindow::leaveMoveMode() {
  moveMode_ = false;
  dragging_ = false;
  picImg_->unsetCursor();
  lblPosMove_->hide();
  placeMarkers();
}

void MainWindow::resetOrigin() {
  txtXp_->setText(QStringLiteral("0"));
  txtYp_->setText(QStringLiteral("0"));
}

void MainWindow::askOrigin() {
  QInputDialog box(this);
  box.setObjectName(QStringLiteral("dlgXYPos"));
  box.setWindowTitle(QStringLiteral("起始点坐标"));
  box.setLabelText(QStringLiteral("请输入主图起始点坐标，格式为X,Y。\n如:要定点于左100像素、上120像素，请输入100,120"));
  box.setTextValue(numberText(job_.originX) + QLatin1Char(',') + numberText(job_.originY));
  if (box.exec() != QDialog::Accepted)
    return;
  const auto origin = parseOrigin(box.textValue());
  if (!origin)
    return;
  job_.originX = float(origin->x());
  job_.originY = float(origin->y());
  setOriginBoxes();
  settingsChanged();
}

} // namespace kuvo
