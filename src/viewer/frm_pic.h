#pragma once
// The full-screen viewer: one picture on a coloured background, a page of
// thumbnails of the file list, or a slide show; it hosts the crop tool and the
// wallpaper commands. The main window opens it with the file list and hears
// back through the signals.
#include <QFutureWatcher>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "viewer/picture_loader.h"

#include <atomic>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPainter;
class QPushButton;
class QSettings;
class QToolButton;
class QFrame;

namespace kuvo {

enum class ViewerSource { Original = 0, Processed = 1 };
enum class ViewerMode { Single = 0, List = 1, SlideShow = 2 };

struct ViewerOptions {
  QStringList files; // the main file list, in order
  int current = 0;   // the selected entry
  ViewerSource source = ViewerSource::Original;
  // For ViewerSource::Processed: the finished picture of list entry index
  // (the main window calls funImgDone with its current settings).
  std::function<QImage(int index)> processed;
  ViewerMode mode = ViewerMode::Single;
  bool cropMode = false; // the main window's "裁剪图片"
  // Hidden while the viewer is open and shown again when it closes (the main
  // window); may be null.
  QWidget *mainWindow = nullptr;
  // The settings store (group "Options" is used). When null the viewer opens
  // its own: INI, user scope, application name = the executable's base name.
  QSettings *settings = nullptr;
};

// Use from the main window:
//   auto *viewer = new frmPic(this);          // a window of its own
//   ViewerOptions o; o.files = ...; o.current = ...; o.mainWindow = this; ...
//   connect(viewer, &frmPic::currentChanged, ...); // select that entry
//   connect(viewer, &frmPic::removed, ...);        // remove that entry
//   connect(viewer, &frmPic::cropAdded, ...);      // replace the entry
//   viewer->open(o);
class frmPic : public QWidget {
  Q_OBJECT
public:
  // parent only owns the window; the viewer is always a top-level window.
  explicit frmPic(QWidget *parent = nullptr);
  ~frmPic() override;

  // Takes the list and shows itself full screen. The window deletes itself
  // when closed (closed() is emitted first).
  void open(const ViewerOptions &options);

  // What the window holds now.
  const QStringList &files() const { return files_; }
  int currentIndex() const { return current_; }
  ViewerMode mode() const { return mode_; }
  bool cropMode() const { return crop_; }
  bool fitToScreen() const { return fit_; }
  int backgroundColorIndex() const { return bgIndex_; }
  const QImage &picture() const { return image_; }       // upright; may be a reduced decode
  QSize naturalSize() const { return naturalSize_; }     // the shown picture at full resolution
  bool isLoading() const { return !pending_.isEmpty(); } // the sharp picture is on its way
  QString shownPath() const { return imagePath_; }
  bool isCached(const QString &path) const { return cache_.contains(path); }
  bool isReadingAhead() const; // a neighbour is being read
  // The text shown instead of a picture ("无法显示图片…"); empty while a picture shows.
  QString messageText() const { return message_; }
  bool infoVisible() const { return showInfo_; }
  QString infoText() const; // the information line (file, position, size, zoom)
  bool slidePaused() const { return mode_ == ViewerMode::SlideShow && !slideTimer_.isActive(); }
  QRect pictureRect() const { return picRect_; } // the shown picture, window pixels
  bool hasSelection() const { return hasSel_; }
  QRect selection() const { return sel_; }        // picture pixels from its top left
  const QImage &cutImage() const { return cut_; } // the region under the selection, from the original
  int page() const { return page_; }
  int visibleThumbnailCount() const { return int(thumbs_.size()); }
  int loadedThumbnailCount() const;
  QRect thumbnailGeometry(int i) const;
  bool slideShowRunning() const;
  int slideTimerInterval() const { return slideTimer_.interval(); }
  int slideInterval() const;
  static int slideCounter();
  // The options dialog's new "iSlideTime" (1 to 3600 seconds; others are
  // ignored); otherwise the first viewer reads it from the settings store.
  static void setSlideInterval(int seconds);
  QString tempPreviewPath() const;
  QString noticeText() const; // the passing message at the bottom; empty when none
  bool wallpaperBusy() const { return wallpaperBusy_; }

  // Operations of the window and its menus.
  void ShowPic(const QString &path);
  void ShowAll();
  void showOriginalSize();
  void next();
  void previous();
  void enterListBrowse();
  void nextPage();
  void previousPage();
  void openThumbnail(int i);
  void removeThumbnail(int i);
  void toggleSlideShow();
  void pauseSlideShow(); // Space: pause or resume a running show
  void toggleInfo();     // I: the information line
  void slideTick();
  void editSlideInterval();
  void setBackgroundColorIndex(int index);
  void enterCropMode();
  void leaveCropMode();
  void restartCrop();
  void copyPicture();
  void copyCut();
  void confirmCrop();
  QString prepareWallpaperFile();
  void setWallpaper(int style);

signals:
  void currentChanged(int index); // the viewer moved the main list's selection
  void removed(int index);        // "移除图片": remove this entry from the main list
  // "确定裁剪" + "是": remove entry replacedIndex (-1: none), append path and select it.
  void cropAdded(const QString &path, int replacedIndex);
  void closed(); // show the main window again
  // A line for the main window's status line ("【提示】…", "【操作错误】…"),
  // e.g. whether the wallpaper took.
  void statusMessage(const QString &text);

protected:
  void paintEvent(QPaintEvent *) override;
  void resizeEvent(QResizeEvent *) override;
  void keyPressEvent(QKeyEvent *) override;
  void wheelEvent(QWheelEvent *) override;
  void mousePressEvent(QMouseEvent *) override;
  void mouseMoveEvent(QMouseEvent *) override;
  void mouseReleaseEvent(QMouseEvent *) override;
  void mouseDoubleClickEvent(QMouseEvent *) override;
  void closeEvent(QCloseEvent *) override;

private:
  struct Thumb {
    QString path;
    QImage image;
    bool loaded = false;
  };

  void buildMenus();
  void buildBars();
  QSettings &settings();
  void showSource();
  void showCurrent();
  void showImage(const QImage &image, const QString &path, QSize natural = QSize());
  void present(const viewer::LoadedPicture &picture);
  void showMessage(const QString &text);
  // Shown: the picture the user asked for, ahead of any read-ahead.
  enum class LoadUrgency { ReadAhead = 0, Shown = 1 };
  void requestPicture(const QString &path, LoadUrgency urgency = LoadUrgency::ReadAhead);
  void dropWaitingLoads();
  void preloadAround(int index);
  void trimCache(int index);
  void loadFullSize();
  QSize screenTarget() const;
  void updateColorIcons();
  void paintStatusLines(QPainter &p);
  void showProcessed(int index);
  void layoutPicture();
  void loadPage();
  void cancelThumbnails();
  void hideThumbnails();
  void updatePageButtons();
  void applyBackground(int index);
  int thumbnailAt(QPoint pos) const;
  int handleAt(QPoint pos) const;
  QRect selectionOnScreen() const;
  void setSelectionVisible(bool on);
  void clearSelection();
  void computeCut();
  void placeToolbar(int gap);
  void placeHint();
  void hintTick();
  void updateHoverCursor(QPoint pos);
  void showNotice(const QString &text);
  QImage loadOriginal(const QString &path);

  // Shared with the main window through open().
  QStringList files_;
  int current_ = -1;
  ViewerSource source_ = ViewerSource::Original;
  std::function<QImage(int)> processed_;
  ViewerMode mode_ = ViewerMode::Single;
  QSettings *externalSettings_ = nullptr;
  QPointer<QWidget> mainWindow_;
  std::unique_ptr<QSettings> ownSettings_;

  // The shown picture.
  QImage image_;
  QString imagePath_; // empty for a processed picture or a cut region
  QSize naturalSize_;
  QString message_;
  bool showInfo_ = false;
  // Screen-sized decodes of the current picture and its neighbours, and
  // those on their way from the thread pool.
  QHash<QString, viewer::LoadedPicture> cache_;
  struct PictureLoad {
    QFutureWatcher<viewer::LoadedPicture> *watcher = nullptr;
    // Waiting, decoding or dropped: a load still waiting for a thread can be
    // dropped when the user has moved on, so it never holds up the next one.
    std::shared_ptr<std::atomic<int>> state;
  };
  QHash<QString, PictureLoad> loading_;
  QString pending_;     // waiting to be shown as soon as it is decoded
  QString fullPending_; // waiting for its full decode ("原始大小")
  QRect picRect_;
  QPixmap pix_;
  QSize pixFor_; // the shown size pix_ was scaled for
  bool fit_ = false;
  bool panAllowed_ = true;
  bool panning_ = false;
  QPoint panPress_;
  QPoint picPosAtPress_;
  int bgIndex_ = 0;
  int wheelRest_ = 0;
  bool ignoreDoubleClick_ = false;
  bool closing_ = false;

  // List browse.
  int page_ = 0;
  std::vector<Thumb> thumbs_;
  int thumbMenuIndex_ = -1;
  int hoverThumb_ = -1;
  QHash<QString, QImage> thumbCache_;
  QFutureWatcher<QImage> *thumbWatcher_ = nullptr;

  // Slide show and the crop hint.
  QTimer slideTimer_;
  QTimer hintTimer_;
  int hintCount_ = 0;

  // Crop tool.
  bool crop_ = false;
  bool hasSel_ = false;
  bool selVisible_ = false;
  bool drawing_ = false;
  bool moving_ = false;
  bool resizing_ = false;
  int handle_ = -1;
  QPoint start_, end_; // picture pixels
  QRect sel_;          // picture pixels
  QRect selAtPress_;
  QPoint grab_; // window pixels
  QImage cut_;
  QString originalPath_; // the original held for cutting ("P1")
  QImage original_;

  // Controls.
  QMenu *menu_ = nullptr;      // mImg2
  QMenu *thumbMenu_ = nullptr; // mImgF
  QAction *actFit_ = nullptr, *actOriginal_ = nullptr, *actSlide_ = nullptr, *actInfo_ = nullptr;
  QActionGroup *colorGroup_ = nullptr;
  QList<QAction *> colorActions_;
  QFrame *bar_ = nullptr; // picBox
  QPushButton *prev_ = nullptr, *next_ = nullptr, *slide_ = nullptr, *back_ = nullptr;
  QFrame *toolbar_ = nullptr; // Picture1
  QToolButton *tools_[4] = {};
  QLabel *tip_ = nullptr;    // lblTip
  QLabel *notice_ = nullptr; // passing messages, lower middle
  QTimer noticeTimer_;
  bool wallpaperBusy_ = false;
};

} // namespace kuvo
