#include "viewer/frm_pic.h"

#include "engine/decoder.h"
#include "platform/program_paths.h"
#include "viewer/frm_pic_detail.h"
#include "viewer/viewer_geometry.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QWheelEvent>

#include <algorithm>

namespace kuvo {

using namespace viewer;

frmPic::frmPic(QWidget *parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmPic"));
  // Pictures up to MaxDecodedPixels are read (the size is checked before
  // decoding); Qt's default limit would refuse an ordinary 48-megapixel photo.
  const int limitMb = int(MaxDecodedPixels * 4 / (1024 * 1024)) + 1;
  if (QImageReader::allocationLimit() < limitMb)
    QImageReader::setAllocationLimit(limitMb);
  setWindowTitle(QStringLiteral("Kuvo图片批处理"));
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  buildMenus();
  buildBars();

  slideTimer_.setObjectName(QStringLiteral("Timer1"));
  connect(&slideTimer_, &QTimer::timeout, this, &frmPic::slideTick);
  hintTimer_.setObjectName(QStringLiteral("Timer2"));
  hintTimer_.setInterval(500);
  connect(&hintTimer_, &QTimer::timeout, this, &frmPic::hintTick);
  hintTimer_.start();
}

frmPic::~frmPic() {
  cancelThumbnails();
}

QSettings &frmPic::settings() {
  if (externalSettings_)
    return *externalSettings_;
  if (!ownSettings_) {
    const QString app = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    ownSettings_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, app, app);
  }
  return *ownSettings_;
}

void frmPic::open(const ViewerOptions &o) {
  files_ = o.files;
  current_ = files_.isEmpty() ? -1 : std::clamp(o.current, 0, int(files_.size()) - 1);
  source_ = o.source;
  processed_ = o.processed;
  externalSettings_ = o.settings;

  QSettings &s = settings();
  s.beginGroup(QStringLiteral("Options"));
  bool ok = false;
  int bg = s.value(QStringLiteral("iBGColor"), 0).toString().toInt(&ok);
  if (!ok || bg < 0 || bg >= BackgroundColorCount)
    bg = 0;
  if (g_slideInterval == 0) {
    const int t = s.value(QStringLiteral("iSlideTime"), SlideIntervalDefault).toString().toInt(&ok);
    g_slideInterval = ok && t >= 1 && t <= SlideIntervalMax ? t : SlideIntervalDefault;
  }
  s.endGroup();
  applyBackground(bg);

  if (QScreen *sc = screen())
    setGeometry(sc->geometry());
  fit_ = false;
  actFit_->setChecked(false);
  actOriginal_->setChecked(true);
  panAllowed_ = true;

  if (o.mode == ViewerMode::List) {
    enterListBrowse();
  } else {
    mode_ = ViewerMode::Single;
    showSource();
    if (o.mode == ViewerMode::SlideShow)
      toggleSlideShow();
  }
  if (o.cropMode) {
    crop_ = true;
    clearSelection();
  }
  showFullScreen();
  activateWindow();
  setFocus();
  mainWindow_ = o.mainWindow;
  if (mainWindow_ && mainWindow_ != this)
    mainWindow_->hide();
  updateHoverCursor(mapFromGlobal(QCursor::pos()));
}

QString frmPic::tempPreviewPath() const {
  return scratchFolder() + QStringLiteral("/tempBZ.bmp");
}

// ---- showing a picture -------------------------------------------------

void frmPic::showSource() {
  if (source_ == ViewerSource::Processed)
    showProcessed(current_);
  else if (current_ >= 0)
    ShowPic(files_.at(current_));
}

void frmPic::showCurrent() {
  if (current_ < 0)
    return;
  if (source_ == ViewerSource::Processed)
    showProcessed(current_);
  else
    ShowPic(files_.at(current_));
}

void frmPic::ShowPic(const QString &path) {
  const QImage image = readPicture(path);
  if (image.isNull())
    return; // the previous picture stays
  showImage(image, path);
}

void frmPic::showImage(const QImage &image, const QString &path) {
  // Kept in a format the painter draws without converting on every paint.
  image_ = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                   : image.convertToFormat(QImage::Format_RGB32);
  imagePath_ = path;
  pix_ = QPixmap();
  ShowAll();
}

void frmPic::showProcessed(int index) {
  if (!processed_ || index < 0)
    return;
  const QImage image = processed_(index);
  if (image.isNull())
    return;
  QDir().mkpath(scratchFolder());
  flattenedOnWhite(image).save(tempPreviewPath(), "BMP");
  showImage(image, QString());
}

void frmPic::ShowAll() {
  fit_ = true;
  actFit_->setChecked(true);
  actOriginal_->setChecked(false);
  panAllowed_ = false;
  layoutPicture();
}

void frmPic::showOriginalSize() {
  fit_ = false;
  actFit_->setChecked(false);
  actOriginal_->setChecked(true);
  layoutPicture();
}

void frmPic::layoutPicture() {
  if (hasSel_ || selVisible_) {
    // The selection is in the old picture's pixels.
    setSelectionVisible(false);
    hasSel_ = false;
  }
  picRect_ = image_.isNull() ? QRect()
             : fit_          ? fitRect(image_.size(), size())
                             : originalSizeRect(image_.size(), size());
  update();
}

void frmPic::applyBackground(int index) {
  bgIndex_ = std::clamp(index, 0, BackgroundColorCount - 1);
  colorActions_.at(bgIndex_)->setChecked(true);
  QPalette pal = bar_->palette();
  const QColor bg = backgroundColor(bgIndex_);
  pal.setColor(QPalette::Window, bg.lightness() > 140           ? bg.darker(112)
                                 : bg.lighter(130).value() < 40 ? QColor(45, 45, 45)
                                                                : bg.lighter(130));
  bar_->setPalette(pal);
  update();
}

void frmPic::setBackgroundColorIndex(int index) {
  applyBackground(index);
  bar_->update();
  QSettings &s = settings();
  s.beginGroup(QStringLiteral("Options"));
  s.setValue(QStringLiteral("iBGColor"), QString::number(bgIndex_));
  s.endGroup();
  s.sync();
}

// ---- navigation ----------------------------------------------------------

void frmPic::next() {
  if (mode_ != ViewerMode::Single || current_ < 0 || current_ >= files_.size() - 1) {
    QApplication::beep();
    return;
  }
  ++current_;
  emit currentChanged(current_);
  showCurrent();
}

void frmPic::previous() {
  if (mode_ != ViewerMode::Single || current_ <= 0) {
    QApplication::beep();
    return;
  }
  --current_;
  emit currentChanged(current_);
  showCurrent();
}

void frmPic::keyPressEvent(QKeyEvent *e) {
  switch (e->key()) {
  case Qt::Key_Right:
  case Qt::Key_Down:
    next();
    break;
  case Qt::Key_Left:
  case Qt::Key_Up:
    previous();
    break;
  case Qt::Key_Escape:
    if (crop_)
      leaveCropMode();
    else
      close();
    break;
  default:
    QWidget::keyPressEvent(e);
  }
}

void frmPic::wheelEvent(QWheelEvent *e) {
  e->accept();
  const int y = e->angleDelta().y();
  if (e->buttons() != Qt::NoButton || (e->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier ||
      e->angleDelta().x() != 0) {
    wheelRest_ = 0;
    return;
  }
  int notch = y;
  if (std::abs(y) < 120) {
    // High-resolution wheels and touch pads send parts of a notch.
    wheelRest_ += y;
    if (std::abs(wheelRest_) < 120)
      return;
    notch = wheelRest_ > 0 ? 120 : -120;
    wheelRest_ = 0;
  }
  const int step = wheelStep(notch, e->buttons(), e->modifiers());
  if (step > 0)
    next();
  else if (step < 0)
    previous();
}

void frmPic::closeEvent(QCloseEvent *e) {
  if (!closing_) {
    closing_ = true;
    slideTimer_.stop();
    hintTimer_.stop();
    cancelThumbnails();
    QFile::remove(tempPreviewPath());
    mode_ = ViewerMode::Single;
    crop_ = false;
    hasSel_ = moving_ = resizing_ = drawing_ = false;
    page_ = 0;
    if (mainWindow_)
      mainWindow_->show();
    emit closed();
  }
  e->accept();
}

} // namespace kuvo
