#pragma once
// Screen region capture: freezes the desktop in a full-screen window, lets the
// user pick a rectangle on it, and copies that region to the clipboard or
// saves it as a BMP file for the main file list.
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QRect>
#include <QToolButton>
#include <QWidget>

#include <array>

namespace kuvo {

// Rectangle geometry of the capture window, kept free of widgets so that the
// rules can be checked on their own. All rectangles are in window pixels with
// the window covering the desktop; a rectangle's right edge is x + width.
namespace capture_geometry {

// The toolbar sits with its right edge on the selection's right edge, 4 pixels
// below the selection; when that would leave the screen it goes inside the
// selection, 4 pixels above its bottom edge. It never starts left of 0.
QPoint toolbarPosition(const QRect &selection, const QSize &toolbar, const QSize &screen);

// The rectangle spanned by two points, whichever corner was pressed first.
QRect spanned(const QPoint &a, const QPoint &b);

// A rectangle moved by `delta` and kept wholly on the screen.
QRect moved(const QRect &atPress, const QPoint &delta, const QSize &screen);

// A rectangle whose handle `handle` (0 top left, 1 top, 2 top right, 3 left,
// 4 bottom left, 5 bottom, 6 bottom right, 7 right) was dragged by `delta`:
// the edges tied to the handle follow, the others stay; edges stop at the
// screen's borders and an edge dragged past its opposite edge swaps with it.
QRect resized(const QRect &atPress, int handle, const QPoint &delta, const QSize &screen);

// The centre point of each handle.
QPoint handlePoint(const QRect &selection, int handle);

} // namespace capture_geometry

// Use from the main window's "屏幕截图..." command:
//   auto *capture = frmCopySrc::start(this);
//   connect(capture, &frmCopySrc::pictureAdded, this, <append, select, refresh>);
//   connect(capture, &frmCopySrc::statusMessage, this, <ShowStatus>);
// start() hides the main window; closing shows it again.
class frmCopySrc : public QWidget {
  Q_OBJECT
public:
  enum class Mode { Draw, Move };

  // Hides `mainWindow`, waits `settleMs` for it to leave the screen, freezes
  // every screen and shows the capture window over the whole desktop. The
  // window deletes itself when it closes and then shows `mainWindow` again.
  static frmCopySrc *start(QWidget *mainWindow, int settleMs = 300);

  explicit frmCopySrc(QWidget *mainWindow = nullptr);
  ~frmCopySrc() override;

  // Grabs every screen into the frozen picture, writes the scratch copies and
  // shows the window. start() calls it after the settle delay.
  void freezeAndShow();

  Mode mode() const { return mode_; }
  QRect selection() const { return selection_; }
  QWidget *toolbar() const { return toolbar_; }
  QLabel *sizeLabel() const { return lblPos_; }
  QToolButton *toolbarButton(int index) const { return buttons_.at(static_cast<size_t>(index)); }
  // The frozen desktop and the pixels of it under the selection, at the
  // screens' own resolution.
  QImage frozenScreen() const { return frozen_; }
  QImage selectedImage() const;
  // user/tmpsrc1.bmp (the frozen desktop) and user/tmpsrc2.bmp (darkened).
  static QString frozenScratchPath();
  static QString darkenedScratchPath();

public slots:
  void restart();         // "重新截图"
  void copyToClipboard(); // "复制到剪贴板", then close
  void saveAndAdd();      // "保存并添加到批处理列表", then close

signals:
  // A capture saved in the scratch folder, to be appended to the file list
  // and selected; the main window then enables its remove and clear buttons.
  void pictureAdded(const QString &path);
  // A hint for the main window's status line.
  void statusMessage(const QString &text);

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

private:
  enum class Drag { None, Drawing, Moving, Resizing };

  QSize screenSize() const { return size(); }
  int handleAt(const QPoint &pos) const;
  bool insideSelection(const QPoint &pos) const;
  void setSelection(const QRect &rect);
  void showFinishedSelection();
  void updateCursor(const QPoint &pos);
  void finish();
  void failToFreeze();

  QPointer<QWidget> mainWindow_;
  QImage frozen_;
  QImage darkened_;
  qreal scale_ = 1.0; // frozen pixels per window pixel
  Mode mode_ = Mode::Draw;
  Drag drag_ = Drag::None;
  int handle_ = -1;
  QPoint start_;
  QPoint grab_;
  QRect atPress_;
  QRect selection_;
  QWidget *toolbar_ = nullptr;
  QLabel *lblPos_ = nullptr;
  std::array<QToolButton *, 4> buttons_{};
  bool finished_ = false;
};

} // namespace kuvo
