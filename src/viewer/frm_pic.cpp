#include "viewer/frm_pic.h"

#include "engine/decoder.h"
#include "platform/program_paths.h"
#include "platform/wallpaper.h"
#include "viewer/frm_box.h"
#include "viewer/viewer_geometry.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QImageReader>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QToolButton>
#include <QWheelEvent>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>

namespace kuvo {

using namespace viewer;

namespace {

// Lasts for the life of the program: a later slide show continues where the
// last one stopped, and a new interval holds until the program ends.
int g_slideCounter = 0;
int g_slideInterval = 0; // 0: not read from the settings store yet

constexpr int HandleSize = 7;
constexpr int HandleHit = 11;
constexpr int ToolbarGapAfterDraw = 8;   // 120 twips
constexpr int ToolbarGapAfterResize = 2; // 30 twips

QString tr8(const char *s) {
  return QString::fromUtf8(s);
}

// Reads a picture as it is stored (no EXIF turn), refusing sizes that would
// exhaust memory. When target is valid the picture is read at most that size
// (JPEG decodes at a reduced scale) keeping its aspect ratio.
QImage readPicture(const QString &path, QSize target = QSize()) {
  QImageReader reader(path);
  reader.setAutoTransform(false);
  const QSize size = reader.size();
  if (size.isValid() && qint64(size.width()) * size.height() > MaxDecodedPixels)
    return QImage();
  if (target.isValid() && size.isValid() && (size.width() > target.width() || size.height() > target.height()))
    reader.setScaledSize(size.scaled(target, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
  QImage image = reader.read();
  if (image.isNull())
    return image;
  if (target.isValid() && (image.width() > target.width() || image.height() > target.height()))
    image = image.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return image;
}

// BMP files have no transparency: transparent parts become white, as the
// batch run lays pictures on its white canvas.
QImage flattenedOnWhite(const QImage &image) {
  if (!image.hasAlphaChannel())
    return image;
  QImage out(image.size(), QImage::Format_RGB32);
  out.fill(Qt::white);
  QPainter p(&out);
  p.drawImage(0, 0, image);
  return out;
}

QColor overlayOn(const QColor &bg, int alpha) {
  // Cells and frames a shade off the background, visible on all seven colours.
  return bg.lightness() > 140 ? QColor(0, 0, 0, alpha) : QColor(255, 255, 255, alpha);
}

} // namespace

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

void frmPic::buildMenus() {
  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("mImg2"));
  actFit_ = menu_->addAction(tr8("适合屏幕"), this, &frmPic::ShowAll);
  actFit_->setObjectName(QStringLiteral("mImgSA"));
  actFit_->setCheckable(true);
  actOriginal_ = menu_->addAction(tr8("原始大小"), this, &frmPic::showOriginalSize);
  actOriginal_->setObjectName(QStringLiteral("mImgSB"));
  actOriginal_->setCheckable(true);
  menu_->addSeparator();
  menu_->addAction(tr8("裁剪图片"), this, &frmPic::enterCropMode)->setObjectName(QStringLiteral("mCut"));
  menu_->addAction(tr8("复制图像"), this, &frmPic::copyPicture)->setObjectName(QStringLiteral("mImgCopy"));
  QMenu *desk = menu_->addMenu(tr8("设为桌面"));
  desk->setObjectName(QStringLiteral("mImgSetD"));
  const char *styles[] = {"平铺", "拉伸", "居中"};
  for (int i = 0; i < 3; ++i)
    desk->addAction(tr8(styles[i]), this, [this, i] { setWallpaper(i); })
        ->setObjectName(QStringLiteral("mImgSetD%1").arg(i));
  menu_->addSeparator();
  menu_->addAction(tr8("多图列表浏览"), this, &frmPic::enterListBrowse)->setObjectName(QStringLiteral("mLB"));
  actSlide_ = menu_->addAction(tr8("幻灯片浏览"), this, &frmPic::toggleSlideShow);
  actSlide_->setObjectName(QStringLiteral("mSLD"));
  actSlide_->setCheckable(true);
  menu_->addAction(tr8("播放速度设置..."), this, &frmPic::editSlideInterval)->setObjectName(QStringLiteral("mSLDP"));
  QMenu *colors = menu_->addMenu(tr8("背景颜色设置"));
  colors->setObjectName(QStringLiteral("mSetBGCLR"));
  colorGroup_ = new QActionGroup(this);
  for (int i = 0; i < BackgroundColorCount; ++i) {
    QPixmap swatch(12, 12);
    swatch.fill(backgroundColor(i));
    QAction *a =
        colors->addAction(QIcon(swatch), backgroundColorCaption(i), this, [this, i] { setBackgroundColorIndex(i); });
    a->setObjectName(QStringLiteral("mSetBGCLRS%1").arg(i));
    a->setCheckable(true);
    colorGroup_->addAction(a);
    colorActions_.append(a);
  }
  menu_->addSeparator();
  menu_->addAction(tr8("退出全屏   ESC"), this, &QWidget::close)->setObjectName(QStringLiteral("mImgClose"));

  thumbMenu_ = new QMenu(this);
  thumbMenu_->setObjectName(QStringLiteral("mImgF"));
  thumbMenu_->addAction(tr8("移除图片"), this, [this] { removeThumbnail(thumbMenuIndex_); })
      ->setObjectName(QStringLiteral("mRemove"));
}

void frmPic::buildBars() {
  bar_ = new QFrame(this);
  bar_->setObjectName(QStringLiteral("picBox"));
  bar_->setFixedSize(ButtonBarSize);
  bar_->setAutoFillBackground(true);
  auto *barLayout = new QHBoxLayout(bar_);
  barLayout->setContentsMargins(2, 2, 2, 2);
  barLayout->setSpacing(4);
  auto addButton = [&](const char *name, const char *text) {
    auto *b = new QPushButton(tr8(text), bar_);
    b->setObjectName(QLatin1String(name));
    b->setFocusPolicy(Qt::NoFocus);
    barLayout->addWidget(b);
    return b;
  };
  prev_ = addButton("Command1", "<");
  next_ = addButton("Command2", ">");
  slide_ = addButton("Command3", "幻灯");
  back_ = addButton("Command4", "返回");
  connect(prev_, &QPushButton::clicked, this, &frmPic::previousPage);
  connect(next_, &QPushButton::clicked, this, &frmPic::nextPage);
  connect(slide_, &QPushButton::clicked, this, &frmPic::toggleSlideShow);
  connect(back_, &QPushButton::clicked, this, &QWidget::close);
  bar_->hide();

  toolbar_ = new QFrame(this);
  toolbar_->setObjectName(QStringLiteral("Picture1"));
  toolbar_->setFrameShape(QFrame::StyledPanel);
  toolbar_->setAutoFillBackground(true);
  auto *toolLayout = new QHBoxLayout(toolbar_);
  toolLayout->setContentsMargins(2, 2, 2, 2);
  toolLayout->setSpacing(1);
  const char *tips[] = {"重新裁剪", "复制剪贴区域", "确定裁剪", "退出裁剪"};
  const QStyle::StandardPixmap icons[] = {QStyle::SP_BrowserReload, QStyle::SP_FileDialogContentsView,
                                          QStyle::SP_DialogApplyButton, QStyle::SP_DialogCloseButton};
  for (int i = 0; i < 4; ++i) {
    auto *t = new QToolButton(toolbar_);
    t->setObjectName(QStringLiteral("Image2_%1").arg(i));
    t->setToolTip(tr8(tips[i]));
    t->setIcon(style()->standardIcon(icons[i]));
    t->setIconSize(QSize(18, 18));
    t->setAutoRaise(true); // raised border while the pointer is over it
    t->setFocusPolicy(Qt::NoFocus);
    toolLayout->addWidget(t);
    tools_[i] = t;
  }
  connect(tools_[0], &QToolButton::clicked, this, &frmPic::restartCrop);
  connect(tools_[1], &QToolButton::clicked, this, &frmPic::copyCut);
  connect(tools_[2], &QToolButton::clicked, this, &frmPic::confirmCrop);
  connect(tools_[3], &QToolButton::clicked, this, &frmPic::leaveCropMode);
  toolbar_->adjustSize();
  toolbar_->hide();

  tip_ = new QLabel(tr8("【提示】按住鼠标左键拖动选择裁剪的区域。"), this);
  tip_->setObjectName(QStringLiteral("lblTip"));
  tip_->setStyleSheet(QStringLiteral("QLabel { color: white; background: rgba(0,0,0,170); border-radius: 6px;"
                                     " padding: 8px 16px; font-size: 15px; }"));
  tip_->adjustSize();
  tip_->setAttribute(Qt::WA_TransparentForMouseEvents);
  tip_->hide();
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

int frmPic::slideInterval() const {
  return g_slideInterval > 0 ? g_slideInterval : SlideIntervalDefault;
}
int frmPic::slideCounter() {
  return g_slideCounter;
}
void frmPic::setSlideInterval(int seconds) {
  if (seconds >= 1 && seconds <= SlideIntervalMax)
    g_slideInterval = seconds;
}
bool frmPic::slideShowRunning() const {
  return slideTimer_.isActive();
}
QString frmPic::tempPreviewPath() const {
  return scratchFolder() + QStringLiteral("/tempBZ.bmp");
}

int frmPic::loadedThumbnailCount() const {
  return int(std::count_if(thumbs_.begin(), thumbs_.end(), [](const Thumb &t) { return t.loaded; }));
}

QRect frmPic::thumbnailGeometry(int i) const {
  return thumbnailRect(i, size());
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

// ---- list browse ---------------------------------------------------------

void frmPic::enterListBrowse() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  slideTimer_.stop();
  actSlide_->setChecked(false);
  if (crop_)
    leaveCropMode();
  mode_ = ViewerMode::List;
  page_ = 0;
  loadPage();
  bar_->move(buttonBarRect(size()).topLeft());
  bar_->show();
  bar_->raise();
  QApplication::restoreOverrideCursor();
  update();
}

void frmPic::cancelThumbnails() {
  if (thumbWatcher_) {
    thumbWatcher_->disconnect(this);
    thumbWatcher_->cancel();
    thumbWatcher_->deleteLater();
    thumbWatcher_ = nullptr;
  }
}

void frmPic::hideThumbnails() {
  cancelThumbnails();
  thumbs_.clear();
  hoverThumb_ = -1;
  update();
}

void frmPic::loadPage() {
  cancelThumbnails();
  if (thumbCache_.size() > 3 * ThumbnailsPerPage)
    thumbCache_.clear();
  const PageRange r = pageRange(int(files_.size()), page_);
  thumbs_.clear();
  QStringList toLoad;
  for (int i = r.first; i <= r.last; ++i) {
    Thumb t;
    t.path = files_.at(i);
    auto hit = thumbCache_.constFind(t.path);
    if (hit != thumbCache_.constEnd()) {
      t.image = *hit;
      t.loaded = true;
    } else {
      toLoad.append(t.path);
    }
    thumbs_.push_back(t);
  }
  updatePageButtons();
  update();
  if (toLoad.isEmpty())
    return;
  // Decoded on the thread pool; the page is drawn at once and each cell fills
  // in as its picture arrives.
  const QSize target = thumbnailRect(0, size()).size() * devicePixelRatio();
  thumbWatcher_ = new QFutureWatcher<QImage>(this);
  connect(thumbWatcher_, &QFutureWatcher<QImage>::resultReadyAt, this, [this, toLoad](int k) {
    if (!thumbWatcher_)
      return;
    const QImage image = thumbWatcher_->resultAt(k);
    const QString &path = toLoad.at(k);
    thumbCache_.insert(path, image);
    for (Thumb &t : thumbs_) {
      if (t.path == path && !t.loaded) {
        t.image = image;
        t.loaded = true;
      }
    }
    update();
  });
  thumbWatcher_->setFuture(
      QtConcurrent::mapped(toLoad, [target](const QString &path) { return readPicture(path, target); }));
}

void frmPic::updatePageButtons() {
  const PageRange r = pageRange(int(files_.size()), page_);
  prev_->setEnabled(r.prevEnabled);
  next_->setEnabled(r.nextEnabled);
}

void frmPic::nextPage() {
  if (!pageRange(int(files_.size()), page_).nextEnabled)
    return;
  ++page_;
  loadPage();
}

void frmPic::previousPage() {
  if (page_ <= 0)
    return;
  --page_;
  loadPage();
}

int frmPic::thumbnailAt(QPoint pos) const {
  if (mode_ != ViewerMode::List)
    return -1;
  for (int i = 0; i < int(thumbs_.size()); ++i)
    if (thumbnailRect(i, size()).contains(pos))
      return i;
  return -1;
}

void frmPic::openThumbnail(int i) {
  if (i < 0 || i >= int(thumbs_.size()))
    return;
  const int entry = page_ * ThumbnailsPerPage + i;
  if (entry >= files_.size())
    return;
  current_ = entry;
  emit currentChanged(current_);
  mode_ = ViewerMode::Single;
  hideThumbnails();
  bar_->hide();
  ShowPic(files_.at(entry));
  update();
}

void frmPic::removeThumbnail(int i) {
  if (i < 0 || i >= int(thumbs_.size()))
    return;
  const int entry = page_ * ThumbnailsPerPage + i;
  if (entry >= files_.size())
    return;
  emit removed(entry);
  files_.removeAt(entry);
  if (current_ > entry || current_ >= files_.size())
    --current_;
  // The page is laid again so that each cell still opens the entry it shows.
  while (page_ > 0 && page_ * ThumbnailsPerPage >= files_.size())
    --page_;
  loadPage();
}

// ---- slide show ------------------------------------------------------------

void frmPic::toggleSlideShow() {
  if (slideTimer_.isActive()) {
    slideTimer_.stop();
    actSlide_->setChecked(false);
    mode_ = ViewerMode::Single;
    return;
  }
  actSlide_->setChecked(true);
  slideTimer_.setInterval(slideInterval() * 1000);
  slideTimer_.start();
  bar_->hide();
  if (crop_)
    leaveCropMode();
  mode_ = ViewerMode::SlideShow;
  hideThumbnails();
}

void frmPic::slideTick() {
  if (files_.isEmpty())
    return;
  const int n = int(files_.size());
  ShowPic(files_.at(((g_slideCounter % n) + n) % n));
  ++g_slideCounter;
}

void frmPic::editSlideInterval() {
  QInputDialog box(this);
  box.setObjectName(QStringLiteral("slideSpeedBox"));
  box.setWindowTitle(tr8("设置"));
  box.setLabelText(tr8("请输入幻灯片时间间隔(单位:秒)"));
  box.setInputMode(QInputDialog::TextInput);
  box.setTextValue(QString::number(slideInterval()));
  box.setOkButtonText(tr8("确定"));
  box.setCancelButtonText(tr8("取消"));
  QPointer<frmPic> self(this);
  if (box.exec() != QDialog::Accepted || !self)
    return;
  g_slideInterval = parseSlideInterval(box.textValue(), slideInterval());
  slideTimer_.setInterval(slideInterval() * 1000);
}

// ---- mouse -----------------------------------------------------------------

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
    else if (source_ == ViewerSource::Original && mode_ == ViewerMode::Single)
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

// ---- crop --------------------------------------------------------------------

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
    QImage image = readPicture(path);
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

// ---- copy and wallpaper --------------------------------------------------------

void frmPic::copyPicture() {
  if (!image_.isNull())
    QApplication::clipboard()->setImage(image_);
}

QString frmPic::prepareWallpaperFile() {
  if (image_.isNull())
    return QString();
  // A BMP original is used where it lies; anything else (another format, a
  // processed preview that is deleted on close, a cut region) is written as
  // a BMP into the per-user wallpaper folder so that it outlives the viewer.
  if (!imagePath_.isEmpty() && imagePath_.endsWith(QStringLiteral(".bmp")) && QFileInfo::exists(imagePath_))
    return imagePath_;
  const QString path = nextWallpaperFilePath();
  return flattenedOnWhite(image_).save(path, "BMP") ? path : QString();
}

void frmPic::setWallpaper(int style) {
  const QString path = prepareWallpaperFile();
  if (!path.isEmpty())
    setDesktopWallpaper(path, style);
}

// ---- painting and layout -------------------------------------------------------

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
  if (image_.isNull() || picRect_.isEmpty())
    return;
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
