#pragma once
// The small modeless window shown while a run or a folder scan works:
// "正在处理，请稍候 …" with blinking dots, and a progress bar with the count
// and the time left.
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kuvo {

class WaitWindow : public QWidget {
  Q_OBJECT
public:
  explicit WaitWindow(QWidget *parent = nullptr);

  // Starts the clock for the time-left estimate; total 0 shows a busy bar.
  void begin(int total);
  void setProgress(int done, int total);
  // A free line under the bar (the folder being scanned, the picture count).
  void setDetail(const QString &text);
  QString detailText() const;
  // A "取消" button for work that the wait window itself can stop.
  void setCancelVisible(bool on);
  QString progressText() const;

  // "约 1分05秒" style estimate for done of total after elapsedMs.
  static QString timeLeftText(qint64 elapsedMs, int done, int total);

signals:
  void cancelRequested();

protected:
  // Centred on the main window, never at the screen's corner.
  void showEvent(QShowEvent *event) override;

private:
  QPushButton *cancel_;
  QLabel *dots_;
  QLabel *detail_;
  QLabel *count_;
  QProgressBar *bar_;
  QTimer blink_;
  QElapsedTimer clock_;
};

} // namespace kuvo
