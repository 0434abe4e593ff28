#pragma once
// The splash window: shown while the main window loads. Its timer ticks every
// 100 ms; the first tick builds and shows the main window, a later tick closes
// the splash once the main window has loaded.
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kuvo {

class MainWindow;

class SplashWindow : public QWidget {
  Q_OBJECT
public:
  // arguments: the command line after the program name.
  explicit SplashWindow(const QStringList &arguments, QWidget *parent = nullptr);
  ~SplashWindow() override;

  // Reads "sSkinFileName" and applies the skin (the default when unset).
  static QString applyStoredSkin();

  MainWindow *mainWindow() const { return main_; }
  int ticks() const { return ticks_; }

signals:
  void mainWindowShown(kuvo::MainWindow *window);

private:
  void tick();

  QStringList arguments_;
  QTimer timer_;
  int ticks_ = 0;
  MainWindow *main_ = nullptr;
};

} // namespace kuvo
