// The preview area: its widgets, the worker that makes the preview, fitting
// the canvas into the area, the markers, the caption box, the neighbours'
// arrows and the source thumbnail.
#include "app/preview_panel.h"

#include "app/job_model.h"
#include "app/neighbour_previews.h"
#include "app/widget_helpers.h"
#include "app/window_rules.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QtConcurrent/QtConcurrentRun>

namespace kuvo {

namespace {
constexpr int ThumbnailSide = 72;

QFrame *marker(QWidget *parent, const char *name, const char *color) {
  auto *m = new QFrame(parent);
  m->setObjectName(QLatin1String(name));
  m->setAttribute(Qt::WA_TransparentForMouseEvents);
  m->setStyleSheet(
      QStringLiteral("QFrame#%1{background:%2;border:none;}").arg(QLatin1String(name), QLatin1String(color)));
  m->hide();
  return m;
}
} // namespace

PreviewPanel::PreviewPanel(JobModel *model, QWidget *parent) : QFrame(parent), model_(model) {
  setObjectName(QStringLiteral("picImg"));
  setFrameShape(QFrame::StyledPanel);
  setMinimumSize(300, 280);
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  setContextMenuPolicy(Qt::CustomContextMenu);
  imgM_ = named(new QLabel(this), "imgM");
  imgM_->setAlignment(Qt::AlignCenter);
  imgM_->setScaledContents(true);
  imgM_->setAttribute(Qt::WA_TransparentForMouseEvents);
  imgM_->setText(IdlePreviewText);
  lblPos_ = marker(this, "lblPos", "rgba(229,57,53,210)");
  lblPosImg_ = marker(this, "lblPosImg", "rgba(30,136,229,210)");
  lblPosMove_ = marker(this, "lblPosMove", "#1e88e5");
  lblPosMove_->resize(int(MoveMarkerSize), int(MoveMarkerSize));
  lblPosMove_->setStyleSheet(QStringLiteral("QFrame#lblPosMove{background:#1e88e5;border:2px solid white;}"));
  buildEntryWidgets();
  connect(&watcher_, &QFutureWatcher<PipelineResult>::finished, this, &PreviewPanel::previewDone);
  connect(&thumbWatcher_, &QFutureWatcher<QImage>::finished, this, &PreviewPanel::thumbnailDone);
  // A right click in move mode ends the mode instead of opening the menu.
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
    if (moveMode_)
      leaveMoveMode();
    else
      emit menuRequested(mapToGlobal(pos));
  });
}

PreviewPanel::~PreviewPanel() {
  watcher_.waitForFinished();
  thumbWatcher_.waitForFinished();
}

void PreviewPanel::buildEntryWidgets() {
  // The caption box along the bottom of the preview: Enter stores the text as
  // the caption of the current entry, Esc hides the box.
  txtPicTxt_ = new QLineEdit(this);
  txtPicTxt_->setObjectName(QStringLiteral("txtPicTxt"));
  txtPicTxt_->setPlaceholderText(QStringLiteral("在这里填写该图片的说明,回车确认,ESC键隐藏本说明"));
  txtPicTxt_->installEventFilter(this);
  txtPicTxt_->hide();

  // Previous and next arrows at the preview's sides, and the thumbnail of the
  // source picture in its lower left corner (a click shows it full screen).
  auto arrow = [this](const QString &text, const QString &tip, const char *name) {
    auto *b = new QToolButton(this);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    b->setFixedSize(NeighbourPreviews::Side + 8, NeighbourPreviews::Side + 8);
    // They sit on the preview's dark ground whatever the skin.
    b->setStyleSheet(QStringLiteral("QToolButton{padding:0;border:none;border-radius:4px;color:white;"
                                    "background:rgba(0,0,0,90);font-size:20pt;font-weight:bold;}"
                                    "QToolButton:hover{background:rgba(0,0,0,150);}"));
    b->hide();
    return b;
  };
  imgPre_ = arrow(QStringLiteral("‹"), QStringLiteral("上一个图片"), "imgPre");
  imgFor_ = arrow(QStringLiteral("›"), QStringLiteral("下一个图片"), "imgFor");
  neighbours_ = new NeighbourPreviews(imgPre_, imgFor_, this);
  connect(imgPre_, &QToolButton::clicked, this, [this] {
    if (hasPrevious_)
      emit stepRequested(-1);
  });
  connect(imgFor_, &QToolButton::clicked, this, [this] {
    if (hasNext_)
      emit stepRequested(1);
  });
  imgSmall_ = new QToolButton(this);
  imgSmall_->setObjectName(QStringLiteral("imgSmall"));
  imgSmall_->setToolTip(QStringLiteral("原图"));
  imgSmall_->setIconSize(QSize(ThumbnailSide, ThumbnailSide));
  imgSmall_->hide();
  connect(imgSmall_, &QToolButton::clicked, this, &PreviewPanel::originalRequested);
}

void PreviewPanel::setPage(QWidget *page) {
  page_ = page;
}

void PreviewPanel::refresh(const ProcessingSettings &job, int row) {
  if (row < 0 || row >= job.files.size()) {
    row_ = -1;
    clearPicture(true);
    return;
  }
  // Something to preview: the news page gives way.
  if (page_)
    page_->hide();
  pendingJob_ = job;
  pendingRow_ = row;
  row_ = row;
  if (watcher_.isRunning()) {
    pending_ = true;
    return;
  }
  startPreview();
}

void PreviewPanel::showIdle() {
  row_ = -1;
  if (moveMode_)
    leaveMoveMode();
  clearPicture(true);
}

// No picture: the idle text, or (a failed entry) nothing at all.
void PreviewPanel::clearPicture(bool idleText) {
  image_ = QImage();
  placement_ = OverlayPlacement();
  imgM_->clear();
  if (idleText) {
    imgM_->setText(IdlePreviewText);
    imgM_->show();
  } else {
    imgM_->hide();
  }
  layoutPreview();
}

void PreviewPanel::startPreview() {
  pending_ = false;
  rowPath_ = pendingJob_.files.value(pendingRow_);
  DecodedSourceCache *sources = &sources_;
  watcher_.setFuture(QtConcurrent::run(
      [s = std::move(pendingJob_), row = pendingRow_, sources] { return funImgDone(s, row, sources); }));
  pendingJob_ = ProcessingSettings();
}

void PreviewPanel::previewDone() {
  if (pending_) {
    startPreview();
    return;
  }
  if (row_ < 0)
    return; // the list was emptied meanwhile
  const PipelineResult result = watcher_.result();
  if (result.canvas.isNull()) {
    // Nothing to show: no stale picture of another entry, and the reason.
    clearPicture(false);
    emit status(previewFailureText(rowPath_, result.errorText));
    emit previewShown();
    return;
  }
  imgM_->show();
  image_ = result.canvas;
  placement_ = result.placement;
  // Anchored watermarks store where they landed, so switching to a free
  // position keeps them in place.
  model_->store([&](ProcessingSettings &j) { storePlacement(j, result.placement); });
  if (!result.placement.statusText.isEmpty())
    emit status(result.placement.statusText);
  layoutPreview();
  emit previewShown();
}

bool PreviewPanel::busy() const {
  return watcher_.isRunning() || pending_;
}

// The canvas fitted into the preview area without enlarging it.
void PreviewPanel::layoutPreview() {
  const QRect area = contentsRect().adjusted(6, 6, -6, -6);
  if (page_)
    page_->setGeometry(contentsRect());
  const QRect r = contentsRect();
  imgPre_->move(r.left() + 2, r.center().y() - imgPre_->height() / 2);
  imgFor_->move(r.right() - imgFor_->width() - 1, r.center().y() - imgFor_->height() / 2);
  imgSmall_->move(r.left() + 6,
                  r.bottom() - imgSmall_->height() - 6 - (txtPicTxt_->isVisible() ? txtPicTxt_->height() : 0));
  for (QWidget *w :
       {static_cast<QWidget *>(imgPre_), static_cast<QWidget *>(imgFor_), static_cast<QWidget *>(imgSmall_)})
    w->raise();
  const int h = txtPicTxt_->sizeHint().height();
  txtPicTxt_->setGeometry(r.left(), r.bottom() + 1 - h, r.width(), h);
  if (image_.isNull() || row_ < 0) {
    shownRect_ = QRect();
    imgM_->setGeometry(area);
    placeMarkers();
    return;
  }
  const QRect fitted = fitRect(area.size(), image_.size());
  if (fitted.isEmpty())
    return;
  shownRect_ = fitted.translated(area.topLeft());
  // Scaled in device pixels, so the preview stays sharp at 150 % and 200 %.
  const qreal ratio = imgM_->devicePixelRatioF();
  QImage shown = image_;
  const QSize device = shownRect_.size() * ratio;
  if (shown.size() != device && (shown.width() > device.width() || shown.height() > device.height()))
    shown = shown.scaled(device, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QPixmap pixmap = QPixmap::fromImage(shown);
  pixmap.setDevicePixelRatio(std::max<qreal>(ratio, qreal(shown.width()) / std::max(1, shownRect_.width())));
  imgM_->setGeometry(shownRect_);
  imgM_->setPixmap(pixmap);
  placeMarkers();
}

PreviewGeometry PreviewPanel::previewGeometry() const {
  PreviewGeometry g;
  g.shown = QRectF(shownRect_);
  g.scale = image_.isNull() || image_.width() <= 0 ? 1.0 : double(shownRect_.width()) / image_.width();
  g.textSize = QSizeF(placement_.textRect.size());
  g.pictureSize = QSizeF(placement_.pictureRect.size());
  return g;
}

// A marker shows while its placement is active; the drag moves it itself.
void PreviewPanel::placeMarkers() {
  if (dragging_)
    return;
  const ProcessingSettings &job = model_->settings();
  const PreviewGeometry g = previewGeometry();
  const bool shown = !shownRect_.isEmpty();
  const bool textActive = job.textWatermarkOn && job.textAnchor == AnchorFree && !g.textSize.isEmpty() &&
                          !(job.textX == 0 && job.textY == 0);
  const bool pictureActive = job.pictureWatermarkOn && job.pictureWatermarkAnchor == AnchorFree &&
                             !g.pictureSize.isEmpty() && !(job.pictureWatermarkX == 0 && job.pictureWatermarkY == 0);
  if (shown && textActive)
    lblPos_->setGeometry(textMarker(g, job.textX, job.textY).toAlignedRect());
  if (shown && pictureActive)
    lblPosImg_->setGeometry(pictureMarker(g, job.pictureWatermarkX, job.pictureWatermarkY).toAlignedRect());
  if (blinkTimer_ && blinkTimer_->isActive())
    return;
  lblPos_->setVisible(shown && textActive && !moveMode_);
  lblPosImg_->setVisible(shown && pictureActive && !moveMode_);
  lblPosMove_->setVisible(moveMode_);
  if (moveMode_ && !lblPosMove_->property("kuvoPlaced").toBool()) {
    lblPosMove_->move(width() / 2, height() / 2);
    lblPosMove_->setProperty("kuvoPlaced", true);
  }
  for (QWidget *m : {lblPos_, lblPosImg_, lblPosMove_})
    m->raise();
}

// Shown, hidden, shown, hidden, shown; then the markers take their state.
void PreviewPanel::blinkMarker(QWidget *m, bool staysVisible) {
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

// The facts of the entry that became current: caption, thumbnail, arrows.
void PreviewPanel::showEntry(int row, const QString &path, const QString &previous, const QString &next) {
  neighbours_->show(previous, next);
  entryRow_ = row;
  entryPath_ = row < 0 ? QString() : path;
  hasPrevious_ = !previous.isEmpty();
  hasNext_ = !next.isEmpty();
  if (row < 0) {
    txtPicTxt_->hide();
    imgSmall_->hide();
    return;
  }
  txtPicTxt_->setText(model_->settings().description(row));
  // The thumbnail is decoded at its small size on a worker.
  thumbPath_ = path;
  if (!thumbWatcher_.isRunning())
    startThumbnail();
}

void PreviewPanel::startThumbnail() {
  const QString path = thumbPath_;
  thumbWatcher_.setProperty("path", path);
  thumbWatcher_.setFuture(QtConcurrent::run([path] { return NeighbourPreviews::decodeSmall(path, ThumbnailSide); }));
}

void PreviewPanel::thumbnailDone() {
  const QImage thumb = thumbWatcher_.result();
  if (!entryPath_.isEmpty() && thumbWatcher_.property("path").toString() != thumbPath_) {
    startThumbnail(); // another entry was chosen meanwhile
    return;
  }
  if (entryPath_.isEmpty() || entryPath_ != thumbPath_ || thumb.isNull()) {
    imgSmall_->hide();
    return;
  }
  imgSmall_->setIcon(QPixmap::fromImage(thumb));
  imgSmall_->setIconSize(thumb.size());
  imgSmall_->adjustSize();
  layoutPreview();
  imgSmall_->show();
  imgSmall_->raise();
}

void PreviewPanel::showCaptionBox() {
  txtPicTxt_->show();
  txtPicTxt_->raise();
  txtPicTxt_->setFocus();
}

void PreviewPanel::storeCaption() {
  const int row = entryRow_;
  if (row < 0)
    return;
  const QString text = txtPicTxt_->text();
  model_->change(JobModel::Group::Captions, [row, &text](ProcessingSettings &j) {
    if (j.descriptions.size() <= row)
      j.descriptions.resize(row + 1);
    j.descriptions[row] = text;
  });
}

// The caption box's keys and the origin boxes' first clicks.
bool PreviewPanel::eventFilter(QObject *watched, QEvent *event) {
  const QEvent::Type type = event->type();
  if (watched == txtPicTxt_) {
    if (type == QEvent::FocusIn)
      emit status(QStringLiteral("【提示】请输入对该图片的说明，该说明将在PDF文档或被整合到网页中。"));
    const int key = type == QEvent::KeyPress ? static_cast<QKeyEvent *>(event)->key() : 0;
    if (key == Qt::Key_Escape) {
      txtPicTxt_->hide();
      setFocus();
      return true;
    }
    // Enter stores the caption and stops here: passed on, it would reach the
    // preview, where Enter opens the viewer.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      storeCaption();
      return true;
    }
  }
  if (type == QEvent::MouseButtonPress && watched->property("kuvoFirstHint").isValid() &&
      !firstClickDone_.contains(watched)) {
    firstClickDone_.insert(watched);
    emit status(watched->property("kuvoFirstHint").toString());
  }
  return QFrame::eventFilter(watched, event);
}

} // namespace kuvo
