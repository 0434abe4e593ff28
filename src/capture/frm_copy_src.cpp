#include "capture/frm_copy_src.h"

#include "capture/capture_files.h"
#include "platform/program_paths.h"
#include "platform/tool_icons.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace kuvo {

namespace capture_geometry {

QPoint toolbarPosition(const QRect &selection, const QSize &toolbar, const QSize &screen) {
  const int right = selection.x() + selection.width();
  const int bottom = selection.y() + selection.height();
  int left = right - toolbar.width();
  int top = bottom + 4;
  if (top + toolbar.height() > screen.height())
    top = bottom - toolbar.height() - 4;
  left = std::max(left, 0);
  top = std::max(top, 0);
  return {left, top};
}

QRect spanned(const QPoint &a, const QPoint &b) {
  return QRect(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(a.x() - b.x()), std::abs(a.y() - b.y()));
}

QRect moved(const QRect &atPress, const QPoint &delta, const QSize &screen) {
  const int w = std::min(atPress.width(), screen.width());
  const int h = std::min(atPress.height(), screen.height());
  const int left = std::clamp(atPress.x() + delta.x(), 0, screen.width() - w);
  const int top = std::clamp(atPress.y() + delta.y(), 0, screen.height() - h);
  return QRect(left, top, w, h);
}

QRect resized(const QRect &atPress, int handle, const QPoint &delta, const QSize &screen) {
  int left = atPress.x();
  int top = atPress.y();
  int right = atPress.x() + atPress.width();
  int bottom = atPress.y() + atPress.height();
  const bool movesLeft = handle == 0 || handle == 3 || handle == 4;
  const bool movesRight = handle == 2 || handle == 6 || handle == 7;
  const bool movesTop = handle == 0 || handle == 1 || handle == 2;
  const bool movesBottom = handle == 4 || handle == 5 || handle == 6;
  if (movesLeft)
    left = std::clamp(left + delta.x(), 0, screen.width());
  if (movesRight)
    right = std::clamp(right + delta.x(), 0, screen.width());
  if (movesTop)
    top = std::clamp(top + delta.y(), 0, screen.height());
  if (movesBottom)
    bottom = std::clamp(bottom + delta.y(), 0, screen.height());
  return spanned(QPoint(left, top), QPoint(right, bottom));
}

QPoint handlePoint(const QRect &s, int handle) {
  const int l = s.x(), t = s.y(), r = s.x() + s.width(), b = s.y() + s.height();
  const int cx = l + s.width() / 2, cy = t + s.height() / 2;
  switch (handle) {
  case 0: return {l, t};
  case 1: return {cx, t};
  case 2: return {r, t};
  case 3: return {l, cy};
  case 4: return {l, b};
  case 5: return {cx, b};
  case 6: return {r, b};
  default: return {r, cy};
  }
}

} // namespace capture_geometry

namespace {

constexpr int kHandleSize = 7;
const QColor kFrameColor(0, 160, 255);

Qt::CursorShape handleCursor(int handle) {
  switch (handle) {
  case 0:
  case 6: return Qt::SizeFDiagCursor;
  case 2:
  case 4: return Qt::SizeBDiagCursor;
  case 1:
  case 5: return Qt::SizeVerCursor;
  default: return Qt::SizeHorCursor;
  }
}

} // namespace

frmCopySrc *frmCopySrc::start(QWidget *mainWindow, int settleMs) {
  auto *window = new frmCopySrc(mainWindow);
  if (mainWindow)
    mainWindow->hide();
  // The hidden main window needs a moment to leave the screen before the
  // screens are frozen, or it would appear in the frozen picture.
  QTimer::singleShot(std::max(settleMs, 0), window, &frmCopySrc::freezeAndShow);
  return window;
}

frmCopySrc::frmCopySrc(QWidget *mainWindow) : QWidget(nullptr), mainWindow_(mainWindow) {
  setObjectName(QStringLiteral("frmCopySrc"));
  setAttribute(Qt::WA_DeleteOnClose);
  // Frameless and outside the window manager's control, so it lies exactly
  // over the whole desktop, panels included.
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                 Qt::X11BypassWindowManagerHint);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::CrossCursor);

  lblPos_ = new QLabel(this);
  lblPos_->setObjectName(QStringLiteral("lblPos"));
  lblPos_->setStyleSheet(QStringLiteral("QLabel { background: rgba(0,0,0,170); color: white; padding: 1px 3px; }"));
  lblPos_->setAttribute(Qt::WA_TransparentForMouseEvents);
  lblPos_->hide();

  toolbar_ = new QWidget(this);
  toolbar_->setObjectName(QStringLiteral("Picture1"));
  toolbar_->setAutoFillBackground(true);
  toolbar_->setCursor(Qt::ArrowCursor);
  toolbar_->setStyleSheet(QStringLiteral("#Picture1 { background: rgb(240,240,240); border: 1px solid rgb(120,120,120); }"));
  auto *layout = new QHBoxLayout(toolbar_);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(1);
  const std::array<std::pair<QString, QString>, 4> texts{{
      {QStringLiteral("重截"), QStringLiteral("重新截图")},
      {QStringLiteral("复制"), QStringLiteral("复制到剪贴板")},
      {QStringLiteral("保存"), QStringLiteral("保存并添加到批处理列表")},
      {QStringLiteral("退出"), QStringLiteral("退出截图")},
  }};
  const ToolIcon icons[] = {ToolIcon::Redo, ToolIcon::Copy, ToolIcon::Save, ToolIcon::Exit};
  for (size_t i = 0; i < texts.size(); ++i) {
    auto *button = new QToolButton(toolbar_);
    button->setObjectName(QStringLiteral("Image2_%1").arg(i));
    button->setText(texts[i].first);
    button->setIcon(toolIcon(icons[i]));
    button->setIconSize(QSize(18, 18));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setToolTip(texts[i].second);
    button->setAutoRaise(true); // raised only while the pointer is over it
    button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(button);
    buttons_[i] = button;
  }
  connect(buttons_[0], &QToolButton::clicked, this, &frmCopySrc::restart);
  connect(buttons_[1], &QToolButton::clicked, this, &frmCopySrc::copyToClipboard);
  connect(buttons_[2], &QToolButton::clicked, this, &frmCopySrc::saveAndAdd);
  connect(buttons_[3], &QToolButton::clicked, this, &QWidget::close);
  toolbar_->adjustSize();
  toolbar_->setFixedSize(toolbar_->sizeHint());
  toolbar_->move(0, -toolbar_->height());
  toolbar_->hide();
}

frmCopySrc::~frmCopySrc() { finish(); }

QString frmCopySrc::frozenScratchPath() { return scratchFolder() + QStringLiteral("/tmpsrc1.bmp"); }
QString frmCopySrc::darkenedScratchPath() { return scratchFolder() + QStringLiteral("/tmpsrc2.bmp"); }

void frmCopySrc::freezeAndShow() {
  const QList<QScreen *> screens = QGuiApplication::screens();
  QRect desktop;
  qreal scale = 1.0;
  for (QScreen *screen : screens) {
    desktop = desktop.united(screen->geometry());
    scale = std::max(scale, screen->devicePixelRatio());
  }
  if (desktop.isEmpty()) {
    failToFreeze();
    return;
  }
  // One picture of the whole desktop at the finest screen resolution; areas
  // that no screen covers stay black.
  scale_ = scale;
  QImage frozen(QSize(qRound(desktop.width() * scale), qRound(desktop.height() * scale)), QImage::Format_RGB32);
  frozen.fill(Qt::black);
  int grabbed = 0;
  {
    QPainter painter(&frozen);
    for (QScreen *screen : screens) {
      QImage shot = screen->grabWindow(0).toImage();
      if (shot.isNull())
        continue;
      ++grabbed;
      shot.setDevicePixelRatio(1.0);
      const QRect g = screen->geometry();
      const QSize target(qRound(g.width() * scale), qRound(g.height() * scale));
      if (shot.size() != target)
        shot = shot.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      painter.drawImage(QPointF((g.topLeft() - desktop.topLeft()) * scale), shot);
    }
  }
  if (grabbed == 0) { // the window system does not let programs read the screen
    failToFreeze();
    return;
  }
  frozen_ = frozen;
  darkened_ = frozen.copy();
  {
    QPainter painter(&darkened_);
    painter.fillRect(darkened_.rect(), QColor(0, 0, 0, 140));
  }
  QDir().mkpath(scratchFolder());
  frozen_.save(frozenScratchPath(), "BMP");
  darkened_.save(darkenedScratchPath(), "BMP");
  frozen_.setDevicePixelRatio(scale_);
  darkened_.setDevicePixelRatio(scale_);

  mode_ = Mode::Draw;
  setGeometry(desktop);
  show();
  raise();
  activateWindow();
  setFocus();
  grabKeyboard(); // Esc must reach the window even when it was not activated
}

void frmCopySrc::failToFreeze() {
  emit statusMessage(QStringLiteral("【操作错误】无法截取屏幕。"));
  close();
}

QImage frmCopySrc::selectedImage() const {
  if (selection_.isEmpty() || frozen_.isNull())
    return {};
  const QRect source(qRound(selection_.x() * scale_), qRound(selection_.y() * scale_),
                     qRound(selection_.width() * scale_), qRound(selection_.height() * scale_));
  QImage region = frozen_.copy(source);
  region.setDevicePixelRatio(1.0);
  return region;
}

void frmCopySrc::restart() {
  mode_ = Mode::Draw;
  drag_ = Drag::None;
  toolbar_->hide();
  lblPos_->hide();
  setSelection(QRect());
}

void frmCopySrc::copyToClipboard() {
  toolbar_->hide();
  const QImage region = selectedImage();
  if (!region.isNull())
    QGuiApplication::clipboard()->setImage(region);
  close();
}

void frmCopySrc::saveAndAdd() {
  toolbar_->hide();
  const QImage region = selectedImage();
  if (region.isNull()) {
    emit statusMessage(QStringLiteral("【操作错误】没有选择截图区域，未添加图片。"));
    close();
    return;
  }
  QGuiApplication::clipboard()->setImage(region);
  // Saved from the frozen pixels directly, under a name no earlier capture
  // holds; a failed save adds nothing to the list.
  const QString path =
      saveNewBmp(region, scratchFolder(), QStringLiteral("user"), screenCaptureStamp(QDateTime::currentDateTime()));
  if (path.isEmpty())
    emit statusMessage(QStringLiteral("【操作错误】截图保存失败，未添加到列表：") + scratchFolder());
  else
    emit pictureAdded(QDir::toNativeSeparators(path));
  close();
}

int frmCopySrc::handleAt(const QPoint &pos) const {
  if (mode_ != Mode::Move || selection_.isEmpty())
    return -1;
  for (int i = 0; i < 8; ++i) {
    const QPoint c = capture_geometry::handlePoint(selection_, i);
    const QRect box(c.x() - kHandleSize / 2, c.y() - kHandleSize / 2, kHandleSize, kHandleSize);
    if (box.contains(pos))
      return i;
  }
  return -1;
}

bool frmCopySrc::insideSelection(const QPoint &pos) const {
  return !selection_.isEmpty() && pos.x() >= selection_.x() && pos.x() < selection_.x() + selection_.width() &&
         pos.y() >= selection_.y() && pos.y() < selection_.y() + selection_.height();
}

void frmCopySrc::setSelection(const QRect &rect) {
  selection_ = rect;
  if (!rect.isEmpty()) {
    lblPos_->setText(QStringLiteral("%1x%2").arg(rect.width()).arg(rect.height()));
    lblPos_->adjustSize();
    lblPos_->move(rect.x() + 2, rect.y() + 2);
  }
  lblPos_->setVisible(!rect.isEmpty());
  update();
}

void frmCopySrc::showFinishedSelection() {
  if (selection_.isEmpty()) {
    // A click without a drag selects nothing: keep drawing.
    mode_ = Mode::Draw;
    lblPos_->hide();
    toolbar_->hide();
    update();
    return;
  }
  mode_ = Mode::Move;
  toolbar_->move(capture_geometry::toolbarPosition(selection_, toolbar_->size(), screenSize()));
  toolbar_->show();
  toolbar_->raise();
}

void frmCopySrc::updateCursor(const QPoint &pos) {
  const int handle = handleAt(pos);
  if (drag_ == Drag::Moving)
    setCursor(Qt::SizeAllCursor);
  else if (drag_ == Drag::Resizing)
    setCursor(handleCursor(handle_));
  else if (handle >= 0)
    setCursor(handleCursor(handle));
  else if (mode_ == Mode::Move && insideSelection(pos))
    setCursor(Qt::SizeAllCursor);
  else
    setCursor(Qt::CrossCursor);
}

void frmCopySrc::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton)
    return;
  const QPoint pos = event->position().toPoint();
  if (mode_ == Mode::Move) {
    const int handle = handleAt(pos);
    if (handle >= 0) {
      drag_ = Drag::Resizing;
      handle_ = handle;
      grab_ = pos;
      atPress_ = selection_;
      toolbar_->hide();
      return;
    }
    if (insideSelection(pos)) {
      drag_ = Drag::Moving;
      grab_ = pos;
      atPress_ = selection_;
      toolbar_->hide();
      setCursor(Qt::SizeAllCursor);
      return;
    }
    // A press outside the rectangle starts a new one.
    mode_ = Mode::Draw;
  }
  drag_ = Drag::Drawing;
  start_ = QPoint(std::clamp(pos.x(), 0, width()), std::clamp(pos.y(), 0, height()));
  toolbar_->hide();
  lblPos_->hide();
  setSelection(QRect());
  setCursor(Qt::CrossCursor);
}

void frmCopySrc::mouseMoveEvent(QMouseEvent *event) {
  const QPoint pos = event->position().toPoint();
  if (event->buttons() & Qt::LeftButton) {
    switch (drag_) {
    case Drag::Drawing: {
      const QPoint end(std::clamp(pos.x(), 0, width()), std::clamp(pos.y(), 0, height()));
      setSelection(capture_geometry::spanned(start_, end));
      break;
    }
    case Drag::Moving: setSelection(capture_geometry::moved(atPress_, pos - grab_, screenSize())); break;
    case Drag::Resizing: setSelection(capture_geometry::resized(atPress_, handle_, pos - grab_, screenSize())); break;
    case Drag::None: break;
    }
  }
  updateCursor(pos);
}

void frmCopySrc::mouseReleaseEvent(QMouseEvent *event) {
  if (event->button() == Qt::RightButton) {
    close(); // cancel
    return;
  }
  if (event->button() != Qt::LeftButton || drag_ == Drag::None)
    return;
  drag_ = Drag::None;
  handle_ = -1;
  showFinishedSelection();
  updateCursor(event->position().toPoint());
}

void frmCopySrc::mouseDoubleClickEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton && mode_ == Mode::Move && insideSelection(event->position().toPoint())) {
    drag_ = Drag::None;
    saveAndAdd();
  }
}

void frmCopySrc::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void frmCopySrc::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  if (darkened_.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  painter.drawImage(QPointF(0, 0), darkened_);
  if (selection_.isEmpty())
    return;
  // The selection shows the bright frozen screen.
  const QRectF source(selection_.x() * scale_, selection_.y() * scale_, selection_.width() * scale_,
                      selection_.height() * scale_);
  painter.drawImage(QRectF(selection_), frozen_, source);
  painter.setPen(kFrameColor);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(selection_.adjusted(-1, -1, 0, 0)); // just outside the bright area
  painter.setPen(Qt::white);
  painter.setBrush(kFrameColor);
  for (int i = 0; i < 8; ++i) {
    const QPoint c = capture_geometry::handlePoint(selection_, i);
    painter.drawRect(c.x() - kHandleSize / 2, c.y() - kHandleSize / 2, kHandleSize - 1, kHandleSize - 1);
  }
}

void frmCopySrc::closeEvent(QCloseEvent *event) {
  finish();
  QWidget::closeEvent(event);
}

void frmCopySrc::finish() {
  if (finished_)
    return;
  finished_ = true;
  releaseKeyboard();
  removeScratchFile(frozenScratchPath());
  removeScratchFile(darkenedScratchPath());
  if (mainWindow_ && mainWindow_->isHidden())
    mainWindow_->show();
}

} // namespace kuvo
