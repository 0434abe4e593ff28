#include "viewer/frm_pic.h"

#include "engine/decoder.h"
#include "engine/native_names.h"
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

void frmPic::toggleInfo() {
  showInfo_ = !showInfo_;
  actInfo_->setChecked(showInfo_);
  update();
}

QString frmPic::infoText() const {
  if (image_.isNull())
    return imagePath_.isEmpty() ? QString() : QFileInfo(imagePath_).fileName();
  const int index = imagePath_.isEmpty() ? -1 : int(files_.indexOf(imagePath_));
  QStringList parts;
  parts << (imagePath_.isEmpty() ? tr8("处理图") : QFileInfo(imagePath_).fileName());
  if (index >= 0)
    parts << QStringLiteral("%1/%2").arg(index + 1).arg(files_.size());
  parts << tr8("%1×%2 像素").arg(naturalSize_.width()).arg(naturalSize_.height());
  if (!imagePath_.isEmpty()) {
    const double mb = double(nativeFileFacts(imagePath_).size) / (1024.0 * 1024.0); // GBK names too
    parts << (mb >= 1.0 ? QStringLiteral("%1 MB").arg(mb, 0, 'f', 1)
                        : QStringLiteral("%1 KB").arg(std::max(1.0, mb * 1024.0), 0, 'f', 0));
  }
  if (naturalSize_.width() > 0 && !picRect_.isEmpty())
    parts << tr8("缩放 %1%").arg(qRound(100.0 * picRect_.width() / naturalSize_.width()));
  return parts.join(QStringLiteral("    "));
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
  else
    showMessage(tr8("没有可以显示的图片。\n请先在主窗口添加图片。"));
}

void frmPic::showCurrent() {
  if (current_ < 0)
    return;
  if (source_ == ViewerSource::Processed)
    showProcessed(current_);
  else
    ShowPic(files_.at(current_));
}

void frmPic::showImage(const QImage &image, const QString &path, QSize natural) {
  // Kept in a format the painter draws without converting on every paint.
  image_ = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                   : image.convertToFormat(QImage::Format_RGB32);
  imagePath_ = path;
  naturalSize_ = natural.isValid() ? natural : image.size();
  message_.clear();
  pix_ = QPixmap();
  ShowAll();
}

void frmPic::showProcessed(int index) {
  const QImage image = processed_ && index >= 0 ? processed_(index) : QImage();
  if (image.isNull()) {
    showMessage(tr8("没有可以预览的处理图。\n请在主窗口选择一张能处理的图片后再试。"));
    return;
  }
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
  if (!image_.isNull() && image_.size() != naturalSize_)
    loadFullSize(); // laid out at natural size once the full picture is read
  else
    layoutPicture();
}

void frmPic::layoutPicture() {
  if (hasSel_ || selVisible_) {
    // The selection is in the old picture's pixels.
    setSelectionVisible(false);
    hasSel_ = false;
  }
  // A reduced decode is only ever shown fitted; "原始大小" waits for the full one.
  const bool full = image_.size() == naturalSize_;
  picRect_ = image_.isNull()  ? QRect()
             : fit_ || !full ? fitRect(naturalSize_, size())
                             : originalSizeRect(naturalSize_, size());
  update();
}

void frmPic::applyBackground(int index) {
  bgIndex_ = std::clamp(index, 0, BackgroundColorCount - 1);
  colorActions_.at(bgIndex_)->setChecked(true);
  updateColorIcons();
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
    // One thing at a time: the crop, then the slide show, then the viewer.
    if (crop_)
      leaveCropMode();
    else if (mode_ == ViewerMode::SlideShow)
      toggleSlideShow();
    else
      close();
    break;
  case Qt::Key_Space:
    pauseSlideShow();
    break;
  case Qt::Key_I:
    toggleInfo();
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
    dropWaitingLoads();
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
