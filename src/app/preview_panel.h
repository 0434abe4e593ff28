#pragma once
// The preview area (picImg): what the job makes of the current entry, shown
// scaled, computed on a worker; the markers by which the watermarks and the
// picture's start point are dragged or nudged with the arrow keys; the origin
// boxes, the caption box, the neighbours' arrows and the source thumbnail.
// Placement is read from and written to the job model.
#include "app/placement.h"
#include "engine/decoded_source_cache.h"
#include "engine/pipeline.h"

#include <QFrame>
#include <QMimeData>
#include <QFutureWatcher>
#include <QImage>
#include <QPointer>
#include <QSet>

class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;
class QVBoxLayout;

namespace kuvo {

class JobModel;
class NeighbourPreviews;

class PreviewPanel : public QFrame {
  Q_OBJECT
public:
  explicit PreviewPanel(JobModel *model, QWidget *parent = nullptr);
  ~PreviewPanel() override;

  // "移动图片" and the origin boxes with their zero buttons, added to the side
  // strip's column.
  void addOriginControls(QWidget *strip, QVBoxLayout *column);
  // The news page: it fills the area while there is nothing to preview.
  void setPage(QWidget *page);

  // Computes the preview of entry row of job (job.files in list order). One
  // computation at a time; a request made while one runs replaces any still
  // waiting, so only the newest is shown. row < 0 shows the idle text.
  void refresh(const ProcessingSettings &job, int row);
  // The list emptied: idle text, no move mode.
  void showIdle();
  bool busy() const;
  QImage image() const { return image_; }

  // The entry that became current: its caption, thumbnail and neighbours'
  // arrows (empty paths: none).
  void showEntry(int row, const QString &path, const QString &previous, const QString &next);
  void showCaptionBox(); // "图片说明..."

  // Placement.
  PreviewGeometry previewGeometry() const;
  QRect shownPictureRect() const { return shownRect_; } // where the canvas is drawn
  bool moveMode() const { return moveMode_; }
  PlacementTarget placementTarget() const { return target_; }
  // A position list switched to "自定义": the target's marker blinks and stays.
  void startPlacement(PlacementTarget target);
  void enterMoveMode();
  void leaveMoveMode();
  void resetOrigin();
  void askOrigin();
  void previewKey(int key);
  void showOrigin(); // the job's start point in the boxes
  void layoutPreview();

signals:
  void previewShown();
  void status(const QString &text);
  void stepRequested(int delta); // an arrow without placement: the neighbouring entry
  void fullScreenRequested();    // Enter
  void originalRequested();      // the thumbnail
  void menuRequested(const QPoint &globalPos);
  void dropped(const QMimeData *data); // pictures dropped on the preview
  void originEntryEnabled(bool on);    // "坐标定位" is available in move mode
  void anchorFreed();                  // a watermark caught here went to "自定义"

protected:
  bool event(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void buildEntryWidgets();
  void startPreview();
  void previewDone();
  void clearPicture(bool idleText);
  void storeCaption();
  void startThumbnail();
  void thumbnailDone();

  bool previewEvent(QEvent *event);
  bool pressed(QPointF p);
  void placeMarkers();
  void blinkMarker(QWidget *marker, bool staysVisible);
  void dragTo(QPointF p, bool released);
  bool grabTile(QPointF p);
  void editPlacement(const std::function<void(ProcessingSettings &)> &edit);
  void editOrigin(const std::function<void(ProcessingSettings &)> &edit);

  JobModel *model_;
  QLabel *imgM_ = nullptr;
  QFrame *lblPos_ = nullptr, *lblPosImg_ = nullptr, *lblPosMove_ = nullptr;
  QLineEdit *txtXp_ = nullptr, *txtYp_ = nullptr, *txtPicTxt_ = nullptr;
  QToolButton *imgPre_ = nullptr, *imgFor_ = nullptr, *imgSmall_ = nullptr;
  QPointer<QWidget> page_;
  NeighbourPreviews *neighbours_ = nullptr;
  QSet<QObject *> firstClickDone_;

  // The worker and what it last made.
  QFutureWatcher<PipelineResult> watcher_;
  DecodedSourceCache sources_; // the current entry decoded, for the next settings change
  ProcessingSettings pendingJob_;
  int pendingRow_ = -1;
  bool pending_ = false;
  int row_ = -1; // the entry shown or being computed; -1: none
  QString rowPath_;
  QImage image_;
  OverlayPlacement placement_;

  // The source thumbnail, decoded small on a worker.
  QFutureWatcher<QImage> thumbWatcher_;
  QString thumbPath_;
  int entryRow_ = -1; // the current list entry, also while the live preview is off
  QString entryPath_;
  bool hasPrevious_ = false, hasNext_ = false;

  // Placement.
  QRect shownRect_;
  PlacementTarget target_ = PlacementTarget::None;
  bool moveMode_ = false;
  bool dragging_ = false;
  QTimer *blinkTimer_ = nullptr;
  // A press on a tiled watermark drags its whole grid from where it was grabbed.
  QPointF tileGrabPoint_;
  double tileGrabX_ = 0, tileGrabY_ = 0;
  bool tileGrabbed_ = false;
};

} // namespace kuvo
